// The application's resource module: dialog templates and icons by number, as the executable
// carries them. The console's res/ library installs its table once at start-up.
#pragma once

#include <cstddef>
#include <span>
#include <string_view>

#include "platform/dialog_template.h"
#include "platform/win_types.h"

namespace platform {

enum class ResourceKind { Dialog, Icon };

struct Resource {
  ResourceKind kind;
  UINT id;
  std::span<const std::byte> data;  // a dialog as JSON text, an icon as a PNG image
};

void SetResourceModule(std::span<const Resource> resources);
const Resource* FindResource(ResourceKind kind, UINT id);

// Reads a dialog template resource; throws std::runtime_error naming what is malformed.
DialogTemplate LoadDialogTemplate(UINT id);

// The PNG image behind an icon handle, for front ends; empty for an unknown handle.
std::span<const std::byte> IconImage(HICON icon);

}  // namespace platform

inline LPCWSTR MAKEINTRESOURCEW(UINT id) {
  return reinterpret_cast<LPCWSTR>(static_cast<std::uintptr_t>(id));
}

// Loads an icon resource of the application's module; null when there is none.
HICON LoadIconW(HINSTANCE instance, LPCWSTR name);
