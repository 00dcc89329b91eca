#include "tools/quorvane-station/qt/window_desk.h"

#include "tools/quorvane-station/qt/prompt_picture.h"
#include "tools/quorvane-station/qt/station_window.h"

namespace station {

WindowDesk::WindowDesk(plan::StopRequest& stop)
    : window_(std::make_unique<StationWindow>([&stop] { stop.Raise(); })) {}

WindowDesk::~WindowDesk() = default;

QWidget& WindowDesk::window() { return *window_; }

std::optional<std::string> WindowDesk::AskOperator(const plan::StopRequest& stop) {
  return AskLine(EntryRow::Asking::kOperator, {}, stop);
}

void WindowDesk::ShowIdentity(const StationIdentity& identity) {
  gui_.Post([this, identity] { window_->ShowIdentity(identity); });
}

std::optional<std::string> WindowDesk::AskSerial(const std::string& refusal, const Tally& tally,
                                                 const plan::StopRequest& stop) {
  gui_.Post([this, tally] { window_->ShowTally(tally); });
  return AskLine(EntryRow::Asking::kSerial, refusal, stop);
}

void WindowDesk::ShowPhases(const std::string& unit, const std::vector<PhaseLine>& phases) {
  gui_.Post([this, unit, phases] { window_->ShowPhases(unit, phases); });
}

void WindowDesk::ShowVerdict(const std::string& unit, const Verdict& verdict, const Tally& tally) {
  gui_.Post([this, unit, verdict, tally] {
    window_->ShowVerdict(unit, verdict);
    window_->ShowTally(tally);
  });
}

std::optional<std::string> WindowDesk::Ask(const plan::PromptStep& prompt,
                                           const plan::StopRequest& stop, std::string& why) {
  // Read here, off the GUI thread, so a slow file never stalls the window.
  const auto picture = std::make_shared<const PromptPicture>(
      ReadPromptPicture(prompt.picture.value_or(std::filesystem::path())));
  std::optional<std::string> answer;
  std::string refusal;
  for (;;) {
    const int question = answers_.Open();
    gui_.Post([this, prompt, picture, refusal, answer_to = AnswerTo(question)] {
      window_->AskPrompt(prompt, *picture, refusal, answer_to);
    });
    answer = answers_.Wait(stop, why);
    if (!answer || plan::AnswerFits(prompt, *answer)) break;
    refusal = "\"" + *answer + "\" is no answer here";
  }
  gui_.Post([this] { window_->EndPrompt(); });
  return answer;
}

std::optional<std::string> WindowDesk::AskLine(EntryRow::Asking asking, const std::string& refusal,
                                               const plan::StopRequest& stop) {
  const int question = answers_.Open();
  gui_.Post([this, asking, refusal, answer_to = AnswerTo(question)] {
    window_->AskLine(asking, refusal, answer_to);
  });
  std::string why;
  std::optional<std::string> answer = answers_.Wait(stop, why);
  gui_.Post([this] { window_->EndLine(); });
  return answer;
}

std::function<void(std::string)> WindowDesk::AnswerTo(int question) {
  return [this, question](std::string answer) { answers_.Give(question, std::move(answer)); };
}

}  // namespace station
