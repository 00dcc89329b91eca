#include "plan/plan_revision.h"

#include <openssl/evp.h>

#include <memory>
#include <vector>

#include "plan/plan_reader.h"

namespace plan {

namespace {

struct NamedFile {
  std::filesystem::path path;
  std::size_t max_bytes;
};

// The plan first, then its board profile, then each picture once, in the plan's order.
std::vector<NamedFile> FilesOf(const Plan& plan) {
  std::vector<NamedFile> files{{plan.file, kMaxPlanBytes}};
  if (plan.board) files.push_back({*plan.board, kMaxPlanBytes});
  const auto add_picture = [&](const Step& step) {
    const auto* prompt = std::get_if<PromptStep>(&step.action);
    if (prompt == nullptr || !prompt->picture) return;
    for (const NamedFile& file : files) {
      if (file.path == *prompt->picture) return;
    }
    files.push_back({*prompt->picture, kMaxPictureBytes});
  };
  for (const Phase& phase : plan.phases) {
    for (const auto* steps : {&phase.setup, &phase.steps, &phase.teardown}) {
      for (const Step& step : *steps) add_picture(step);
    }
  }
  return files;
}

}  // namespace

std::string PlanRevision(const Plan& plan) {
  const std::filesystem::path folder = std::filesystem::absolute(plan.file).parent_path();
  const std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> digest(EVP_MD_CTX_new(),
                                                                       &EVP_MD_CTX_free);
  if (!digest || EVP_DigestInit_ex(digest.get(), EVP_sha256(), nullptr) != 1) {
    throw PlanError("SHA-256 is not available");
  }
  for (const NamedFile& file : FilesOf(plan)) {
    // Each file as its name beside the plan, its length and its bytes: no two sets of files
    // run together into the same stream.
    const std::string name =
        std::filesystem::absolute(file.path).lexically_relative(folder).generic_string();
    const std::string bytes = ReadWholeFile(file.path, file.max_bytes);
    const std::string head = name + '\0' + std::to_string(bytes.size()) + '\0';
    EVP_DigestUpdate(digest.get(), head.data(), head.size());
    EVP_DigestUpdate(digest.get(), bytes.data(), bytes.size());
  }
  unsigned char sum[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  EVP_DigestFinal_ex(digest.get(), sum, &length);
  static constexpr char kHex[] = "0123456789abcdef";
  std::string revision = "sha256:";
  for (unsigned int i = 0; i < length; ++i) {
    revision += kHex[sum[i] >> 4];
    revision += kHex[sum[i] & 0xf];
  }
  return revision;
}

}  // namespace plan
