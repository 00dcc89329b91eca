#include "plan/plan_reader.h"

#include <sys/stat.h>

#include <toml++/toml.h>
#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <set>
#include <string_view>
#include <vector>

#include "instrument/address.h"
#include "plan/console_ids.h"
#include "plan/prompter.h"
#include "platform/linux/small_file.h"
#include "platform/linux/toml_fields.h"
#include "platform/linux/toml_keys.h"

namespace plan {

namespace {

using platform::FailTomlType;
using platform::FindTomlKey;
using platform::ReadTomlKeys;
using platform::TomlIntegerIn;
using platform::TomlKey;
using platform::TomlKeyNames;
using platform::TomlString;

constexpr std::int64_t kLongestWaitMs = 3'600'000;
constexpr int kMostAttempts = 100;
constexpr std::int64_t kMostSamples = 1000;

// Whether `bytes` begin as a PNG or a JPEG file does.
bool IsPicture(std::string_view bytes) {
  return bytes.starts_with("\x89PNG\r\n\x1a\n") || bytes.starts_with("\xFF\xD8\xFF");
}

std::string Quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

// The words for a key the plan does not know, `where` it stands (" in a phase").
auto UnknownKey(std::string_view where) {
  return [where](std::string_view key, const std::string& known) {
    return "unknown key " + Quoted(key) + std::string(where) + " (known: " + known + ")";
  };
}

class Reader {
 public:
  explicit Reader(const std::filesystem::path& file) : file_(file) {}

  Plan Read() {
    return platform::ReadTomlText<PlanError>(
        ReadWholeFile(file_, kMaxPlanBytes), file_.string(),
        [this](const toml::table& root) { return ReadPlanTable(root); });
  }

 private:
  // How one key of the plan or of a phase is read, into the plan or the phase being read.
  using KeyReader = void (Reader::*)(const toml::node&);

  // How a step of one kind is read: the keys that may stand beside the kind's own, and its parser.
  using StepParser = StepAction (Reader::*)(const toml::table& step, const toml::node& value);
  struct StepKind {
    std::vector<std::string_view> options;
    StepParser parse;
  };

  Plan ReadPlanTable(const toml::table& root) {
    static constexpr auto kKeys = std::to_array<TomlKey<KeyReader>>({
        {"name", &Reader::ReadPlanName},
        {"board", &Reader::ReadBoard},
        {"unit_pattern", &Reader::ReadUnitPattern},
        {"answers", &Reader::KeepAnswers},
        {"instrument", &Reader::ReadInstruments},
        {"phase", &Reader::ReadPhases},
    });
    plan_.file = file_;
    ReadTomlKeys(root, kKeys, UnknownKey(""), *this);
    if (plan_.name.empty()) Fail(root.source(), "the plan has no name");
    if (plan_.phases.empty()) Fail(root.source(), "the plan has no [[phase]]");
    if (answers_ != nullptr) plan_.answers = ReadAnswers(*answers_);
    for (const auto& [role, where] : step_roles_) {
      if (!FindInstrument(role)) Fail(where, "no [[instrument]] has the role " + Quoted(role));
    }
    return std::move(plan_);
  }

  const Instrument* FindInstrument(const std::string& role) const {
    for (const Instrument& instrument : plan_.instruments) {
      if (instrument.role == role) return &instrument;
    }
    return nullptr;
  }

