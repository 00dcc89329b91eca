// Edit controls: the multi-line log pane (a plain-text view that never wraps, scrolled so the
// caret stays in sight as the terminal's edit control does) and single-line fields. Where a person
// puts the caret or which text they select, and what they type into a single-line field, goes to
// the model as input; what the model changes is shown without being fed back. Multi-line edits
// are for reading and selecting only: the console has none that a person types into.
#include "ui/qt/view_makers.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

#include "ui/qt/edit_text_display.h"
#include "ui/qt/qt_text.h"

namespace ui {

namespace {

// Set while the view shows a model change, so the widget's own signals are not taken for input.
class ShowingModel {
 public:
  explicit ShowingModel(bool& flag) : flag_(flag) { flag_ = true; }
  ~ShowingModel() { flag_ = false; }

 private:
  bool& flag_;
};

class MultiLineEditView final : public ControlView {
 public:
  MultiLineEditView(const platform::WindowState& state, QWidget* client, const PersonInput& input)
      : edit_(new QPlainTextEdit(client)) {
    edit_->setLineWrapMode(QPlainTextEdit::NoWrap);
    edit_->setUndoRedoEnabled(false);
    edit_->setVerticalScrollBarPolicy((state.style & WS_VSCROLL) != 0 ? Qt::ScrollBarAlwaysOn
                                                                      : Qt::ScrollBarAlwaysOff);
    // Long lines scroll sideways with the caret; there is no horizontal bar to drag.
    edit_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    edit_->setFrameShape((state.style & WS_BORDER) != 0 ? QFrame::Box : QFrame::NoFrame);
    // The console's only multi-line edit is the read-only log pane; its caret can still be
    // placed and text selected, by finger and by keys.
    edit_->setReadOnly(true);
    edit_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    edit_->setFocusPolicy((state.style & WS_TABSTOP) != 0 ? Qt::StrongFocus : Qt::ClickFocus);
    ShowText(state);
    const HWND hwnd = state.hwnd;
    const auto select = [this, hwnd, &input] {
      if (!showing_model_) input.Select(hwnd, SelectionShown());
    };
    QObject::connect(edit_, &QPlainTextEdit::cursorPositionChanged, select);
    QObject::connect(edit_, &QPlainTextEdit::selectionChanged, select);
  }

  QWidget* widget() const override { return edit_; }

  void ShowText(const platform::WindowState& state) override {
    ShowingModel showing(showing_model_);
    edit_->setPlainText(ShownCharacters(state.text));
    ShowSelectionNow(state.selection);
  }

  void ShowReplacement(const platform::WindowState& state, std::size_t start,
                       std::size_t removed_end, std::size_t inserted) override {
    ShowingModel showing(showing_model_);
    QTextCursor cursor(edit_->document());
    cursor.setPosition(static_cast<int>(start));
    cursor.setPosition(static_cast<int>(removed_end), QTextCursor::KeepAnchor);
    cursor.insertText(ShownCharacters(state.text, start, start + inserted));
    if (start > 0 && ShownFormDependsOnNext(state.text, start - 1)) ShowAgain(state, start - 1);
    if (ShownFormDependsOnPrevious(state.text, start + inserted)) {
      ShowAgain(state, start + inserted);
    }
    ShowSelectionNow(state.selection);
    edit_->ensureCursorVisible();
  }

  void ShowSelection(const platform::WindowState& state) override {
    ShowingModel showing(showing_model_);
    ShowSelectionNow(state.selection);
  }

 private:
  // Shows text[position] anew, as what is now beside it decides.
  void ShowAgain(const platform::WindowState& state, std::size_t position) {
    QTextCursor cursor(edit_->document());
    cursor.setPosition(static_cast<int>(position));
    cursor.setPosition(static_cast<int>(position + 1), QTextCursor::KeepAnchor);
    cursor.insertText(ShownCharacters(state.text, position, position + 1));
  }

  // Moving the widget's cursor scrolls it into sight.
  void ShowSelectionNow(const platform::Selection& selection) {
    QTextCursor cursor = edit_->textCursor();
    if (static_cast<std::size_t>(cursor.anchor()) == selection.anchor &&
        static_cast<std::size_t>(cursor.position()) == selection.caret) {
      return;
    }
    cursor.setPosition(static_cast<int>(selection.anchor));
    cursor.setPosition(static_cast<int>(selection.caret), QTextCursor::KeepAnchor);
    edit_->setTextCursor(cursor);
  }

