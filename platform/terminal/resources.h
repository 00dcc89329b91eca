// The application's resource module: dialog templates and icons by number, as the executable
// carries them. The console's res/ library installs its table once at start-up.
#pragma once

#include <cstddef>
#include <span>
#include <string_view>

#include "platform/terminal/dialog_template.h"
#include "platform/terminal/win_types.h"

namespace platform {

enum class ResourceKind { Dialog, Icon };

struct Resource {
  ResourceKind kind;
  UINT id;
  std::span<const std::byte> data;  // a dialog as JSON text, an icon as a PNG image
};

// The module refers to the table rather than copying it: the table and the bytes it points at
// must outlive every lookup (the res/ library's are static).
void SetResourceModule(std::span<const Resource> resources);
// Null when the module has no resource of that kind and number.
const Resource* FindResource(ResourceKind kind, UINT id);

// Reads a dialog template resource; throws std::runtime_error naming what is malformed.
DialogTemplate LoadDialogTemplate(UINT id);

// The PNG image behind an icon handle, for front ends; empty for an unknown handle.
std::span<const std::byte> IconImage(HICON icon);

}  // namespace platform

inline LPCWSTR MAKEINTRESOURCEW(UINT id) {
  return reinterpret_cast<LPCWSTR>(static_cast<std::uintptr_t>(id));
}

// Loads an icon resource of the application's module (the only module, whatever `instance`
// says); null when there is none. Every load of one icon yields the same handle.
HICON LoadIconW(HINSTANCE instance, LPCWSTR name);
