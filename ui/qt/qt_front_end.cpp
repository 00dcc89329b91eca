#include "ui/qt/qt_front_end.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPixmap>

#include "platform/ports/window_model.h"
#include "platform/terminal/message_loop.h"
#include "platform/terminal/resources.h"
#include "ui/qt/dialog_units.h"
#include "ui/qt/message_box_window.h"
#include "ui/qt/qt_text.h"

namespace ui {

namespace {

// On a kiosk's own screen (no window system) the dialog is the whole screen.
bool OnBareScreen() {
  const QString platform = QGuiApplication::platformName();
  return platform == QLatin1String("eglfs") || platform == QLatin1String("linuxfb");
}

QPixmap IconPixmap(HICON icon) {
  const auto png = platform::IconImage(icon);
  QPixmap pixmap;
  pixmap.loadFromData(reinterpret_cast<const uchar*>(png.data()), static_cast<uint>(png.size()),
                      "PNG");
  return pixmap;
}

// The window's frame before the console has placed it: the template's size below the caption.
QRect TemplateFrame(const platform::WindowState& dialog) {
  const QRect client = DialogUnitsToPixels(dialog.template_rect);
  return QRect(0, 0, client.width(), client.height() + kCaptionHeight);
}

// Reports the first paint of a widget once, then forgets it.
class FirstPaintWatcher final : public QObject {
 public:
  FirstPaintWatcher(QWidget* widget, std::function<void()> callback)
      : QObject(widget), callback_(std::move(callback)) {
    widget->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint && callback_) {
      // Report after this paint has reached the screen, not before it is drawn.
      QMetaObject::invokeMethod(this, std::exchange(callback_, nullptr), Qt::QueuedConnection);
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  std::function<void()> callback_;
};

}  // namespace

// Windows go before the views: a widget being destroyed may still signal its view.
QtFrontEnd::~QtFrontEnd() {
  dialogs_.clear();
  controls_.clear();
}

DialogWindow* QtFrontEnd::WindowOf(HWND dialog) const {
  const auto found = dialogs_.find(dialog);
  return found == dialogs_.end() ? nullptr : found->second.get();
}

QWidget* QtFrontEnd::WidgetOf(HWND control) const {
  ControlView* view = ViewOf(control);
  return view ? view->widget() : nullptr;
}

ControlView* QtFrontEnd::ViewOf(HWND control) const {
  const auto found = controls_.find(control);
  return found == controls_.end() ? nullptr : found->second.get();
}

void QtFrontEnd::WindowCreated(HWND hwnd) {
  const platform::WindowState* state = platform::FindWindowState(hwnd);
  if (state == nullptr || state->kind != platform::ControlKind::Dialog) return;
  if (!input_) input_.emplace(platform::MessageLoop::Current()->core());

  auto dialog = std::make_unique<DialogWindow>([this, hwnd] { input_->CaptionOk(hwnd); },
                                               [this, hwnd] { input_->CaptionClose(hwnd); });
  DialogWindow& window = *dialog;
  window.setWindowTitle(ToQString(state->text));
  window.caption()->SetTitle(ToQString(state->text));
  window.Place(TemplateFrame(*state));
  for (HWND child : state->children) {
    if (auto view = MakeControlView(*platform::FindWindowState(child), window.client(), *input_)) {
      controls_.emplace(child, std::move(view));
    }
  }
  if (on_first_frame_) WatchForFirstFrame(&window);
  dialogs_.emplace(hwnd, std::move(dialog));
  if ((state->style & WS_VISIBLE) != 0) {
    if (OnBareScreen()) {
      window.showFullScreen();
    } else {
      window.show();
    }
  }
}

void QtFrontEnd::WatchForFirstFrame(DialogWindow* window) {
  // The window's own background is covered by its caption bar and client area, so Qt paints
  // only those; the caption bar is painted in every frame that shows the window.
  new FirstPaintWatcher(window->caption(), std::exchange(on_first_frame_, nullptr));
}

void QtFrontEnd::WindowDestroyed(HWND hwnd) {
  const auto found = dialogs_.find(hwnd);
  if (found == dialogs_.end()) return;
  dialogs_.erase(found);  // first, as in the destructor
  if (const platform::WindowState* state = platform::FindWindowState(hwnd)) {
    for (HWND child : state->children) controls_.erase(child);
  }
}

void QtFrontEnd::TextSet(HWND hwnd, std::wstring_view text) {
  if (DialogWindow* window = WindowOf(hwnd)) {
    window->setWindowTitle(ToQString(text));
    window->caption()->SetTitle(ToQString(text));
  } else if (ControlView* view = ViewOf(hwnd)) {
    view->ShowText(*platform::FindWindowState(hwnd));
  }
}

void QtFrontEnd::TextReplaced(HWND hwnd, std::size_t start, std::size_t end,
                              std::wstring_view inserted) {
  if (ControlView* view = ViewOf(hwnd)) {
    view->ShowReplacement(*platform::FindWindowState(hwnd), start, end, inserted.size());
  }
}

void QtFrontEnd::SelectionChanged(HWND hwnd) {
  if (ControlView* view = ViewOf(hwnd)) view->ShowSelection(*platform::FindWindowState(hwnd));
}

void QtFrontEnd::CheckChanged(HWND hwnd) {
  if (ControlView* view = ViewOf(hwnd)) view->ShowCheck(*platform::FindWindowState(hwnd));
}

void QtFrontEnd::EnabledChanged(HWND hwnd) {
  // A disabled dialog (a message box is open) is not greyed: the box's modality keeps input away.
  if (ControlView* view = ViewOf(hwnd)) {
    view->widget()->setEnabled(platform::FindWindowState(hwnd)->enabled);
  }
}

void QtFrontEnd::PlacementChanged(HWND hwnd) {
  DialogWindow* window = WindowOf(hwnd);
  if (window == nullptr || window->isFullScreen()) return;
  const platform::Placement& placement = platform::FindWindowState(hwnd)->placement;
  window->Place(QRect(placement.x, placement.y, placement.cx, placement.cy));
}

void QtFrontEnd::IconChanged(HWND hwnd) {
  DialogWindow* window = WindowOf(hwnd);
  if (window == nullptr) return;
  const platform::WindowState& state = *platform::FindWindowState(hwnd);
  const QPixmap big = IconPixmap(state.big_icon);
  const QPixmap small = IconPixmap(state.small_icon);
  window->setWindowIcon(QIcon(big.isNull() ? small : big));
  window->caption()->SetIcon(small.isNull() ? big : small);
}

void QtFrontEnd::ShowMessageBox(HWND owner, std::wstring_view text, std::wstring_view caption,
                                UINT /*type: the console asks for OK only*/,
                                std::function<void(int)> dismiss) {
  auto* box = new MessageBoxWindow(WindowOf(owner), ToQString(caption), ToQString(text));
  box->setWindowModality(Qt::ApplicationModal);
  box->setAttribute(Qt::WA_DeleteOnClose);
  QObject::connect(box, &QDialog::finished, [dismiss = std::move(dismiss)] { dismiss(IDOK); });
  box->open();
}

}  // namespace ui
