#include <chrono>
#include <cstdio>
#include <ctime>

#include <unistd.h>

#include "plan/run_report.h"

namespace plan {

namespace {

// Text for an XML attribute or element: the markup characters escaped, and what XML 1.0 cannot
// hold at all (most control characters) written as U+FFFD.
std::string Escaped(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
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
        out += "&#10;";
        break;
      case '\r':
        out += "&#13;";
        break;
      case '\t':
        out += "&#9;";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          out += "\xEF\xBF\xBD";
        } else {
          out += c;
        }
    }
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

std::string MeasurementText(const MeasurementResult& measurement) {
  std::string text = measurement.value ? measurement.value->text : "(none)";
  if (!measurement.limit.units.empty()) text += " " + measurement.limit.units;
  text += measurement.verdict == Verdict::kFail       ? " FAIL"
          : measurement.verdict == Verdict::kMarginal ? " PASS (marginal)"
                                                      : " PASS";
  return text;
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

std::string JunitReport(const RunResult& run) {
  int failures = 0, errors = 0, skipped = 0;
  for (const auto& phase : run.phases) {
    failures += phase.outcome == Outcome::kFail;
    errors += phase.outcome == Outcome::kError || phase.outcome == Outcome::kTimeout ||
              phase.outcome == Outcome::kAborted;
    skipped += phase.outcome == Outcome::kSkipped;
  }
  // The schema's timestamp has no zone: the same UTC time without its milliseconds and "Z".
  const std::string timestamp = WallTimeText(run.start).substr(0, 19);
  std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites>\n";
  xml += "  <testsuite name=\"" + Escaped(run.plan_name) + "\" tests=\"" +
         std::to_string(run.phases.size()) + "\" failures=\"" + std::to_string(failures) +
         "\" errors=\"" + std::to_string(errors) + "\" skipped=\"" + std::to_string(skipped) +
         "\" time=\"" + Seconds(run.start, run.end) + "\" timestamp=\"" + timestamp +
         "\" hostname=\"" + Escaped(HostName()) + "\" id=\"0\"" + " package=\"" +
         Escaped(run.unit) + "\">\n    <properties>\n";
  xml += Property("unit", run.unit);
  xml += Property("station", run.station);
  xml += Property("outcome", std::string(OutcomeName(run.outcome)));
  xml += Property("console.version", run.console_version);
  if (run.board_profile) xml += Property("console.board_profile", *run.board_profile);
  for (const auto& phase : run.phases) {
    for (const auto& measurement : phase.measurements) {
      xml += Property(phase.name + "." + measurement.name, MeasurementText(measurement));
    }
  }
  xml += "    </properties>\n";
  for (const auto& phase : run.phases) {
    xml += "    <testcase name=\"" + Escaped(phase.name) + "\" classname=\"" +
           Escaped(run.plan_name) + "\" time=\"" +
           (phase.outcome == Outcome::kSkipped ? "0.000" : Seconds(phase.start, phase.end)) + "\"";
    const std::string message = Escaped(phase.message);
    const std::string type(OutcomeName(phase.outcome));
    switch (phase.outcome) {
      case Outcome::kPass:
        xml += "/>\n";
        continue;
      case Outcome::kSkipped:
        xml += ">\n      <skipped/>\n";
        break;
      case Outcome::kFail:
        xml += ">\n      <failure message=\"" + message + "\" type=\"" + type + "\">" + message +
               "</failure>\n";
        break;
      default:
        xml += ">\n      <error message=\"" + message + "\" type=\"" + type + "\">" + message +
               "</error>\n";
    }
    xml += "    </testcase>\n";
  }
  xml += "    <system-out/>\n    <system-err/>\n  </testsuite>\n</testsuites>\n";
  return xml;
}

}  // namespace plan