  void ReadInstruments(const toml::node& node) {
    static const std::set<std::string_view> kKeys = {"role", "address", "idn", "timeout_ms",
                                                     "safe"};
    for (const toml::table* table : TablesIn(node, "instrument")) {
      for (auto&& [key, value] : *table) {
        if (!kKeys.contains(key.str())) {
          Fail(key.source(), "unknown key " + Quoted(key.str()) +
                                 " in an instrument (known: role, address, idn, timeout_ms, safe)");
        }
      }
      Instrument instrument;
      instrument.line = static_cast<int>(table->source().begin.line);
      const toml::node& role = Needed(*table, "role", "an instrument");
      instrument.role = Role(role);
      if (FindInstrument(instrument.role)) {
        Fail(role.source(), "a second instrument with the role " + Quoted(instrument.role));
      }
      const toml::node& address = Needed(*table, "address", "an instrument");
      instrument.address = NonEmptyText(address, "address");
      std::string error;
      if (!instrument::ParseAddress(instrument.address, error)) Fail(address.source(), error);
      const toml::node& idn = Needed(*table, "idn", "an instrument");
      instrument.idn = Compile(idn, NonEmptyText(idn, "idn"));
      instrument.timeout_ms = Optional(*table, "timeout_ms", instrument.timeout_ms, 1, 600'000);
      if (const toml::node* safe = table->get("safe")) instrument.safe = ScpiLine(*safe, "safe");
      plan_.instruments.push_back(std::move(instrument));
    }
  }

  // A role names the instrument in steps, records and on command lines (ROLE=ADDRESS).
  std::string Role(const toml::node& node) const {
    std::string role = NonEmptyText(node, "role");
    const bool plain = std::all_of(role.begin(), role.end(), [](char c) {
      return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
             c == '_' || c == '-';
    });
    if (!plain) Fail(node.source(), "a role is letters, digits, _ and -, not " + Quoted(role));
    return role;
  }

  // A line an instrument is sent: printable ASCII, so that it stays one line.
  std::string ScpiLine(const toml::node& node, const std::string& name) const {
    std::string line = NonEmptyText(node, name);
    const bool printable = std::all_of(line.begin(), line.end(), [](char c) {
      return static_cast<unsigned char>(c) >= 0x20 && static_cast<unsigned char>(c) < 0x7F;
    });
    if (!printable) Fail(node.source(), name + " must be one line of printable ASCII");
    return line;
  }

  StepAction ReadInstrumentStep(const toml::table& table, const toml::node& value) {
    InstrumentStep step;
    step.role = NonEmptyText(value, "instrument");
    step_roles_.emplace_back(step.role, value.source());
    const toml::node* write = table.get("write");
    const toml::node* query = table.get("query");
    if ((write == nullptr) == (query == nullptr)) {
      Fail(table.source(), "an instrument step needs one of write and query");
    }
    step.query = query != nullptr;
    step.command = ScpiLine(step.query ? *query : *write, step.query ? "query" : "write");
    const bool judged = table.contains("name") || table.contains("number") ||
                        table.contains("low") || table.contains("high") ||
                        table.contains("equals") || table.contains("matches") ||
                        table.contains("units");
    if (!step.query) {
      if (judged) Fail(table.source(), "only a query has a name, a number and limits");
      return step;
    }
    const toml::node& name = Needed(table, "name", "a query");
    step.name = NonEmptyText(name, "name");
    NewMeasurement(name, step.name);
    if (const toml::node* number = table.get("number")) {
      const std::string text = Text(*number, "number");
      if (text == "text") {
        step.base = NumberBase::kText;
      } else if (text != "decimal") {
        Fail(number->source(), "number must be \"decimal\" or \"text\", not " + Quoted(text));
      }
    }
    step.limit = ReadLimit(table, step.name);
    return step;
  }

  void ReadPlanName(const toml::node& node) { plan_.name = NonEmptyText(node, "name"); }

  // Anchored at both ends: a serial number with a stray key pressed before or after is refused.
  void ReadUnitPattern(const toml::node& node) {
    const std::string text = NonEmptyText(node, "unit_pattern");
    Compile(node, text);  // its own faults, in its own words
    plan_.unit_pattern = Compile(node, "\\A(?:" + text + ")\\z");
  }

  // Read once every prompt is known, wherever they stand in the file.
  void KeepAnswers(const toml::node& node) { answers_ = &node; }

  void ReadPhases(const toml::node& node) {
    for (const toml::table* table : TablesIn(node, "phase")) {
      plan_.phases.push_back(ReadPhase(*table));
    }
  }

  // A file the plan names, beside the plan unless absolute.
  std::filesystem::path Beside(const toml::node& node, const std::string& key) const {
    return std::filesystem::absolute(file_).parent_path() / NonEmptyText(node, key);
  }

  // The board profile; it must be there before a console is started with it or a file step
  // looks for its volumes.
  void ReadBoard(const toml::node& node) {
    const std::filesystem::path board = Beside(node, "board");
    struct stat status {};
    if (::stat(board.c_str(), &status) != 0) {
      Fail(node.source(), "the board profile " + board.string() + " cannot be read (" +
                              std::strerror(errno) + ")");
    }
    if (!S_ISREG(status.st_mode)) {
      Fail(node.source(), "the board profile " + board.string() + " is not a regular file");
    }
    plan_.board = board;
  }

  Phase ReadPhase(const toml::table& table) {
    static constexpr auto kKeys = std::to_array<TomlKey<KeyReader>>({
        {"name", &Reader::ReadPhaseName},
        {"attempts", &Reader::ReadAttempts},
        {"repeat", &Reader::ReadRepeat},
        {"on_fail", &Reader::ReadOnFail},
        {"setup", &Reader::ReadSetup},
        {"step", &Reader::ReadSteps},
        {"teardown", &Reader::ReadTeardown},
    });
    phase_ = Phase{};
    repeat_ = nullptr;
    ReadTomlKeys(table, kKeys, UnknownKey(" in a phase"), *this);
    if (phase_.name.empty()) Fail(table.source(), "the phase has no name");
    // A retry inside a repeated run would hide the spread the repeats are there to measure.
    if (phase_.repeat > 1 && phase_.attempts > 1) {
      Fail(repeat_->source(), "a repeated phase takes no attempts: each run counts as it ends");
    }
    measurement_names_.clear();
    return std::move(phase_);
  }

  void ReadPhaseName(const toml::node& node) {
    phase_.name = NonEmptyText(node, "name");
    if (!phase_names_.insert(phase_.name).second) {
      Fail(node.source(), "a second phase named " + Quoted(phase_.name));
    }
  }

  void ReadAttempts(const toml::node& node) {
    phase_.attempts = static_cast<int>(TomlIntegerIn(node, "attempts", 1, kMostAttempts));
  }

  void ReadRepeat(const toml::node& node) {
    repeat_ = &node;
    phase_.repeat = static_cast<int>(TomlIntegerIn(node, "repeat", 1, kMostRepeats));
  }

  void ReadOnFail(const toml::node& node) {
    const std::string text = Text(node, "on_fail");
    if (text == "continue") {
      phase_.on_fail = OnFail::kContinue;
    } else if (text != "stop") {
      Fail(node.source(), "on_fail must be \"stop\" or \"continue\", not " + Quoted(text));
    }
  }

  void ReadSetup(const toml::node& node) { ReadStepList(node, "setup", phase_.setup); }
  void ReadSteps(const toml::node& node) { ReadStepList(node, "step", phase_.steps); }
  void ReadTeardown(const toml::node& node) { ReadStepList(node, "teardown", phase_.teardown); }

  void ReadStepList(const toml::node& node, const std::string& name, std::vector<Step>& steps) {
    for (const toml::table* step : TablesIn(node, name)) steps.push_back(ReadStep(*step));
  }

  // One step: exactly one key, its kind, says what it does; the others, the kind's options, how.
  Step ReadStep(const toml::table& table) {
    static const auto kKinds = std::to_array<TomlKey<StepKind>>({
        {"command", {{}, &Reader::ReadCommand}},
        {"message", {{"wparam", "lparam"}, &Reader::ReadMessage}},
        {"text", {{"id"}, &Reader::ReadText}},
        {"select", {{"start", "end"}, &Reader::ReadSelect}},
        {"pause_ms", {{}, &Reader::ReadPause}},
        {"expect", {{"scope", "timeout_ms"}, &Reader::ReadExpect}},
        {"measure", {{"source", "number", "timeout_ms", "limits"}, &Reader::ReadMeasure}},
        {"elapsed",
         {{"from", "to", "timeout_ms", "low", "high", "marginal", "equals", "matches", "units"},
          &Reader::ReadElapsed}},
        {"prompt",
         {{"name", "kind", "choices", "accept", "picture", "low", "high", "marginal", "equals",
           "matches", "units"},
          &Reader::ReadPrompt}},
        {"file", {{"name", "present", "samples", "every_ms"}, &Reader::ReadFile}},
        {"instrument",
         {{"write", "query", "name", "number", "low", "high", "marginal", "equals", "matches",
           "units"},
          &Reader::ReadInstrumentStep}},
    });
    const TomlKey<StepKind>* kind = nullptr;
    const toml::node* kind_node = nullptr;
    for (auto&& [key, node] : table) {
      const TomlKey<StepKind>* found = FindTomlKey(kKinds, key.str());
      if (found == nullptr) continue;
      if (kind != nullptr) {
        Fail(key.source(), "a step does one thing: both " + std::string(kind->name) + " and " +
                               std::string(key.str()));
      }
      kind = found;
      kind_node = &node;
    }
    if (kind == nullptr) {
      const std::string needed = "a step needs one of " + TomlKeyNames(kKinds);
      // A misspelt kind ("comand") is a key no step knows: name it where it stands.
      for (auto&& [key, node] : table) {
        if (!AnyKindTakes(kKinds, key.str())) {
          Fail(key.source(), "unknown key " + Quoted(key.str()) + " in a step (" + needed + ")");
        }
      }
      Fail(table.source(), needed);
    }
    Allow(table, std::string(kind->name), kind->how.options);
    // The line of the key that says what the step does: a table's own region is not always known.
    return Step{(this->*kind->how.parse)(table, *kind_node),
                static_cast<int>(kind_node->source().begin.line)};
  }

  template <typename Kinds>
  static bool AnyKindTakes(const Kinds& kinds, std::string_view option) {
    return std::any_of(kinds.begin(), kinds.end(), [&](const TomlKey<StepKind>& kind) {
      return std::find(kind.how.options.begin(), kind.how.options.end(), option) !=
             kind.how.options.end();
    });
  }

  StepAction ReadCommand(const toml::table&, const toml::node& value) {
    return Console(value, sender::CommandRequest{CommandId(value)});
  }

  StepAction ReadMessage(const toml::table& table, const toml::node& value) {
    return Console(value,
                   sender::MessageRequest{TomlIntegerIn(value, "message", 0, 65535),
                                          Optional(table, "wparam", 0, INT32_MIN, INT32_MAX),
                                          Optional(table, "lparam", 0, INT32_MIN, INT32_MAX)});
  }

  StepAction ReadText(const toml::table& table, const toml::node& value) {
    return Console(value, sender::TextRequest{ControlId(Needed(table, "id", "a text step"), "id"),
                                              Text(value, "text")});
  }

  StepAction ReadSelect(const toml::table& table, const toml::node& value) {
    return Console(value, sender::SelectRequest{ControlId(value, "select"),
                                                Optional(table, "start", 0, -1, INT32_MAX),
                                                Optional(table, "end", -1, -1, INT32_MAX)});
  }

  StepAction ReadPause(const toml::table&, const toml::node& value) {
    return PauseStep{TomlIntegerIn(value, "pause_ms", 0, kLongestWaitMs)};
  }

  ConsoleStep Console(const toml::node& where, sender::Action action) const {
    sender::Request request{action, sender::Delivery::AfterHandler};
    if (auto fault = sender::Validate(request)) Fail(where.source(), fault->message);
    return ConsoleStep{std::move(action)};
  }

  StepAction ReadExpect(const toml::table& table, const toml::node& value) {
    ExpectStep expect;
    expect.request.pattern = Text(value, "expect");
    expect.request.timeout_ms = Optional(table, "timeout_ms", 5000, 1, kLongestWaitMs);
    const toml::node* scope = table.get("scope");
    const std::string text = scope ? Text(*scope, "scope") : std::string("phase");
    if (text == "phase") {
      expect.phase = Compile(value, expect.request.pattern);
      return expect;
    }
    if (text == "new") {
      expect.request.scope = sender::ExpectScope::kNew;
    } else if (text == "whole") {
      expect.request.scope = sender::ExpectScope::kWhole;
    } else if (text == "box") {
      expect.request.scope = sender::ExpectScope::kBox;
    } else {
      Fail(scope->source(),
           "scope must be \"phase\", \"new\", \"whole\" or \"box\", not " + Quoted(text));
    }
    // The console's own check, pattern included, so that it never refuses the step later.
    Console(value, expect.request);
    return expect;
  }

  StepAction ReadMeasure(const toml::table& table, const toml::node& value) {
    MeasureStep measure;
    measure.capture = Compile(value, Text(value, "measure"));
    const auto& groups = measure.capture->group_names();
    if (groups.empty()) {
      Fail(value.source(), "the capture has no named group, (?<name>...), to measure");
    }
    if (const toml::node* source = table.get("source")) {
      const std::string text = Text(*source, "source");
      if (text == "record") {
        measure.source = MeasureSource::kRecord;
      } else if (text != "pane") {
        Fail(source->source(), "source must be \"pane\" or \"record\", not " + Quoted(text));
      }
    }
    if (const toml::node* number = table.get("number")) {
      const std::string text = Text(*number, "number");
      if (text == "hex") {
        measure.base = NumberBase::kHex;
      } else if (text == "text") {
        measure.base = NumberBase::kText;
      } else if (text != "decimal") {
        Fail(number->source(),
             "number must be \"decimal\", \"hex\" or \"text\", not " + Quoted(text));
      }
    }
    measure.timeout_ms = Optional(table, "timeout_ms", measure.timeout_ms, 0, kLongestWaitMs);
    const toml::node* limits = table.get("limits");
    const toml::table* limit_table = limits ? limits->as_table() : nullptr;
    if (limits && !limit_table) Fail(limits->source(), "limits must be a table");
    for (const std::string& group : groups) {
      const toml::node* limit = limit_table ? limit_table->get(group) : nullptr;
      if (limit == nullptr) {
        Fail((limits ? *limits : value).source(),
             "no limit for the captured " + Quoted(group) + " (limits." + group + " = {...})");
      }
      NewMeasurement(*limit, group);
      measure.limits.emplace(group, ReadLimit(*limit, group));
    }
    if (limit_table) {
      for (auto&& [key, node] : *limit_table) {
        if (!measure.limits.contains(std::string(key.str()))) {
          Fail(key.source(), "the capture has no group named " + Quoted(key.str()));
        }
      }
    }
    return measure;
  }

  StepAction ReadElapsed(const toml::table& table, const toml::node& value) {
    ElapsedStep elapsed;
    elapsed.name = NonEmptyText(value, "elapsed");
    NewMeasurement(value, elapsed.name);
    const toml::node& from = Needed(table, "from", "elapsed");
    const toml::node& to = Needed(table, "to", "elapsed");
    elapsed.from = Compile(from, Text(from, "from"));
    elapsed.to = Compile(to, Text(to, "to"));
    elapsed.timeout_ms = Optional(table, "timeout_ms", elapsed.timeout_ms, 0, kLongestWaitMs);
    elapsed.limit = ReadLimit(table, elapsed.name);
    return elapsed;
  }

  StepAction ReadFile(const toml::table& table, const toml::node& value) {
    FileStep file;
    file.name = NonEmptyText(Needed(table, "name", "a file step"), "name");
    file.paths = Texts(value, "file");
    if (file.paths.empty()) Fail(value.source(), "file names no path");
    for (const std::string& path : file.paths) {
      // "\VOLUME\NAME...": which volumes there are is the run's to know.
      if (!path.starts_with('\\') || path.find('\\', 1) == std::string::npos ||
          path.ends_with('\\')) {
        Fail(value.source(), Quoted(path) + " is no file on a volume (\\VOLUME\\NAME)");
      }
    }
    if (const toml::node* present = table.get("present")) {
      static const std::map<std::string, Presence, std::less<>> kPresences = {
          {"all", Presence::kAll},
          {"at_least_one", Presence::kAtLeastOne},
          {"exactly_one", Presence::kExactlyOne},
          {"none", Presence::kNone}};
      const std::string text = Text(*present, "present");
      const auto found = kPresences.find(text);
      if (found == kPresences.end()) {
        Fail(present->source(), "present must be \"all\", \"at_least_one\", \"exactly_one\" "
                                "or \"none\", not " +
                                    Quoted(text));
      }
      file.present = found->second;
    }
    file.samples = Optional(table, "samples", file.samples, 1, kMostSamples);
    file.every_ms = Optional(table, "every_ms", file.every_ms, 0, kLongestWaitMs);
    for (std::int64_t sample = 1; sample <= file.samples; ++sample) {
      NewMeasurement(value, SampleName(file.name, sample));
    }
    return file;
  }

  StepAction ReadPrompt(const toml::table& table, const toml::node& value) {
    PromptStep prompt;
    prompt.text = NonEmptyText(value, "prompt");
    const toml::node& name = Needed(table, "name", "prompt");
    prompt.name = NonEmptyText(name, "name");
    if (prompts_.contains(prompt.name)) {
      Fail(name.source(), "a second prompt named " + Quoted(prompt.name));
    }
    const std::string kind =
        table.get("kind") ? Text(*table.get("kind"), "kind") : std::string("confirm");
    if (kind == "number") {
      prompt.kind = PromptKind::kNumber;
      NewMeasurement(name, prompt.name);
      prompt.limit = ReadLimit(table, prompt.name);
    } else if (kind == "choice") {
      prompt.kind = PromptKind::kChoice;
      const toml::node& choices = Needed(table, "choices", "a choice prompt");
      prompt.choices = Texts(choices, "choices");
      if (prompt.choices.empty()) Fail(choices.source(), "choices is empty");
      if (const toml::node* accept = table.get("accept")) {
        prompt.accept = Texts(*accept, "accept");
        for (const std::string& answer : prompt.accept) {
          if (std::find(prompt.choices.begin(), prompt.choices.end(), answer) ==
              prompt.choices.end()) {
            Fail(accept->source(), "accept names " + Quoted(answer) + ", not one of the choices");
          }
        }
      }
    } else if (kind != "confirm") {
      Fail(table.get("kind")->source(),
           "kind must be \"confirm\", \"number\" or \"choice\", not " + Quoted(kind));
    }
    const bool limited = table.contains("low") || table.contains("high") ||
                         table.contains("equals") || table.contains("matches");
    if (kind != "number" && limited) Fail(table.source(), "only a number prompt has limits");
    if (kind != "choice" && (table.contains("choices") || table.contains("accept"))) {
      Fail(table.source(), "only a choice prompt has choices");
    }
    if (const toml::node* picture = table.get("picture")) prompt.picture = Picture(*picture);
    prompts_.emplace(prompt.name, prompt);
    return prompt;
  }

  // A prompt's picture: a PNG or a JPEG file of a sane size, there when the plan is read.
  std::filesystem::path Picture(const toml::node& node) const {
    std::filesystem::path picture = Beside(node, "picture");
    try {
      if (!IsPicture(ReadWholeFile(picture, kMaxPictureBytes))) {
        Fail(node.source(), "the picture " + picture.string() + " is neither PNG nor JPEG");
      }
    } catch (const PlanError& error) {
      Fail(node.source(), error.what());
    }
    return picture;
  }

  // A limit written as its own table, limits.NAME = { low = 1, high = 2 }.
  Limit ReadLimit(const toml::node& node, const std::string& measurement) {
    const toml::table* table = node.as_table();
    if (table == nullptr) {
      Fail(node.source(), "the limit of " + Quoted(measurement) + " must be a table");
    }
    static const std::set<std::string_view> kLimitKeys = {"low",    "high",    "marginal",
                                                          "equals", "matches", "units"};
    for (auto&& [key, value] : *table) {
      if (!kLimitKeys.contains(key.str())) {
        Fail(key.source(),
             "unknown key " + Quoted(key.str()) + " in the limit of " + Quoted(measurement));
      }
    }
    return ReadLimit(*table, measurement);
  }

  // A limit from `table`'s keys low/high/marginal, equals, matches and units; other keys are
  // the caller's to check.
  Limit ReadLimit(const toml::table& table, const std::string& measurement) {
    Limit limit;
    const toml::node* low = table.get("low");
    const toml::node* high = table.get("high");
    const toml::node* marginal = table.get("marginal");
    const toml::node* equals = table.get("equals");
    const toml::node* matches = table.get("matches");
    const int kinds = (low || high) + (equals != nullptr) + (matches != nullptr);
    if (kinds > 1) {
      Fail(table.source(), Quoted(measurement) + " has more than one of low/high, equals, matches");
    }
    if ((low == nullptr) != (high == nullptr)) {
      Fail(table.source(), "a range of " + Quoted(measurement) + " needs both low and high");
    }
    if (marginal && !low) Fail(marginal->source(), "marginal belongs to a range (low, high)");
    if (low) {
      limit.check = RangeLimit{Real(*low, "low"), Real(*high, "high"),
                               marginal ? Real(*marginal, "marginal") : 0.0};
    } else if (equals) {
      if (equals->is_string()) {
        limit.check = EqualsLimit{Text(*equals, "equals")};
      } else {
        limit.check = EqualsLimit{Real(*equals, "equals")};
      }
    } else if (matches) {
      limit.check = MatchesLimit{Compile(*matches, Text(*matches, "matches"))};
    }
    if (const toml::node* units = table.get("units")) limit.units = Text(*units, "units");
    if (auto fault = LimitFault(limit)) {
      Fail((low ? *low : *static_cast<const toml::node*>(&table)).source(),
           Quoted(measurement) + ": " + *fault);
    }
    return limit;
  }

  std::map<std::string, std::vector<std::string>> ReadAnswers(const toml::node& node) {
    const toml::table* table = node.as_table();
    if (table == nullptr) Fail(node.source(), "answers must be a table: prompt = [\"ok\", ...]");
    std::map<std::string, std::vector<std::string>> answers;
    for (auto&& [key, value] : *table) {
      const std::string name(key.str());
      const auto prompt = prompts_.find(name);
      if (prompt == prompts_.end()) Fail(key.source(), "no prompt named " + Quoted(name));
      std::vector<std::string> list = Texts(value, "answers." + name);
      for (const std::string& answer : list) {
        if (!AnswerFits(prompt->second, answer)) {
          Fail(value.source(), Quoted(answer) + " is no answer to the prompt " + Quoted(name));
        }
      }
      answers.emplace(name, std::move(list));
    }
    return answers;
  }

  // The tables of an array of tables ([[phase.step]]).
  // Pointers into the document: a copied table would lose where it stands in the file.
  std::vector<const toml::table*> TablesIn(const toml::node& node, const std::string& name) const {
    const toml::array* array = node.as_array();
    if (array == nullptr || !array->is_array_of_tables()) {
      Fail(node.source(), name + " must be written [[" + name + "]]");
    }
    std::vector<const toml::table*> tables;
    for (const toml::node& element : *array) tables.push_back(element.as_table());
    return tables;
  }

  void Allow(const toml::table& step, const std::string& kind,
             const std::vector<std::string_view>& options) const {
    for (auto&& [key, node] : step) {
      if (key.str() == kind) continue;
      if (std::find(options.begin(), options.end(), key.str()) == options.end()) {
        std::string known;
        for (std::string_view option : options)
          known += (known.empty() ? "" : ", ") + std::string(option);
        Fail(key.source(), "unknown key " + Quoted(key.str()) + " in a " + kind + " step" +
                               (known.empty() ? "" : " (known: " + known + ")"));
      }
    }
  }

  void NewMeasurement(const toml::node& where, const std::string& name) {
    if (!measurement_names_.insert(name).second) {
      Fail(where.source(), "a second measurement named " + Quoted(name) + " in the phase");
    }
  }

  std::shared_ptr<const Pattern> Compile(const toml::node& where, const std::string& text) const {
    std::string error;
    std::shared_ptr<const Pattern> pattern = Pattern::Compile(text, error);
    if (!pattern) Fail(where.source(), error);
    return pattern;
  }

  const toml::node& Needed(const toml::table& table, const char* key, const std::string& what) {
    const toml::node* node = table.get(key);
    if (node == nullptr) Fail(table.source(), what + " needs " + key);
    return *node;
  }

  std::int64_t Id(const toml::node& node, const std::string& name) const {
    return TomlIntegerIn(node, name, 0, 65535);
  }
  // An id the console's command table or one of its controls answers: a click on any other
  // would do nothing and pass.
  std::int64_t CommandId(const toml::node& node) const {
    const std::int64_t id = Id(node, "command");
    if (!IsConsoleCommandId(id)) {
      Fail(node.source(), "command " + std::to_string(id) +
                              " is no control or command of the "
                              "console");
    }
    return id;
  }
  std::int64_t ControlId(const toml::node& node, const std::string& name) const {
    const std::int64_t id = Id(node, name);
    if (!IsConsoleControlId(id)) {
      Fail(node.source(), name + " " + std::to_string(id) + " is no control of the console");
    }
    return id;
  }
  std::int64_t Optional(const toml::table& table, const char* key, std::int64_t fallback,
                        std::int64_t least, std::int64_t most) const {
    const toml::node* node = table.get(key);
    return node ? TomlIntegerIn(*node, key, least, most) : fallback;
  }

  double Real(const toml::node& node, const std::string& name) const {
    if (const auto integer = node.value_exact<std::int64_t>()) return static_cast<double>(*integer);
    if (const auto real = node.value_exact<double>()) return *real;
    FailTomlType(node, name, "a number");
  }

  std::string Text(const toml::node& node, const std::string& name) const {
    return TomlString(node, name, "a text");
  }
  std::string NonEmptyText(const toml::node& node, const std::string& name) const {
    std::string text = Text(node, name);
    if (text.empty()) Fail(node.source(), name + " must not be empty");
    return text;
  }
  std::vector<std::string> Texts(const toml::node& node, const std::string& name) const {
    const toml::array* array = node.as_array();
    if (array == nullptr) FailTomlType(node, name, "a list of texts");
    std::vector<std::string> texts;
    for (const toml::node& element : *array) texts.push_back(Text(element, name));
    return texts;
  }

  // ReadTomlText tells it with the plan's name and the line.
  [[noreturn]] void Fail(const toml::source_region& where, const std::string& what) const {
    throw platform::TomlSettingError(where, what);
  }

  std::filesystem::path file_;
  Plan plan_;
  const toml::node* answers_ = nullptr;
  Phase phase_;                         // the phase being read
  const toml::node* repeat_ = nullptr;  // its repeat, where it stands
  std::set<std::string> phase_names_;
  std::set<std::string> measurement_names_;
  std::map<std::string, PromptStep> prompts_;
  // Each instrument step's role, where it stands: checked once every instrument is known.
  std::vector<std::pair<std::string, toml::source_region>> step_roles_;
};

}  // namespace

Plan ReadPlan(const std::filesystem::path& file) { return Reader(file).Read(); }

std::string ReadWholeFile(const std::filesystem::path& file, std::size_t max_bytes) {
  namespace posix = platform::posix;
  posix::SmallFile read = posix::ReadSmallFile(file.c_str(), max_bytes);
  const auto fail = [&](const std::string& what) { return PlanError(file.string() + ": " + what); };
  switch (read.fault) {
    case posix::SmallFileFault::kNone:
      return std::move(read.text);
    case posix::SmallFileFault::kNotRegularFile:
      throw fail("is not a regular file");
    case posix::SmallFileFault::kTooLarge:
      throw fail("is larger than " + std::to_string(max_bytes) + " bytes");
    case posix::SmallFileFault::kCannotOpen:
    case posix::SmallFileFault::kCannotExamine:
    case posix::SmallFileFault::kCannotRead:
      break;
  }
  throw fail(std::string("cannot be read (") + std::strerror(read.call.error) + ")");
}

}  // namespace plan
