#include "ui/qt/qt_front_end.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPixmap>

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

void QtFrontEnd::WindowCreated(const platform::WindowState& dialog,
                               std::span<const platform::WindowState* const> controls) {
  if (!input_) input_.emplace(platform::MessageLoop::Current()->core());

  const HWND hwnd = dialog.hwnd;
  auto shown = std::make_unique<DialogWindow>([this, hwnd] { input_->CaptionOk(hwnd); },
                                              [this, hwnd] { input_->CaptionClose(hwnd); });
  DialogWindow& window = *shown;
  window.setWindowTitle(ToQString(dialog.text));
  window.caption()->SetTitle(ToQString(dialog.text));
  window.Place(TemplateFrame(dialog));
  for (const platform::WindowState* control : controls) {
    if (auto view = MakeControlView(*control, window.client(), *input_)) {
      controls_.emplace(control->hwnd, std::move(view));
    }
  }
  if (on_first_frame_) WatchForFirstFrame(&window);
  dialogs_.emplace(hwnd, std::move(shown));
  if ((dialog.style & WS_VISIBLE) != 0) {
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

void QtFrontEnd::WindowDestroyed(const platform::WindowState& window) {
  const auto found = dialogs_.find(window.hwnd);
  if (found == dialogs_.end()) return;
  dialogs_.erase(found);  // first, as in the destructor
  for (HWND child : window.children) controls_.erase(child);
}

void QtFrontEnd::TextSet(const platform::WindowState& window) {
  if (DialogWindow* shown = WindowOf(window.hwnd)) {
    shown->setWindowTitle(ToQString(window.text));
    shown->caption()->SetTitle(ToQString(window.text));
  } else if (ControlView* view = ViewOf(window.hwnd)) {
    view->ShowText(window);
    // A handler that sets a text again and again (the update's progress) holds the loop, so Qt
    // would paint only its last one; painting now and then shows the steps without slowing it.
    constexpr auto kPaintInterval = std::chrono::milliseconds(40);
    const auto now = std::chrono::steady_clock::now();
    if (now - text_painted_ >= kPaintInterval) {
      view->widget()->repaint();
      text_painted_ = now;
    }
  }
}

void QtFrontEnd::Pausing() {
  for (const auto& [hwnd, window] : dialogs_) {
    if (window->isVisible()) window->repaint();
  }
}

void QtFrontEnd::TextReplaced(const platform::WindowState& window, std::size_t start,
                              std::size_t end, std::u16string_view inserted) {
  if (ControlView* view = ViewOf(window.hwnd)) {
    view->ShowReplacement(window, start, end, inserted.size());
  }
}

void QtFrontEnd::SelectionChanged(const platform::WindowState& window) {
  if (ControlView* view = ViewOf(window.hwnd)) view->ShowSelection(window);
}

void QtFrontEnd::CheckChanged(const platform::WindowState& window) {
  if (ControlView* view = ViewOf(window.hwnd)) view->ShowCheck(window);
}

void QtFrontEnd::EnabledChanged(const platform::WindowState& window) {
  // A disabled dialog (a message box is open) is not greyed: the box's modality keeps input away.
  if (ControlView* view = ViewOf(window.hwnd)) view->widget()->setEnabled(window.enabled);
}

void QtFrontEnd::PlacementChanged(const platform::WindowState& window) {
  DialogWindow* shown = WindowOf(window.hwnd);
  if (shown == nullptr || shown->isFullScreen()) return;
  const platform::Placement& placement = window.placement;
  shown->Place(QRect(placement.x, placement.y, placement.cx, placement.cy));
}

void QtFrontEnd::IconChanged(const platform::WindowState& window) {
  DialogWindow* shown = WindowOf(window.hwnd);
  if (shown == nullptr) return;
  const QPixmap big = IconPixmap(window.big_icon);
  const QPixmap small = IconPixmap(window.small_icon);
  shown->setWindowIcon(QIcon(big.isNull() ? small : big));
  shown->caption()->SetIcon(small.isNull() ? big : small);
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
