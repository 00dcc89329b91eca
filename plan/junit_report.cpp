#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <map>
#include <vector>

#include "plan/run_report.h"
#include "sender/overloaded.h"

namespace plan {

namespace {

constexpr char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD

// The length of the UTF-8 sequence at the start of `text` when it is one XML can hold (well
// formed, neither U+FFFE nor U+FFFF), or 0.
std::size_t XmlCharacterLength(std::string_view text) {
  const auto byte = [&](std::size_t at) { return static_cast<unsigned char>(text[at]); };
  const unsigned char lead = byte(0);
  if (lead < 0x80) return 1;
  std::size_t length = 0;
  unsigned char lowest = 0x80, highest = 0xBF;  // of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) lowest = 0xA0;
    if (lead == 0xED) highest = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) lowest = 0x90;
    if (lead == 0xF4) highest = 0x8F;
  } else {
    return 0;
  }
  if (text.size() < length || byte(1) < lowest || byte(1) > highest) return 0;
  for (std::size_t at = 2; at < length; ++at) {
    if (byte(at) < 0x80 || byte(at) > 0xBF) return 0;
  }
  if (lead == 0xEF && byte(1) == 0xBF && byte(2) >= 0xBE) return 0;
  return length;
}

// Text for XML: the markup characters escaped, and what XML 1.0 cannot hold at all (most control
// characters, bytes that are no UTF-8) written as U+FFFD. In an attribute every line break and
// tab is a character reference, or a reader would fold it into a space; in an element's text,
// lines stay lines.
std::string Escaped(std::string_view text, bool attribute = true) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t at = 0; at < text.size();) {
    const char c = text[at];
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\n':
        out += attribute ? "&#10;" : "\n";
        break;
      case '\r':
        out += "&#13;";
        break;
      case '\t':
        out += "&#9;";
        break;
      default: {
        const std::size_t length =
            static_cast<unsigned char>(c) < 0x20 ? 0 : XmlCharacterLength(text.substr(at));
        if (length == 0) {
          out += kReplacement;
          break;
        }
        out += text.substr(at, length);
        at += length;
        continue;
      }
    }
    ++at;
  }
  return out;
}

std::string Seconds(WallTime begin, WallTime end) {
  const double seconds = std::chrono::duration<double>(end - begin).count();
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", seconds < 0 ? 0.0 : seconds);
  return text;
}

std::string Property(const std::string& name, const std::string& value) {
  return "      <property name=\"" + Escaped(name) + "\" value=\"" + Escaped(value) + "\"/>\n";
}

std::string Units(const Limit& limit) { return limit.units.empty() ? "" : " " + limit.units; }

// What the limit asks, with its units.
std::string LimitText(const Limit& limit) {
  return std::visit(sender::Overloaded{
                        [](const NoLimit&) { return std::string("recorded only"); },
                        [&](const RangeLimit& range) {
                          std::string text = "limits [" + NumberText(range.low) + ", " +
                                             NumberText(range.high) + "]" + Units(limit);
                          if (range.marginal > 0) {
                            text +=
                                ", marginal within " + NumberText(range.marginal) + " of either";
                          }
                          return text;
                        },
                        [&](const EqualsLimit& equals) {
                          if (const auto* number = std::get_if<double>(&equals.value)) {
                            return "must be " + NumberText(*number) + Units(limit);
                          }
                          return "must be \"" + std::get<std::string>(equals.value) + "\"";
                        },
                        [](const MatchesLimit& matches) {
                          return "must match /" + matches.pattern->text() + "/";
                        },
                    },
                    limit.check);
}

// The value in decimal with its units, and the text as captured where it reads otherwise (hex,
// say, or the files found).
std::string ValueText(const MeasurementResult& measurement) {
  if (!measurement.value) return "(none)";
  if (!measurement.value->number) return "\"" + measurement.value->text + "\"";
  const std::string number = NumberText(*measurement.value->number);
  std::string text = number + Units(measurement.limit);
  if (measurement.value->text != number) text += " (read \"" + measurement.value->text + "\")";
  return text;
}

// "ch1 (run 2) = 64 count (read \"40\"), limits [24, 40] count: FAIL": the run and the attempt
// only where the phase made more than one.
std::string Reading(const MeasurementResult& measurement, const PhaseResult& phase) {
  std::string where;
  if (phase.repeats > 1) where += "run " + std::to_string(measurement.repeat);
  if (phase.attempts > phase.repeats) {
    where +=
        (where.empty() ? "" : ", ") + std::string("attempt ") + std::to_string(measurement.attempt);
  }
  return measurement.name + (where.empty() ? "" : " (" + where + ")") + " = " +
         ValueText(measurement) + ", " + LimitText(measurement.limit) + ": " +
         (measurement.verdict == Verdict::kFail       ? "FAIL"
          : measurement.verdict == Verdict::kMarginal ? "PASS (marginal)"
                                                      : "PASS");
}

// The measurements that decided the phase's runs: those of each run's last attempt.
std::vector<const MeasurementResult*> Deciding(const PhaseResult& phase) {
  std::map<int, int> last_attempt;  // by run
  for (const auto& measurement : phase.measurements) {
    int& last = last_attempt[measurement.repeat];
    last = std::max(last, measurement.attempt);
  }
  std::vector<const MeasurementResult*> deciding;
  for (const auto& measurement : phase.measurements) {
    if (measurement.attempt == last_attempt[measurement.repeat]) deciding.push_back(&measurement);
  }
  return deciding;
}

