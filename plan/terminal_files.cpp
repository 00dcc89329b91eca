#include "plan/terminal_files.h"

#include "plan/plan_reader.h"

namespace plan {

namespace {

template <typename Visit>
void ForEachFileStep(const Plan& plan, Visit visit) {
  for (const Phase& phase : plan.phases) {
    for (const auto* steps : {&phase.setup, &phase.steps, &phase.teardown}) {
      for (const Step& step : *steps) {
        if (const auto* file_step = std::get_if<FileStep>(&step.action)) visit(step, *file_step);
      }
    }
  }
}

}  // namespace

bool ChecksFiles(const Plan& plan) {
  bool checks = false;
  ForEachFileStep(plan, [&](const Step&, const FileStep&) { checks = true; });
  return checks;
}

void CheckTerminalFiles(const Plan& plan, const TerminalFiles& files) {
  ForEachFileStep(plan, [&](const Step& step, const FileStep& file_step) {
    for (const std::string& path : file_step.paths) {
      std::string error;
      if (!files.Find(path, error)) {
        throw PlanError(plan.file.string() + ":" + std::to_string(step.line) + ": " + path + ": " +
                        error);
      }
    }
  });
}

}  // namespace plan
