#include "ui/qt/control_view.h"

#include <QWidget>

#include "ui/qt/dialog_units.h"
#include "ui/qt/view_makers.h"

namespace ui {

namespace {

std::unique_ptr<ControlView> MakeViewOfKind(const platform::WindowState& state, QWidget* client,
                                            const PersonInput& input) {
  switch (state.kind) {
    case platform::ControlKind::PushButton:
      return MakePushButtonView(state, client, input);
    case platform::ControlKind::AutoRadioButton:
      return MakeRadioButtonView(state, client, input);
    case platform::ControlKind::GroupBox:
      return MakeGroupBoxView(state, client);
    case platform::ControlKind::Edit:
      return (state.style & ES_MULTILINE) != 0 ? MakeMultiLineEditView(state, client, input)
                                               : MakeSingleLineEditView(state, client, input);
    case platform::ControlKind::Dialog:
      break;
  }
  return nullptr;
}

}  // namespace

std::unique_ptr<ControlView> MakeControlView(const platform::WindowState& state, QWidget* client,
                                             const PersonInput& input) {
  auto view = MakeViewOfKind(state, client, input);
  if (view == nullptr) return nullptr;
  view->widget()->setGeometry(DialogUnitsToPixels(state.template_rect));
  view->widget()->setEnabled(state.enabled);
  return view;
}

}  // namespace ui
