// Edit controls: the multi-line log pane (a plain-text view that never wraps, scrolled so the
// caret stays in sight as the terminal's edit control does) and single-line fields. Where a person
// puts the caret or which text they select, and what they type into a single-line field, goes to
// the model as input; what the model changes is shown without being fed back. Multi-line edits
// are for reading and selecting only: the console has none that a person types into.
#pragma once

#include "ui/qt/control_view.h"

namespace ui {

std::unique_ptr<ControlView> MakeMultiLineEditView(const platform::WindowState& state,
                                                   QWidget* client, const PersonInput& input);
std::unique_ptr<ControlView> MakeSingleLineEditView(const platform::WindowState& state,
                                                    QWidget* client, const PersonInput& input);

}  // namespace ui
