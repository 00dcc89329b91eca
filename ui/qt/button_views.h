// Push buttons, automatic radio buttons and group boxes. A radio button's check mark is the
// model's: tapping one only sends the click, and the model's radio group moves the marks.
#pragma once

#include "ui/qt/control_view.h"

namespace ui {

std::unique_ptr<ControlView> MakePushButtonView(const platform::WindowState& state,
                                                QWidget* client, const PersonInput& input);
std::unique_ptr<ControlView> MakeRadioButtonView(const platform::WindowState& state,
                                                 QWidget* client, const PersonInput& input);
std::unique_ptr<ControlView> MakeGroupBoxView(const platform::WindowState& state, QWidget* client);

}  // namespace ui
