// The window desk driven as the station loop drives it, from a worker thread, and answered as an
// operator answers: a scanner's keystrokes, taps on the prompt's buttons, closing the window.
#include <sys/stat.h>

#include <fstream>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "testing/temp_dir.h"
#include "tools/quorvane-station/qt/desk_fixture.h"
#include "tools/quorvane-station/qt/picture_view.h"

namespace {

using station_testing::DeskTest;

class WindowDeskTest : public DeskTest {
 protected:
  // The window shows `text` in a visible label.
  bool Shows(const QString& text) {
    for (const QLabel* label : desk_.window().findChildren<QLabel*>()) {
      if (label->isVisible() && label->text().contains(text)) return true;
    }
    return false;
  }

  // What a scanner does: its keys go wherever the keyboard is, ending in Enter.
  void Scan(const QString& line) {
    QWidget* keyboard = QApplication::focusWidget();
    ASSERT_NE(keyboard, nullptr);
    QTest::keyClicks(keyboard, line);
    QTest::keyClick(keyboard, Qt::Key_Return);
  }

  static plan::PromptStep Prompt(plan::PromptKind kind, std::vector<std::string> choices = {}) {
    plan::PromptStep prompt;
    prompt.name = "check";
    prompt.text = "Look at the unit";
    prompt.kind = kind;
    prompt.choices = std::move(choices);
    return prompt;
  }

  void AskSerial(const std::string& refusal) {
    AskFromWorker([this, refusal] { return desk_.AskSerial(refusal, {}, stop_); }, "entry");
  }
};

TEST_F(WindowDeskTest, TheScannersLineAnswersTheSerialAndARefusalShowsBesideTheClearedField) {
  AskSerial("");
  auto* field = Find<QLineEdit>("entry");
  EXPECT_EQ(QApplication::focusWidget(), field);
  Scan(QStringLiteral("SN-0042"));
  EXPECT_EQ(Answer(), "SN-0042");

  AskSerial("");
  Scan(QStringLiteral("SN-00x"));
  EXPECT_EQ(Answer(), "SN-00x");
  AskSerial("\"SN-00x\" is no serial number of this plan");
  EXPECT_TRUE(Shows(QStringLiteral("is no serial number of this plan")));
  EXPECT_TRUE(field->text().isEmpty());
  EXPECT_EQ(QApplication::focusWidget(), field);
  Scan(QStringLiteral("SN-0043"));
  EXPECT_EQ(Answer(), "SN-0043");
}

TEST_F(WindowDeskTest, AStopEndsEveryWaitingQuestionUnanswered) {
  using Ask = std::function<std::optional<std::string>(const plan::StopRequest&)>;
  struct Waiting {
    const char* asks_in;
    Ask ask;
  };
  const Waiting asks[] = {
      {"entry", [this](const plan::StopRequest& stop) { return desk_.AskOperator(stop); }},
      {"entry", [this](const plan::StopRequest& stop) { return desk_.AskSerial("", {}, stop); }},
      {"prompt",
       [this](const plan::StopRequest& stop) {
         std::string why;
         return desk_.Ask(Prompt(plan::PromptKind::kConfirm), stop, why);
       }},
  };
  for (const Waiting& waiting : asks) {
    plan::StopRequest stop;
    AskFromWorker([&stop, &waiting] { return waiting.ask(stop); }, waiting.asks_in);
    stop.Raise();
    EXPECT_EQ(Answer(), std::nullopt) << waiting.asks_in;
  }
}

TEST_F(WindowDeskTest, ClosingTheWindowRaisesTheStationsStop) {
  AskSerial("");
  desk_.window().close();
  EXPECT_EQ(Answer(), std::nullopt);
  EXPECT_TRUE(stop_.stopping());
}

TEST_F(WindowDeskTest, APromptTakesItsAnswerFromTheButtonsInTheWindow) {
  static constexpr const char* kRefused = "(waits for the refusal)";
  struct Case {
    plan::PromptKind kind;
    std::vector<std::string> choices;
    std::vector<const char*> taps;
    std::string answer;
  };
  const Case cases[] = {
      {plan::PromptKind::kConfirm, {}, {"fail"}, "fail"},
      {plan::PromptKind::kConfirm, {}, {"retry"}, "retry"},
      {plan::PromptKind::kChoice, {"red", "green"}, {"green"}, "green"},
      // A lone minus is no number: refused, and the next entry answers.
      {plan::PromptKind::kNumber, {}, {"-", "ok", kRefused, "1", "2", ".", "5", "ok"}, "12.5"},
  };
  for (const Case& given : cases) {
    const plan::PromptStep prompt = Prompt(given.kind, given.choices);
    AskFromWorker(
        [this, prompt] {
          std::string why;
          return desk_.Ask(prompt, stop_, why);
        },
        "prompt");
    for (const char* tap : given.taps) {
      if (tap == kRefused) {
        EXPECT_TRUE(SettleUntil([&] { return Shows(QStringLiteral("is no answer here")); }));
        continue;
      }
      auto* key = Find<QWidget>(tap);
      if (key == nullptr) {  // a key of the keypad, named by what it types
        for (QPushButton* button : Find<QWidget>("keypad")->findChildren<QPushButton*>()) {
          if (button->text() == QString::fromLatin1(tap)) key = button;
        }
      }
      ASSERT_NE(key, nullptr) << tap;
      QTest::mouseClick(key, Qt::LeftButton);
      Settle();
    }
    EXPECT_EQ(Answer(), given.answer) << given.answer;
    EXPECT_FALSE(Find<QWidget>("prompt")->isVisible()) << given.answer;
  }
}

TEST_F(WindowDeskTest, APictureThatCannotBeShownSaysWhyInsteadOfHanging) {
  testing_support::TempDir folder;
  const auto fifo = folder.path() / "fifo.png";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::ofstream(folder.path() / "text.png") << "no picture";
  QImage picture(40, 20, QImage::Format_RGB32);
  picture.fill(Qt::blue);
  ASSERT_TRUE(picture.save(QString::fromStdString((folder.path() / "good.png").string())));
  const std::vector<std::pair<std::filesystem::path, QString>> cases = {
      {folder.path() / "good.png", QString()},
      {fifo, QStringLiteral("not a regular file")},
      {folder.path() / "missing.png", QStringLiteral("cannot be read")},
      {folder.path() / "text.png", QStringLiteral("cannot be shown")},
  };
  QWidget holder;
  auto* view = new station::PictureView(&holder);
  for (const auto& [path, why] : cases) {
    view->Show(station::ReadPromptPicture(path));
    EXPECT_TRUE(view->isVisibleTo(&holder)) << path;
    EXPECT_EQ(view->fault().isEmpty(), why.isEmpty()) << path;
    EXPECT_TRUE(view->fault().contains(why)) << path << ": " << view->fault().toStdString();
  }
}

}  // namespace