// A test case's opening tag.
std::string TestCase(const std::string& name, const std::string& classname,
                     const std::string& seconds) {
  return "    <testcase name=\"" + Escaped(name) + "\" classname=\"" + Escaped(classname) +
         "\" time=\"" + seconds + "\"";
}

// What did not pass, as a failure or an error element inside a test case.
std::string Fault(const char* element, const std::string& type, const std::string& message,
                  const std::string& text) {
  return ">\n      <" + std::string(element) + " message=\"" + Escaped(message) + "\" type=\"" +
         type + "\">" + Escaped(text, false) + "</" + element + ">\n    </testcase>\n";
}

// The machine the run took place on, "localhost" when it has no name, as the schema asks.
std::string HostName() {
  char name[256] = {};
  if (::gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') return "localhost";
  return name;
}

}  // namespace

std::string WallTimeText(WallTime time) {
  const auto since_epoch = time.time_since_epoch();
  const auto seconds = std::chrono::floor<std::chrono::seconds>(since_epoch);
  const auto millis =
      std::chrono::duration_cast<std::chrono::milliseconds>(since_epoch - seconds).count();
  const std::time_t whole = static_cast<std::time_t>(seconds.count());
  std::tm utc{};
  gmtime_r(&whole, &utc);
  char text[48];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900,
                utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec,
                static_cast<int>(millis));
  return text;
}

std::string PathInRecord(const std::string& path, const std::filesystem::path& folder) {
  if (path.empty()) return path;
  const std::filesystem::path relative =
      std::filesystem::absolute(path).lexically_normal().lexically_relative(
          std::filesystem::absolute(folder).lexically_normal());
  return relative.empty() ? path : relative.generic_string();
}

std::string JunitReport(const RunResult& run, const std::filesystem::path& folder) {
  int tests = 0, failures = 0, errors = 0, skipped = 0;
  std::string cases, output;
  for (const auto& phase : run.phases) {
    ++tests;
    cases +=
        TestCase(phase.name, run.plan_name,
                 phase.outcome == Outcome::kSkipped ? "0.000" : Seconds(phase.start, phase.end));
    const std::string type(OutcomeName(phase.outcome));
    output += phase.name + ": " + VerdictText(phase.outcome, phase.marginal) +
              (phase.message.empty() ? "" : ": " + phase.message) + "\n";
    switch (phase.outcome) {
      case Outcome::kPass:
        cases += "/>\n";
        break;
      case Outcome::kSkipped:
        ++skipped;
        cases +=
            ">\n      <skipped message=\"" + Escaped(phase.message) + "\"/>\n    </testcase>\n";
        break;
      case Outcome::kFail:
        ++failures;
        cases += Fault("failure", type, phase.message, phase.message);
        break;
      default:
        ++errors;
        cases += Fault("error", type, phase.message, phase.message);
    }
    for (const auto& measurement : phase.measurements) {
      output += "  " + Reading(measurement, phase) +
                (measurement.message.empty() ? "" : ": " + measurement.message) + "\n";
    }
    for (const MeasurementResult* measurement : Deciding(phase)) {
      ++tests;
      const std::string reading = Reading(*measurement, phase);
      cases += TestCase(reading, run.plan_name + "." + phase.name, "0.000");
      if (measurement->verdict == Verdict::kFail) {
        ++failures;
        cases +=
            Fault("failure", "FAIL", measurement->message, reading + ": " + measurement->message);
      } else {
        cases += "/>\n";
      }
    }
  }
  // The schema's timestamp has no zone: the same UTC time without its milliseconds and "Z".
  const std::string timestamp = WallTimeText(run.start).substr(0, 19);
  std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites>\n";
  xml += "  <testsuite name=\"" + Escaped(run.plan_name) + "\" tests=\"" + std::to_string(tests) +
         "\" failures=\"" + std::to_string(failures) + "\" errors=\"" + std::to_string(errors) +
         "\" skipped=\"" + std::to_string(skipped) + "\" time=\"" + Seconds(run.start, run.end) +
         "\" timestamp=\"" + timestamp + "\" hostname=\"" + Escaped(HostName()) + "\" id=\"0\"" +
         " package=\"" + Escaped(run.unit) + "\">\n    <properties>\n";
  xml += Property("unit", run.unit);
  xml += Property("station", run.station);
  if (!run.operator_name.empty()) xml += Property("operator", run.operator_name);
  xml += Property("outcome", VerdictText(run.outcome, run.marginal));
  xml += Property("plan.file", PathInRecord(run.plan_file, folder));
  if (!run.plan_revision.empty()) xml += Property("plan.revision", run.plan_revision);
  xml += Property("console.version", run.console_version);
  if (run.board_profile) {
    xml += Property("console.board_profile", PathInRecord(*run.board_profile, folder));
  }
  for (const InstrumentIdentity& instrument : run.instruments) {
    xml += Property("instrument." + instrument.role + ".address", instrument.address);
    xml += Property("instrument." + instrument.role + ".idn", instrument.idn);
  }
  if (!run.instrument_log.empty()) {
    xml += Property("instrument.log", PathInRecord(run.instrument_log, folder));
  }
  xml += "    </properties>\n" + cases + "    <system-out>" + Escaped(output, false) +
         "</system-out>\n    <system-err/>\n  </testsuite>\n</testsuites>\n";
  return xml;
}

}  // namespace plan
