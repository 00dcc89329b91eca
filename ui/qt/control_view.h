// One control of the dialog as Qt shows it. The model is the truth: a view shows what the model
// holds and hands a person's input to PersonInput, never changing the model itself.
#pragma once

#include <cstddef>
#include <memory>

#include "platform/ports/window_model.h"
#include "ui/qt/person_input.h"

class QWidget;

namespace ui {

class ControlView {
 public:
  virtual ~ControlView() = default;

  virtual QWidget* widget() const = 0;
  // The control's whole text was set.
  virtual void ShowText(const platform::WindowState& /*state*/) {}
  // The characters [start, removed_end) were replaced by state.text[start, start + inserted).
  virtual void ShowReplacement(const platform::WindowState& /*state*/, std::size_t /*start*/,
                               std::size_t /*removed_end*/, std::size_t /*inserted*/) {}
  virtual void ShowSelection(const platform::WindowState& /*state*/) {}
  virtual void ShowCheck(const platform::WindowState& /*state*/) {}
};

// The view for the control `state` (a push button, radio button, group box or edit control),
// its widget made a child of `client`.
std::unique_ptr<ControlView> MakeControlView(const platform::WindowState& state, QWidget* client,
                                             const PersonInput& input);

}  // namespace ui
