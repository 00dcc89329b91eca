// The makers of each kind of control's view, among which MakeControlView chooses by the
// control's kind and style. Each is defined beside its kind's widgets: push buttons, radio
// buttons and group boxes in button_views.cpp, edit controls in edit_views.cpp.
#pragma once

#include "ui/qt/control_view.h"

namespace ui {

std::unique_ptr<ControlView> MakePushButtonView(const platform::WindowState& state, QWidget* client,
                                                const PersonInput& input);
std::unique_ptr<ControlView> MakeRadioButtonView(const platform::WindowState& state,
                                                 QWidget* client, const PersonInput& input);
std::unique_ptr<ControlView> MakeGroupBoxView(const platform::WindowState& state, QWidget* client);

std::unique_ptr<ControlView> MakeMultiLineEditView(const platform::WindowState& state,
                                                   QWidget* client, const PersonInput& input);
std::unique_ptr<ControlView> MakeSingleLineEditView(const platform::WindowState& state,
                                                    QWidget* client, const PersonInput& input);

}  // namespace ui
