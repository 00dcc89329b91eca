// Push buttons, automatic radio buttons and group boxes. A radio button's check mark is the
// model's: tapping one only sends the click, and the model's radio group moves the marks.
#include "ui/qt/view_makers.h"

#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>

#include "ui/qt/qt_text.h"

namespace ui {

namespace {

// A radio button that leaves its check mark to the model instead of toggling it when tapped.
class ModelCheckedRadioButton final : public QRadioButton {
 public:
  using QRadioButton::QRadioButton;

 protected:
  void nextCheckState() override {}
};

void SetCaption(QAbstractButton* button, const QString& caption) { button->setText(caption); }
void SetCaption(QGroupBox* frame, const QString& caption) { frame->setTitle(caption); }

template <typename Widget>
class ButtonView final : public ControlView {
 public:
  explicit ButtonView(Widget* widget) : widget_(widget) {}

  QWidget* widget() const override { return widget_; }
  void ShowText(const platform::WindowState& state) override {
    SetCaption(widget_, ToQString(state.text));
  }
  void ShowCheck(const platform::WindowState& state) override {
    if constexpr (std::is_base_of_v<QAbstractButton, Widget>) widget_->setChecked(state.checked);
  }

 private:
  Widget* widget_;
};

template <typename Widget>
std::unique_ptr<ControlView> MakeClickableView(Widget* widget, const platform::WindowState& state,
                                               const PersonInput& input) {
  QObject::connect(widget, &QAbstractButton::clicked,
                   [hwnd = state.hwnd, &input] { input.Click(hwnd); });
  auto view = std::make_unique<ButtonView<Widget>>(widget);
  view->ShowCheck(state);
  return view;
}

}  // namespace

std::unique_ptr<ControlView> MakePushButtonView(const platform::WindowState& state, QWidget* client,
                                                const PersonInput& input) {
  auto* button = new QPushButton(ToQString(state.text), client);
  button->setFocusPolicy((state.style & WS_TABSTOP) != 0 ? Qt::StrongFocus : Qt::ClickFocus);
  return MakeClickableView(button, state, input);
}

std::unique_ptr<ControlView> MakeRadioButtonView(const platform::WindowState& state,
                                                 QWidget* client, const PersonInput& input) {
  auto* radio = new ModelCheckedRadioButton(ToQString(state.text), client);
  radio->setAutoExclusive(false);
  radio->setFocusPolicy((state.style & WS_TABSTOP) != 0 ? Qt::StrongFocus : Qt::ClickFocus);
  return MakeClickableView(radio, state, input);
}

std::unique_ptr<ControlView> MakeGroupBoxView(const platform::WindowState& state, QWidget* client) {
  auto* frame = new QGroupBox(ToQString(state.text), client);
  // Only a frame: taps go to the controls drawn inside it.
  frame->setAttribute(Qt::WA_TransparentForMouseEvents);
  frame->setFocusPolicy(Qt::NoFocus);
  return std::make_unique<ButtonView<QGroupBox>>(frame);
}

}  // namespace ui
