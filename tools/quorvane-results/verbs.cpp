#include "tools/quorvane-results/forward_verb.h"
#include "tools/quorvane-results/import_verb.h"
#include "tools/quorvane-results/verb.h"

namespace quorvane_results {

const std::vector<VerbAdder>& Verbs() {
  static const std::vector<VerbAdder> verbs = {&AddImportVerb, &AddForwardVerb};
  return verbs;
}

}  // namespace quorvane_results
