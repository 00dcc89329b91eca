#include "tools/unit_run/unit_run.h"

#include <algorithm>
#include <chrono>
#include <system_error>

#include "plan/atomic_file.h"
#include "plan/exchange_file.h"
#include "plan/instrument_bench.h"
#include "plan/plan_reader.h"
#include "plan/plan_revision.h"
#include "plan/report_names.h"
#include "plan/run_report.h"
#include "plan/runner.h"
#include "plan/socket_link.h"
#include "plan/unit_check.h"
#include "platform/terminal/code_page.h"
#include "results/run_id.h"
#include "tools/unit_run/kept_session_record.h"
#include "tools/unit_run/run_store.h"
#include "tools/unit_run/simulated_console.h"
#include "tools/unit_run/volume_files.h"

namespace unit_run {

namespace {

// The stem no earlier run in `out` took, for a run that began at `run.start`.
std::string FreeStem(const plan::RunResult& run, const std::filesystem::path& out) {
  std::error_code error;
  std::filesystem::create_directories(out, error);
  return plan::FreeReportStem(out, plan::ReportStem(run.unit, run.plan_name, run.start));
}

// Writes OUT/STEM.json and OUT/STEM.xml, neither replacing a file already there, then stores the
// run: the records come first, as the account of the run that holds when the store cannot.
void WriteRecords(const RecordsPlace& place, const std::string& stem, UnitRun& unit) {
  const std::filesystem::path& out = place.folder;
  const std::string json = plan::JsonReport(unit.run, out);
  for (const auto& [file, text] :
       {std::pair{out / (stem + ".json"), json},
        std::pair{out / (stem + ".xml"), plan::JunitReport(unit.run, out)}}) {
    if (auto fault = plan::WriteNewFileWhole(file, text)) {
      unit.faults.push_back(*fault);
    } else {
      unit.records.push_back(file);
    }
  }
  if (place.store.empty()) return;
  if (auto fault = StoreRun(place, json, out / (stem + ".json"))) unit.faults.push_back(*fault);
}

// The files a plan's file steps look at: the sandbox's volumes, or those of the plan's board
// profile. A plan that checks no files leaves the board profile to the console alone. Throws
// plan::PlanError or board::BoardError when the plan names what the terminal lacks, or files at
// all on a terminal reached over ssh: its volumes are not on this machine, and the profile's
// folders here would be someone else's files.
VolumeFiles FilesFor(const plan::Plan& plan, const TerminalChoice& terminal,
                     const std::filesystem::path& sandbox) {
  const bool checks_files = plan::ChecksFiles(plan);
  if (checks_files && terminal.ssh) {
    throw plan::PlanError(plan.file.string() +
                          ": its file steps look at the terminal's volumes, which a station "
                          "reaching the terminal over ssh cannot see");
  }
  VolumeFiles files(checks_files ? sandbox : std::filesystem::path(),
                    checks_files ? plan.board : std::nullopt);
  plan::CheckTerminalFiles(plan, files);
  return files;
}

// Moves the run's exchanges to their place beside its records and names the file in them.
void KeepExchanges(const std::filesystem::path& part, const std::filesystem::path& file,
                   UnitRun& unit) {
  std::error_code error;
  std::filesystem::rename(part, file, error);
  if (error) {
    unit.faults.push_back(part.string() + ": cannot be named " + file.string() + ": " +
                          error.message());
    return;
  }
  unit.run.instrument_log = file.string();
}

}  // namespace

RevisedPlan ReadRevisedPlan(const std::filesystem::path& file) {
  RevisedPlan read{plan::ReadPlan(file), ""};
  read.revision = plan::PlanRevision(read.plan);
  return read;
}

plan::RunResult RunHeader(const plan::Plan& plan, const std::string& revision,
                          const TerminalChoice& terminal) {
  plan::RunResult header;
  header.plan_name = plan.name;
  header.plan_file = plan.file.string();
  header.plan_revision = revision;
  if (plan.board && terminal.simulate) header.board_profile = plan.board->string();
  return header;
}

std::optional<std::string> UnitRefusal(const plan::Plan& plan, const std::string& unit) {
  if (unit.empty()) return "the serial number is empty";
  // The records hold the serial number exactly as given, and their JSON holds UTF-8 alone.
  if (!platform::FromUtf8(unit)) return "the serial number is not UTF-8 text";
  if (auto mismatch = plan::UnitPatternRefusal(plan, unit)) return mismatch;
  if (plan::ReportStem(unit, plan.name, {}).size() > plan::kLongestReportStem) {
    return "the serial number and the plan's name make the records' names longer than " +
           std::to_string(plan::kLongestReportStem) + " bytes";
  }
  return std::nullopt;
}

UnitRun RunUnit(const plan::Plan& plan, const plan::RunResult& header,
                const TerminalChoice& terminal, const RecordsPlace& place, plan::Prompter& prompter,
                const plan::StopRequest& stop, plan::RunObserver& observer,
                const std::function<void(const std::string&)>& notice) {
  UnitRun unit;
  unit.run = header;
  plan::RunResult& run = unit.run;
  if (run.run_id.empty()) run.run_id = results::NewRunId();
  const std::filesystem::path& out = place.folder;
  std::optional<SimulatedConsole> simulated;
  std::filesystem::path socket = terminal.socket;
  std::filesystem::path sandbox = terminal.sandbox;
  std::string error;
  // A console that could not be started or reached still leaves a record that says so.
  const auto not_started = [&] {
    unit.faults.push_back(error);
    run.start = run.end = std::chrono::system_clock::now();
    run.outcome = stop.stopping() ? plan::Outcome::kAborted : plan::Outcome::kError;
    run.message = error;
    WriteRecords(place, FreeStem(run, out), unit);
    return unit;
  };
  if (terminal.simulate) {
    simulated.emplace();
    if (!simulated->MakeFolder(error)) return not_started();
    sandbox = simulated->sandbox();
  }
  for (const auto& cabled : terminal.instruments) {
    if (std::none_of(
            plan.instruments.begin(), plan.instruments.end(),
            [&](const plan::Instrument& declared) { return declared.role == cabled.first; })) {
      unit.refused = true;
      unit.faults.push_back("--instrument " + cabled.first + "=" + cabled.second +
                            ": the plan has no instrument with the role " + cabled.first);
      return unit;
    }
  }
  std::optional<VolumeFiles> files;
  try {
    files.emplace(FilesFor(plan, terminal, sandbox));
  } catch (const std::runtime_error& refused) {  // plan::PlanError, board::BoardError
    unit.refused = true;
    unit.faults.emplace_back(refused.what());
    return unit;
  }
  if (terminal.simulate) {
    if (terminal.keep) simulated->Keep();
    if (!simulated->Start(terminal.console, plan.board, stop, error)) return not_started();
    socket = simulated->socket();
    if (terminal.keep) notice("simulated terminal: " + simulated->folder().string());
  }
  std::optional<SshForward> forward;
  if (terminal.ssh) {
    forward.emplace();
    if (!forward->Start(*terminal.ssh, stop, error)) return not_started();
    socket = forward->socket();
  }
  std::map<std::string, std::string> addresses = terminal.instruments;
  const bool all_cabled = std::all_of(
      plan.instruments.begin(), plan.instruments.end(),
      [&](const plan::Instrument& declared) { return addresses.contains(declared.role); });
  if (simulated && !all_cabled) {
    // The simulated bench's instruments, unless the command line cabled a role elsewhere.
    const auto bench = simulated->WaitForBench(stop, error);
    if (!bench) return not_started();
    for (const auto& [role, address] : *bench) addresses.emplace(role, address);
  }
  // Every exchange goes to a file of the run's own until its records' name is known.
  const std::filesystem::path exchanges_part = out / ("." + run.run_id + ".instruments.jsonl");
  plan::ExchangeFile exchanges(exchanges_part);
  if (!plan.instruments.empty()) {
    std::error_code ignored;  // a folder that cannot be made tells in the exchanges' fault
    std::filesystem::create_directories(out, ignored);
  }
  plan::SocketLink link(socket, stop);
  {
    plan::InstrumentBench instruments(addresses, exchanges);
    plan::RunPlan(plan, link, *files, instruments, prompter, stop, run, observer);
  }
  if (forward) forward->End();
  const std::string stem = FreeStem(run, out);
  if (!exchanges.fault().empty()) unit.faults.push_back(exchanges.fault());
  if (exchanges.written()) {
    KeepExchanges(exchanges_part, out / (stem + ".instruments.jsonl"), unit);
  }
  if (simulated) {
    simulated->End();
    const auto logs = simulated->sandbox() / "logs";
    if (!KeepSessionRecord(logs, out / (stem + ".session"), run, error)) {
      unit.faults.push_back(error + "; the whole session record stays in " + logs.string());
      simulated->Keep();
    }
  }
  WriteRecords(place, stem, unit);
  return unit;
}

}  // namespace unit_run