  platform::Selection SelectionShown() const {
    const QTextCursor cursor = edit_->textCursor();
    return {ModelPosition(cursor.anchor()), ModelPosition(cursor.position())};
  }

  // "\r\n" is one line end, as on the terminal: a position between the two (right behind the
  // invisible "\r", where a tap at the end of a line lands) is taken as the one before it.
  std::size_t ModelPosition(int shown) const {
    if (shown > 0 && edit_->document()->characterAt(shown - 1) == QChar(kInvisibleCarriageReturn)) {
      --shown;
    }
    return static_cast<std::size_t>(shown);
  }

  QPlainTextEdit* edit_;
  bool showing_model_ = false;
};

class SingleLineEditView final : public ControlView {
 public:
  SingleLineEditView(const platform::WindowState& state, QWidget* client, const PersonInput& input)
      : edit_(new QLineEdit(client)) {
    edit_->setFrame((state.style & WS_BORDER) != 0);
    edit_->setReadOnly((state.style & ES_READONLY) != 0);
    edit_->setFocusPolicy((state.style & WS_TABSTOP) != 0 ? Qt::StrongFocus : Qt::ClickFocus);
    ShowText(state);
    const HWND hwnd = state.hwnd;
    QObject::connect(edit_, &QLineEdit::textEdited, [this, hwnd, &input](const QString& text) {
      if (!showing_model_) input.Type(hwnd, ToWide(text), SelectionShown());
    });
    QObject::connect(edit_, &QLineEdit::cursorPositionChanged, [this, hwnd, &input] {
      if (!showing_model_) input.Select(hwnd, SelectionShown());
    });
    QObject::connect(edit_, &QLineEdit::selectionChanged, [this, hwnd, &input] {
      if (!showing_model_) input.Select(hwnd, SelectionShown());
    });
  }

  QWidget* widget() const override { return edit_; }

  void ShowText(const platform::WindowState& state) override {
    ShowingModel showing(showing_model_);
    const QString shown = ShownCharacters(state.text);
    if (edit_->text() != shown) edit_->setText(shown);
    ShowSelectionNow(state.selection);
  }

  void ShowReplacement(const platform::WindowState& state, std::size_t, std::size_t,
                       std::size_t) override {
    ShowText(state);  // a single line is short: show it whole
  }

  void ShowSelection(const platform::WindowState& state) override {
    ShowingModel showing(showing_model_);
    ShowSelectionNow(state.selection);
  }

 private:
  void ShowSelectionNow(const platform::Selection& selection) {
    const platform::Selection shown = SelectionShown();
    if (shown.anchor == selection.anchor && shown.caret == selection.caret) return;
    const int anchor = static_cast<int>(selection.anchor);
    const int caret = static_cast<int>(selection.caret);
    if (anchor == caret) {
      edit_->setCursorPosition(caret);
    } else {
      edit_->setSelection(anchor, caret - anchor);  // a negative length selects backwards
    }
  }

  platform::Selection SelectionShown() const {
    const int caret = edit_->cursorPosition();
    if (!edit_->hasSelectedText()) {
      return {static_cast<std::size_t>(caret), static_cast<std::size_t>(caret)};
    }
    const int start = edit_->selectionStart();
    const int end = edit_->selectionEnd();
    const int anchor = caret == start ? end : start;
    return {static_cast<std::size_t>(anchor), static_cast<std::size_t>(caret)};
  }

  QLineEdit* edit_;
  bool showing_model_ = false;
};

}  // namespace

std::unique_ptr<ControlView> MakeMultiLineEditView(const platform::WindowState& state,
                                                   QWidget* client, const PersonInput& input) {
  return std::make_unique<MultiLineEditView>(state, client, input);
}

std::unique_ptr<ControlView> MakeSingleLineEditView(const platform::WindowState& state,
                                                    QWidget* client, const PersonInput& input) {
  return std::make_unique<SingleLineEditView>(state, client, input);
}

}  // namespace ui
