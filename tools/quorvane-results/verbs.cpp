#include "tools/quorvane-results/distribution_verb.h"
#include "tools/quorvane-results/export_verb.h"
#include "tools/quorvane-results/forward_verb.h"
#include "tools/quorvane-results/history_verb.h"
#include "tools/quorvane-results/import_verb.h"
#include "tools/quorvane-results/pareto_verb.h"
#include "tools/quorvane-results/report_verb.h"
#include "tools/quorvane-results/verb.h"
#include "tools/quorvane-results/yield_verb.h"

namespace quorvane_results {

const std::vector<VerbAdder>& Verbs() {
  static const std::vector<VerbAdder> verbs = {
      &AddImportVerb,       &AddForwardVerb, &AddYieldVerb,  &AddHistoryVerb,
      &AddDistributionVerb, &AddParetoVerb,  &AddExportVerb, &AddReportVerb};
  return verbs;
}

}  // namespace quorvane_results
