#include "report/html.h"
#include "report/pages.h"
#include "report/record_view.h"

namespace report {

namespace {

std::string Outcome(const std::string& outcome, bool marginal) {
  return "<span class=\"" + Escape(outcome) + "\">" + Escape(outcome) + "</span>" +
         (marginal ? " (marginal)" : "");
}

std::string Limits(const results::StoredMeasurement& m) {
  if (m.limit_kind == "range") return Number(m.low) + " to " + Number(m.high);
  if (m.limit_kind == "equals") {
    return "= " + (m.expected_number ? Number(m.expected_number) : m.expected_text.value_or(""));
  }
  if (m.limit_kind == "matches") return "matches " + m.expected_text.value_or("");
  return "";
}

std::string MeasurementsTable(const results::StoredPhase& phase) {
  if (phase.measurements.empty()) return "";
  std::string html = "<table><tr><th>measurement</th><th>value</th><th>units</th><th>limits</th>"
                     "<th>outcome</th><th>attempt</th><th>message</th></tr>\n";
  for (const auto& m : phase.measurements) {
    html += "<tr><td>" + Escape(m.name) + "</td><td class=\"n\">" +
            Escape(m.value.value_or("(none)")) + "</td><td>" + Escape(m.units) + "</td><td>" +
            Escape(Limits(m)) + "</td><td>" + Outcome(m.outcome, m.marginal) +
            "</td><td class=\"n\">" + std::to_string(m.attempt) + "</td><td>" + Escape(m.message) +
            "</td></tr>\n";
  }
  return html + "</table>\n";
}

std::string PromptsList(const results::StoredPhase& phase) {
  std::string html;
  for (const auto& prompt : phase.prompts) {
    html += "<p class=\"note\">Asked \"" + Escape(prompt.text) + "\", answered \"" +
            Escape(prompt.answer) + "\" by the " + Escape(prompt.answered_by) + " at " +
            Escape(prompt.at) + ".</p>\n";
  }
  return html;
}

std::string RunSection(const results::StoredRun& run, const std::filesystem::path& records) {
  std::string html =
      "<h2>" + Escape(run.start) + ": " + Outcome(run.outcome, run.marginal) +
      "</h2>\n<table><tr><th>plan</th><td>" + Escape(run.plan_name) +
      "</td></tr><tr><th>revision</th><td>" + Escape(run.plan_revision.value_or("-")) +
      "</td></tr><tr><th>station</th><td>" + Escape(run.station) +
      "</td></tr><tr><th>operator</th><td>" + Escape(run.operator_name.value_or("-")) +
      "</td></tr><tr><th>ended</th><td>" + Escape(run.end) + "</td></tr><tr><th>record</th><td>" +
      Escape(run.record_file) + "</td></tr>";
  if (!run.message.empty()) html += "<tr><th>message</th><td>" + Escape(run.message) + "</td></tr>";
  html += "</table>\n";
  for (const auto& phase : run.phases) {
    html += "<h3>" + Escape(phase.name) + ": " + Outcome(phase.outcome, phase.marginal) +
            (phase.attempts > 1 ? ", " + std::to_string(phase.attempts) + " attempts" : "") +
            "</h3>\n";
    if (!phase.message.empty()) html += "<p>" + Escape(phase.message) + "</p>\n";
    html += MeasurementsTable(phase) + PromptsList(phase);
    if (phase.outcome != "SKIPPED") html += RecordSliceHtml(records, phase);
  }
  return html;
}

}  // namespace

std::string UnitPageHtml(const std::vector<results::StoredRun>& runs,
                         const std::filesystem::path& records) {
  std::string html = PageStart("Unit " + runs.front().unit, "../");
  for (const results::StoredRun& run : runs) html += RunSection(run, records);
  return html + PageEnd();
}

}  // namespace report
