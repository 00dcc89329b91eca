// The line the operator types or scans into: the operator's name once at the start, then each
// unit's serial number. A scanner types the number and Enter, so the field holds the keyboard
// whenever it asks and nothing else in the window takes it; Enter (or the button beside the
// field, for a finger) hands the line over and clears the field. Why the last line was refused
// stands next to the field. Between questions the field takes nothing.
#pragma once

#include <functional>
#include <string>

#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;

namespace station {

class EntryRow : public QWidget {
 public:
  using Answer = std::function<void(std::string)>;
  enum class Asking { kOperator, kSerial };

  explicit EntryRow(QWidget* parent);

  // Clears and focuses the field and hands the next line entered to `answer`. `refusal`: why the
  // last line was refused; empty when it was not.
  void Ask(Asking asking, const QString& refusal, Answer answer);
  void End();

 private:
  void Entered();

  QLabel* caption_;
  QLineEdit* field_;
  QPushButton* enter_;
  QLabel* refusal_;
  Answer answer_;
};

}  // namespace station
