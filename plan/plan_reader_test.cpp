// The plan reader against plans with one mistake each: every one is refused with the file, the
// line at fault and what is wrong.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>
#include <set>

#include "plan/plan_reader.h"
#include "plan/plan_revision.h"
#include "plan/unit_check.h"
#include "testing/temp_dir.h"

namespace {

constexpr char kHead[] = "name = \"p\"\n[[phase]]\nname = \"a\"\n";  // lines 1 to 3

std::filesystem::path WritePlan(const testing_support::TempDir& folder, const std::string& text) {
  auto file = folder.path() / "plan.toml";
  std::ofstream(file) << text;
  return file;
}

// The first bytes of a PNG file, which is all the reader looks at.
constexpr char kPng[] = "\x89PNG\r\n\x1a\n";

TEST(PlanReaderTest, ReadsAWholePlan) {
  testing_support::TempDir folder;
  const auto file = WritePlan(folder, std::string(kHead) + R"(attempts = 3
[[phase.setup]]
command = 1058
[[phase.step]]
text = "0101234567"
id = 1017
[[phase.step]]
measure = 'N: (?<n>\d+)'
limits.n = { low = 1, high = 5, marginal = 1, units = "V" }
[[phase.step]]
prompt = "plug the loopback connector into COM1, then OK"
name = "plug"
[[phase.teardown]]
command = 1059
[answers]
plug = ["retry", "ok"]
)");
  const plan::Plan plan = plan::ReadPlan(file);
  ASSERT_EQ(plan.phases.size(), 1u);
  const plan::Phase& phase = plan.phases[0];
  EXPECT_EQ(phase.attempts, 3);
  EXPECT_EQ(phase.setup.size(), 1u);
  EXPECT_EQ(phase.steps.size(), 3u);
  EXPECT_EQ(phase.teardown.size(), 1u);
  EXPECT_EQ(phase.steps[0].line, 8);
  EXPECT_EQ(phase.steps[1].line, 11);
  const auto& measure = std::get<plan::MeasureStep>(phase.steps[1].action);
  EXPECT_EQ(measure.limits.at("n").units, "V");
  EXPECT_EQ(plan.answers.at("plug"), (std::vector<std::string>{"retry", "ok"}));
}

TEST(PlanReaderTest, ReadsWhatAStationNeedsOfAPhaseAndAPrompt) {
  testing_support::TempDir folder;
  std::filesystem::create_directory(folder.path() / "pictures");
  std::ofstream(folder.path() / "pictures/plug.png") << kPng << "rest";
  const auto file = WritePlan(folder, std::string(kHead) + R"(repeat = 5
on_fail = "continue"
[[phase.step]]
prompt = "plug it in like this"
name = "plug"
picture = "pictures/plug.png"
)");
  const plan::Plan plan = plan::ReadPlan(file);
  const plan::Phase& phase = plan.phases[0];
  EXPECT_EQ(phase.repeat, 5);
  EXPECT_EQ(phase.on_fail, plan::OnFail::kContinue);
  EXPECT_EQ(std::get<plan::PromptStep>(phase.steps[0].action).picture,
            folder.path() / "pictures/plug.png");
}

TEST(PlanReaderTest, UnitPatternTakesOnlySerialNumbersItMatchesWhole) {
  testing_support::TempDir folder;
  const plan::Plan plan = plan::ReadPlan(
      WritePlan(folder, "name = \"p\"\nunit_pattern = 'SN-\\d{4}|SN-\\d{4}-R'\n[[phase]]\n"
                        "name = \"a\"\n"));
  const struct {
    std::string unit;
    bool taken;
  } kCases[] = {{"SN-1234", true},   {"SN-1234-R", true},  {"SN-12345", false},
                {"xSN-1234", false}, {"SN-1234\n", false}, {"", false}};
  for (const auto& c : kCases) {
    const auto refusal = plan::UnitPatternRefusal(plan, c.unit);
    EXPECT_EQ(!refusal.has_value(), c.taken) << c.unit;
    if (refusal) {
      EXPECT_NE(refusal->find("does not match the plan's unit_pattern"), std::string::npos);
    }
  }
  EXPECT_FALSE(plan::UnitPatternRefusal(plan::ReadPlan(WritePlan(folder, kHead)), "anything"));
}

TEST(PlanRevisionTest, ChangesWithThePlanAndEveryFileItNamesButNotWithItsFolder) {
  testing_support::TempDir folder;
  const auto plans = folder.path() / "plans";
  std::filesystem::create_directories(plans / "boards");
  const auto write = [&](const std::string& name, const std::string& text) {
    std::ofstream(plans / name, std::ios::trunc) << text;
  };
  write("boards/b.toml", "[drivers.EAS1]\ndriver = \"sim\"\n");
  write("plug.png", std::string(kPng) + "one");
  write("plan.toml", "name = \"p\"\nboard = \"boards/b.toml\"\n[[phase]]\nname = \"a\"\n"
                     "[[phase.step]]\nprompt = \"?\"\nname = \"q\"\npicture = \"plug.png\"\n");
  const auto revision = [&](const std::filesystem::path& plan_file) {
    return plan::PlanRevision(plan::ReadPlan(plan_file));
  };
  const std::string first = revision(plans / "plan.toml");
  EXPECT_TRUE(first.starts_with("sha256:")) << first;
  EXPECT_EQ(first.size(), 7u + 64u);
  EXPECT_EQ(revision(plans / "plan.toml"), first);
  std::filesystem::rename(plans, folder.path() / "moved");
  EXPECT_EQ(revision(folder.path() / "moved/plan.toml"), first);
  std::filesystem::rename(folder.path() / "moved", plans);
  std::set<std::string> seen{first};
  const std::vector<std::pair<std::string, std::string>> changes = {
      {"boards/b.toml", "[drivers.EAS1]\ndriver = \"absent\"\n"},
      {"plug.png", std::string(kPng) + "two"},
      {"plan.toml", "name = \"p\"\nboard = \"boards/b.toml\"\n[[phase]]\nname = \"a\"\n"}};
  for (const auto& [name, text] : changes) {
    write(name, text);
    EXPECT_TRUE(seen.insert(revision(plans / "plan.toml")).second) << name;
  }
}

TEST(PlanReaderTest, RefusesEveryMistakeWithFileLineAndWhat) {
  constexpr char kSupply[] =
      "name = \"p\"\n[[instrument]]\nrole = \"supply\"\naddress = \"tcp:h\"\nidn = 'PSU'\n"
      "[[phase]]\nname = \"a\"\n[[phase.step]]\n";  // lines 1 to 8
  const struct {
    std::string text;
    std::string message;
  } kBroken[] = {
      {"name = \"p\"\n[[phase]\n", ":2: "},
      {"name = \"p\"\n", ":1: the plan has no [[phase]]"},
      {"name = \"p\"\ncolour = 1\n[[phase]]\nname = \"a\"\n",
       ":2: unknown key \"colour\" (known: name, board, unit_pattern, answers, instrument, phase)"},
      {std::string(kHead) + "tries = 2\n",
       ":4: unknown key \"tries\" in a phase (known: name, attempts, repeat, on_fail, setup, "
       "step, teardown)"},
      {std::string(kHead) + "attempts = 0\n", ":4: attempts must be from 1 to 100, not 0"},
      {std::string(kHead) + "attempts = \"3\"\n", ":4: attempts must be an integer, not a string"},
      {std::string(kHead) + "[[phase]]\nname = \"a\"\n", ":5: a second phase named \"a\""},
      {std::string(kHead) + "[[phase.step]]\ncommand = 70000\n",
       ":5: command must be from 0 to 65535, not 70000"},
      {std::string(kHead) + "[[phase.step]]\ncommand = 1\nsync = true\n",
       ":6: unknown key \"sync\" in a command step"},
      {std::string(kHead) + "[[phase.step]]\ncommand = 1\npause_ms = 2\n",
       ": a step does one thing: both command and pause_ms"},
      {std::string(kHead) + "[[phase.step]]\nid = 1\n",
       ":4: a step needs one of command, message, text, select, pause_ms, expect, measure, "
       "elapsed, prompt, file"},
      {std::string(kHead) + "[[phase.step]]\ncomand = 1009\n",
       ":5: unknown key \"comand\" in a step (a step needs one of command, message, text, "
       "select, pause_ms, expect, measure, elapsed, prompt, file, instrument)"},
      {std::string(kHead) + "[[phase.step]]\ncommand = 9999\n",
       ":5: command 9999 is no control or command of the console"},
      {std::string(kHead) + "[[phase.step]]\ntext = \"x\"\nid = 1006\n",
       ":6: id 1006 is no control of the console"},
      {std::string(kHead) + "[[phase.step]]\nselect = 9999\n",
       ":5: select 9999 is no control of the console"},
      {"name = \"p\"\nboard = \"boards/missing.toml\"\n[[phase]]\nname = \"a\"\n",
       ":2: the board profile "},
      {"name = \"p\"\nboard = \".\"\n[[phase]]\nname = \"a\"\n", ":2: the board profile "},
      {std::string(kHead) + "[[phase.step]]\ntext = \"x\"\n", ":4: a text step needs id"},
      {std::string(kHead) + "[[phase.step]]\nfile = ['SDMMC\\x']\nname = \"f\"\n",
       ":5: \"SDMMC\\x\" is no file on a volume"},
      {std::string(kHead) + "[[phase.step]]\nfile = ['\\SDMMC\\x']\nname = \"f\"\n"
                            "present = \"some\"\n",
       ":7: present must be"},
      {std::string(kHead) + "[[phase.step]]\nmessage = 1654\nwparam = 4294967296\n",
       ":6: wparam must be from"},
      {std::string(kHead) + "[[phase.step]]\nexpect = 'a(b'\n", ":5: bad pattern at character 3"},
      {std::string(kHead) + "[[phase.step]]\nexpect = 'a'\nscope = \"all\"\n",
       ":6: scope must be \"phase\", \"new\", \"whole\" or \"box\""},
      {std::string(kHead) + "[[phase.step]]\nexpect = 'a(b'\nscope = \"new\"\n", ":5: "},
      {std::string(kHead) + "[[phase.step]]\nmeasure = 'a(\\d)'\n",
       ":5: the capture has no named group"},
      {std::string(kHead) + "[[phase.step]]\nmeasure = '(?<v>\\d)'\n",
       ":5: no limit for the captured \"v\""},
      {std::string(kHead) + "[[phase.step]]\nmeasure = '(?<v>\\d)'\nlimits.v = {}\nlimits.w = {}\n",
       ":7: the capture has no group named \"w\""},
      {std::string(kHead) + "[[phase.step]]\nmeasure = '(?<v>\\d)'\n"
                            "limits.v = { low = 5, high = 1 }\n",
       ":6: \"v\": low 5 is above high 1"},
      {std::string(kHead) + "[[phase.step]]\nmeasure = '(?<v>\\d)'\n"
                            "limits.v = { low = 0, high = 4, marginal = 3 }\n",
       ":6: \"v\": marginal 3 is wider than half the range"},
      {std::string(kHead) + "[[phase.step]]\nmeasure = '(?<v>\\d)'\nlimits.v = { low = 0 }\n",
       ":6: a range of \"v\" needs both low and high"},
      {std::string(kHead) + "[[phase.step]]\nmeasure = '(?<v>\\d)'\n"
                            "limits.v = { equals = 1, matches = 'x' }\n",
       ":6: \"v\" has more than one of"},
      {std::string(kHead) + "[[phase.step]]\nmeasure = '(?<v>\\d)'\nlimits.v = { within = 1 }\n",
       ":6: unknown key \"within\" in the limit of \"v\""},
      {std::string(kHead) + "[[phase.step]]\nelapsed = \"t\"\nfrom = 'a'\n",
       ":4: elapsed needs to"},
      {std::string(kHead) + "[[phase.step]]\nprompt = \"?\"\nname = \"q\"\nkind = \"colour\"\n",
       ":7: kind must be \"confirm\", \"number\" or \"choice\""},
      {std::string(kHead) + "[[phase.step]]\nprompt = \"?\"\nname = \"q\"\nkind = \"choice\"\n"
                            "choices = [\"a\"]\naccept = [\"b\"]\n",
       ":9: accept names \"b\", not one of the choices"},
      {std::string(kHead) + "[[phase.step]]\nprompt = \"?\"\nname = \"q\"\n"
                            "[answers]\nq = [\"yes\"]\n",
       ":8: \"yes\" is no answer to the prompt \"q\""},
      {std::string(kHead) + "[answers]\nq = [\"ok\"]\n", ":5: no prompt named \"q\""},
      {std::string(kHead) + "on_fail = \"skip\"\n",
       ":4: on_fail must be \"stop\" or \"continue\", not \"skip\""},
      {std::string(kHead) + "repeat = 1001\n", ":4: repeat must be from 1 to 1000, not 1001"},
      {std::string(kHead) + "attempts = 2\nrepeat = 3\n", ":5: a repeated phase takes no attempts"},
      {"name = \"p\"\nunit_pattern = 'SN-(\\d'\n[[phase]]\nname = \"a\"\n",
       ":2: bad pattern at character"},
      {std::string(kHead) +
           "[[phase.step]]\nprompt = \"?\"\nname = \"q\"\npicture = \"none.png\"\n",
       ":7: "},
      {std::string(kHead) +
           "[[phase.step]]\nprompt = \"?\"\nname = \"q\"\npicture = \"plan.toml\"\n",
       "plan.toml is neither PNG nor JPEG"},
      {std::string(kHead) + "[[phase.step]]\nprompt = \"?\"\nname = \"q\"\npicture = \".\"\n",
       "is not a regular file"},
      // Instruments and the steps on them.
      {"name = \"p\"\n[[instrument]]\nrole = \"supply\"\nidn = 'x'\n",
       ":2: an instrument needs address"},
      {"name = \"p\"\n[[instrument]]\nrole = \"supply\"\naddress = \"tcp:h\"\n",
       ":2: an instrument needs idn"},
      {"name = \"p\"\n[[instrument]]\nrole = \"a b\"\n", ":3: a role is letters, digits"},
      {"name = \"p\"\n[[instrument]]\nrole = \"s\"\naddress = \"gpib:7\"\nidn = 'x'\n",
       ":4: \"gpib:7\": an address is tcp:HOST[:PORT], serial:PATH[@BAUD] or usbtmc:PATH"},
      {"name = \"p\"\n[[instrument]]\nrole = \"s\"\naddress = \"tcp:h:70000\"\nidn = 'x'\n",
       ":4: \"tcp:h:70000\": the port must be a number from 1 to 65535"},
      {"name = \"p\"\n[[instrument]]\nrole = \"s\"\naddress = \"serial:/dev/ttyS0@fast\"\n"
       "idn = 'x'\n",
       ":4: \"serial:/dev/ttyS0@fast\": the baud rate after @ must be a number"},
      {"name = \"p\"\n[[instrument]]\nrole = \"s\"\naddress = \"usbtmc:usbtmc0\"\nidn = 'x'\n",
       ":4: \"usbtmc:usbtmc0\": the USBTMC device must be an absolute path"},
      {"name = \"p\"\n[[instrument]]\nrole = \"s\"\naddress = \"tcp:h\"\nidn = '('\n",
       ":5: bad pattern"},
      {"name = \"p\"\n[[instrument]]\nrole = \"s\"\naddress = \"tcp:h\"\nidn = 'x'\n"
       "safe = \"OUTP OFF\\nVOLT 30\"\n",
       ":6: safe must be one line of printable ASCII"},
      {"name = \"p\"\n[[instrument]]\nrole = \"s\"\naddress = \"tcp:h\"\nidn = 'x'\nport = 1\n",
       ":6: unknown key \"port\" in an instrument"},
      {std::string(kSupply) + "[[instrument]]\nrole = \"supply\"\naddress = \"tcp:h\"\nidn = 'x'\n",
       ": a second instrument with the role \"supply\""},
      {std::string(kSupply) + "instrument = \"meter\"\nwrite = \"*RST\"\n",
       ":9: no [[instrument]] has the role \"meter\""},
      {std::string(kSupply) + "instrument = \"supply\"\n",
       ":8: an instrument step needs one of write and query"},
      {std::string(kSupply) + "instrument = \"supply\"\nwrite = \"*RST\"\nquery = \"*IDN?\"\n",
       ":8: an instrument step needs one of write and query"},
      {std::string(kSupply) + "instrument = \"supply\"\nwrite = \"OUTP ON\"\nlow = 1\nhigh = 2\n",
       ":8: only a query has a name, a number and limits"},
      {std::string(kSupply) + "instrument = \"supply\"\nquery = \"MEAS:CURR?\"\n",
       ":8: a query needs name"},
      {std::string(kSupply) + "instrument = \"supply\"\nquery = \"MEAS:CURR?\"\nname = \"i\"\n"
                              "number = \"hex\"\n",
       ":12: number must be \"decimal\" or \"text\", not \"hex\""},
      {std::string(kSupply) + "instrument = \"supply\"\nquery = \"MEAS:CURR?\"\nname = \"i\"\n"
                              "low = 2\nhigh = 1\n",
       "\"i\": low 2 is above high 1"},
      {std::string(kSupply) + "instrument = \"supply\"\nquery = \"A?\"\nname = \"i\"\n"
                              "[[phase.step]]\ninstrument = \"supply\"\nquery = \"B?\"\n"
                              "name = \"i\"\n",
       ":15: a second measurement named \"i\" in the phase"},
      {std::string(kSupply) + "instrument = \"supply\"\nwrite = \"*RST\"\ntimeout = 5\n",
       ":11: unknown key \"timeout\" in a instrument step"},
  };
  testing_support::TempDir folder;
  for (const auto& broken : kBroken) {
    const auto file = WritePlan(folder, broken.text);
    try {
      plan::ReadPlan(file);
      ADD_FAILURE() << "taken: " << broken.text;
    } catch (const plan::PlanError& error) {
      const std::string message = error.what();
      EXPECT_TRUE(message.starts_with(file.string() + ":")) << message;
      EXPECT_NE(message.find(broken.message), std::string::npos)
          << message << "\nwanted: " << broken.message;
    }
  }
}

TEST(PlanReaderTest, TakesEveryIdTheConsoleKnows) {
  // OK from the framework's table, a command with no control, a control with no command, a
  // control of the template and its edit control.
  testing_support::TempDir folder;
  const auto file = WritePlan(folder, std::string(kHead) + R"([[phase.step]]
command = 1
[[phase.step]]
command = 1006
[[phase.step]]
command = 1010
[[phase.step]]
command = 1073
[[phase.step]]
select = 1010
)");
  EXPECT_EQ(plan::ReadPlan(file).phases[0].steps.size(), 5u);
}

TEST(PlanReaderTest, RefusesWhatIsNoPlanFileWithoutReadingIt) {
  testing_support::TempDir folder;
  const auto fifo = folder.path() / "fifo.toml";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const auto large = folder.path() / "large.toml";
  std::ofstream(large) << std::string(plan::kMaxPlanBytes + 1, '#');
  for (const auto& [file, message] :
       {std::pair{fifo, "is not a regular file"}, std::pair{large, "is larger than"},
        std::pair{folder.path() / "missing.toml", "cannot be read"}}) {
    try {
      plan::ReadPlan(file);
      ADD_FAILURE() << "taken: " << file;
    } catch (const plan::PlanError& error) {
      EXPECT_NE(std::string(error.what()).find(file.string() + ": " + message), std::string::npos)
          << error.what();
    }
  }
}

// Instruments a plan declares and the steps on them.
TEST(PlanReaderTest, ReadsInstrumentsAndTheirSteps) {
  testing_support::TempDir folder;
  const auto file = WritePlan(folder, R"(name = "p"
[[instrument]]
role = "supply"
address = "tcp:127.0.0.1"
idn = '^Maker,PSU-1,'
safe = "OUTP OFF"
[[phase]]
name = "a"
[[phase.step]]
instrument = "supply"
write = "VOLT 13.8;OUTP ON"
[[phase.step]]
instrument = "supply"
query = "MEAS:CURR?"
name = "idle"
low = 0.1
high = 0.3
units = "A"
)");
  const plan::Plan read = plan::ReadPlan(file);
  ASSERT_EQ(read.instruments.size(), 1u);
  EXPECT_EQ(read.instruments[0].safe, "OUTP OFF");
  EXPECT_EQ(read.instruments[0].timeout_ms, 2000);
  const auto& query = std::get<plan::InstrumentStep>(read.phases[0].steps[1].action);
  EXPECT_TRUE(query.query);
  EXPECT_EQ(query.limit.units, "A");
}

}  // namespace
