#include "res/install_resources.h"

#include <array>
#include <cstddef>
#include <span>

#include "platform/terminal/resources.h"
#include "res/resource.h"

// Defined in the sources that cmake/embed_resource.cmake generates from the files beside this one.
namespace res::embedded {
std::span<const std::byte> Dialog102Json();
std::span<const std::byte> QuorvanePng();
}  // namespace res::embedded

namespace res {

void InstallResources() {
  static const std::array<platform::Resource, 2> kModule{{
      {platform::ResourceKind::Dialog, IDD_QUORVANE_DIALOG, embedded::Dialog102Json()},
      {platform::ResourceKind::Icon, IDR_MAINFRAME, embedded::QuorvanePng()},
  }};
  platform::SetResourceModule(kModule);
}

}  // namespace res
