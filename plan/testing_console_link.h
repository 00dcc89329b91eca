// An in-memory console and terminal volumes for the runner's tests. The console keeps a log pane
// and a session record that the commands it takes write to, answers some commands with a refusal
// or with the operator's Ctrl-C, and keeps a journal of every request it was given, so that a test
// reads what the runner did to the console as plainly as what the runner found. The record is a
// real file, because the runner reads its slices from disk; stops reach the console through the
// run's own StopRequest, as the signal handlers raise it.
#pragma once

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "plan/console_link.h"
#include "plan/stop_request.h"
#include "plan/terminal_files.h"

namespace testing_support {

// What a command does once the console takes it.
struct CommandEffect {
  std::string pane;    // added to the log pane
  std::string record;  // whole lines added to the session record
  plan::LinkStatus status = plan::LinkStatus::kDone;
  std::string message;
  int stops = 0;  // how many times the operator presses Ctrl-C while it runs
};

class MemoryConsoleLink : public plan::ConsoleLink {
 public:
  // The log pane's control id.
  static constexpr std::int64_t kLogPane = 1010;

  MemoryConsoleLink(std::filesystem::path record, plan::StopRequest& stop)
      : record_(std::move(record)), stop_(stop) {
    std::ofstream(record_, std::ios::trunc);
  }

  std::map<std::int64_t, CommandEffect> commands;  // by id; any other command only is done
  std::string pane;                                // the log pane's whole text
  plan::LinkReply expect_reply;                    // what each of the console's own waits ends in
  std::vector<std::string> journal;  // "command 1009", "read 1010", "expect /done/", ...

  plan::LinkReply Send(const sender::Action& action, int stops_allowed) override {
    if (stop_.count() > stops_allowed) return {plan::LinkStatus::kStopped, "", ""};
    std::string entry(sender::VerbOf(action));
    const auto* command = std::get_if<sender::CommandRequest>(&action);
    if (command) entry += " " + std::to_string(command->id);
    journal.push_back(entry);
    const auto effect = command ? commands.find(command->id) : commands.end();
    if (effect == commands.end()) return {};
    pane += effect->second.pane;
    std::ofstream(record_, std::ios::app) << effect->second.record;
    for (int stop = 0; stop < effect->second.stops; ++stop) stop_.Raise();
    // A stop that came while the console worked calls off the wait for its answer.
    if (stop_.count() > stops_allowed) return {plan::LinkStatus::kStopped, "", ""};
    return {effect->second.status, "", effect->second.message};
  }

  plan::LinkReply Read(std::int64_t id, int stops_allowed) override {
    if (stop_.count() > stops_allowed) return {plan::LinkStatus::kStopped, "", ""};
    journal.push_back("read " + std::to_string(id));
    return {plan::LinkStatus::kDone, id == kLogPane ? pane : "", ""};
  }

  plan::LinkReply Expect(const sender::ExpectRequest& expect, int stops_allowed) override {
    if (stop_.count() > stops_allowed) return {plan::LinkStatus::kStopped, "", ""};
    journal.push_back("expect /" + expect.pattern + "/");
    return expect_reply;
  }

  std::optional<plan::RecordMark> Mark(std::string& error, int stops_allowed) override {
    if (stop_.count() > stops_allowed) return (error = "stopped", std::nullopt);
    std::error_code failed;
    const auto size = std::filesystem::file_size(record_, failed);
    if (failed) return (error = failed.message(), std::nullopt);
    return plan::RecordMark{record_.string(), size, ++marks_};
  }

 private:
  std::filesystem::path record_;
  plan::StopRequest& stop_;
  std::uint64_t marks_ = 0;
};

// Terminal paths ("\SDMMC\rwtest.txt") by the local files they stand for; any other is refused.
class MemoryTerminalFiles : public plan::TerminalFiles {
 public:
  std::map<std::string, std::filesystem::path> paths;

  std::optional<std::filesystem::path> Find(const std::string& terminal_path,
                                            std::string& error) const override {
    const auto found = paths.find(terminal_path);
    if (found != paths.end()) return found->second;
    error = "names no volume";
    return std::nullopt;
  }
};

}  // namespace testing_support
