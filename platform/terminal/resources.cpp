#include "platform/terminal/resources.h"

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <stdexcept>
#include <string>

#include "platform/terminal/code_page.h"

namespace platform {
namespace {

using nlohmann::json;

// The module is installed once at start-up; the lock keeps a reinstall (tests do that) from
// racing a lookup on the user-interface thread.
struct ResourceModule {
  std::mutex mutex;
  std::span<const Resource> resources;
};

ResourceModule& Module() {
  static ResourceModule module;
  return module;
}

template <class Predicate>
const Resource* FindIf(Predicate matches) {
  ResourceModule& module = Module();
  std::lock_guard lock(module.mutex);
  const auto found = std::find_if(module.resources.begin(), module.resources.end(), matches);
  return found == module.resources.end() ? nullptr : &*found;
}

// Which styles make sense where: window styles anywhere, the others on their own kind only.
enum class StyleFamily { Window, Dialog, Button, Edit };

struct StyleName {
  std::string_view name;
  DWORD bits;
  StyleFamily family;
};

constexpr StyleName kStyles[] = {
    {"WS_POPUP", WS_POPUP, StyleFamily::Window},
    {"WS_VISIBLE", WS_VISIBLE, StyleFamily::Window},
    {"WS_CAPTION", WS_CAPTION, StyleFamily::Window},
    {"WS_BORDER", WS_BORDER, StyleFamily::Window},
    {"WS_VSCROLL", WS_VSCROLL, StyleFamily::Window},
    {"WS_SYSMENU", WS_SYSMENU, StyleFamily::Window},
    {"WS_GROUP", WS_GROUP, StyleFamily::Window},
    {"WS_TABSTOP", WS_TABSTOP, StyleFamily::Window},
    {"DS_SETFONT", DS_SETFONT, StyleFamily::Dialog},
    {"DS_MODALFRAME", DS_MODALFRAME, StyleFamily::Dialog},
    {"BS_PUSHBUTTON", BS_PUSHBUTTON, StyleFamily::Button},
    {"BS_AUTORADIOBUTTON", BS_AUTORADIOBUTTON, StyleFamily::Button},
    {"BS_GROUPBOX", BS_GROUPBOX, StyleFamily::Button},
    {"ES_MULTILINE", ES_MULTILINE, StyleFamily::Edit},
    {"ES_AUTOHSCROLL", ES_AUTOHSCROLL, StyleFamily::Edit},
    {"ES_READONLY", ES_READONLY, StyleFamily::Edit},
};

// Extended styles share bit values with the plain ones, so they have their own list.
constexpr StyleName kExtendedStyles[] = {
    {"WS_EX_APPWINDOW", WS_EX_APPWINDOW, StyleFamily::Window},
    {"WS_EX_CAPTIONOKBTN", WS_EX_CAPTIONOKBTN, StyleFamily::Window},
};

// A button's type is a number in the style's low bits, not a flag of its own.
constexpr DWORD kButtonTypeMask = 0x000F;

struct KindName {
  std::string_view name;
  ControlKind kind;
  StyleFamily family;
  std::optional<DWORD> button_type;
};

constexpr KindName kKinds[] = {
    {"push", ControlKind::PushButton, StyleFamily::Button, BS_PUSHBUTTON},
    {"radio", ControlKind::AutoRadioButton, StyleFamily::Button, BS_AUTORADIOBUTTON},
    {"group", ControlKind::GroupBox, StyleFamily::Button, BS_GROUPBOX},
    {"edit", ControlKind::Edit, StyleFamily::Edit, std::nullopt},
};

// Dialog units travel as 16-bit values in a template.
constexpr int kMinUnits = -32768;
constexpr int kMaxUnits = 32767;
constexpr int kMaxControlId = 0xFFFF;

// `where` names the place in the template ("dialog 102, items[5] (id 1050)") so that the
// message leads straight to the line at fault.
[[noreturn]] void Malformed(const std::string& where, const std::string& what) {
  throw std::runtime_error(where + ": " + what);
}

std::string Quoted(std::string_view name) { return "\"" + std::string(name) + "\""; }

const json& Field(const json& object, std::string_view name, const std::string& where) {
  const auto found = object.find(name);
  if (found == object.end()) Malformed(where, "missing field " + Quoted(name));
  return *found;
}

const json& ObjectField(const json& object, std::string_view name, const std::string& where) {
  const json& value = Field(object, name, where);
  if (!value.is_object()) Malformed(where, "field " + Quoted(name) + " must be an object");
  return value;
}

int IntegerField(const json& object, std::string_view name, const std::string& where, int min,
                 int max) {
  const json& value = Field(object, name, where);
  if (!value.is_number_integer()) Malformed(where, "field " + Quoted(name) + " must be an integer");
  // Non-negative numbers arrive unsigned; reading a huge one as signed would wrap into range.
  const bool huge =
      value.is_number_unsigned() && value.get<std::uint64_t>() > static_cast<std::uint64_t>(max);
  const bool in_range =
      !huge && value.get<std::int64_t>() >= min && value.get<std::int64_t>() <= max;
  if (!in_range) {
    Malformed(where, "field " + Quoted(name) + " must lie in " + std::to_string(min) + ".." +
                         std::to_string(max) + ", not " + value.dump());
  }
  return value.get<int>();
}

std::string_view StringField(const json& object, std::string_view name, const std::string& where) {
  const json& value = Field(object, name, where);
  if (!value.is_string()) Malformed(where, "field " + Quoted(name) + " must be a string");
  return value.get_ref<const std::string&>();
}

std::wstring TextField(const json& object, std::string_view name, const std::string& where) {
  std::optional<std::wstring> text = FromUtf8(StringField(object, name, where));
  if (!text) Malformed(where, "field " + Quoted(name) + " is not UTF-8 text");
  return std::move(*text);
}

// ORs the named styles together; every name must come from `names` and suit `family`.
DWORD StyleField(const json& object, std::string_view name, const std::string& where,
                 std::span<const StyleName> names, StyleFamily family,
                 std::string_view owner_kind) {
  const json& list = Field(object, name, where);
  if (!list.is_array()) {
    Malformed(where, "field " + Quoted(name) + " must be a list of style names");
  }
  DWORD bits = 0;
  for (const json& entry : list) {
    if (!entry.is_string()) {
      Malformed(where, "field " + Quoted(name) + " holds " + entry.dump() + ", not a style name");
    }
    const std::string& style = entry.get_ref<const std::string&>();
    const auto known = std::find_if(names.begin(), names.end(), [&](const StyleName& candidate) {
      return candidate.name == style;
    });
    if (known == names.end()) {
      Malformed(where, "field " + Quoted(name) + ": unknown style " + Quoted(style));
    }
    if (known->family != StyleFamily::Window && known->family != family) {
      Malformed(where, "field " + Quoted(name) + ": " + style + " does not apply to " +
                           std::string(owner_kind));
    }
    bits |= known->bits;
  }
  return bits;
}

const KindName& KindField(const json& object, const std::string& where) {
  const std::string_view kind = StringField(object, "kind", where);
  const auto known =
      std::find_if(std::begin(kKinds), std::end(kKinds),
                   [&](const KindName& candidate) { return candidate.name == kind; });
  if (known == std::end(kKinds)) {
    Malformed(where,
              "field \"kind\": unknown kind " + Quoted(kind) + " (push, radio, group or edit)");
  }
  return *known;
}

DialogItem ReadItem(const json& item, const std::string& dialog_where, std::size_t index) {
  std::string where = dialog_where + ", items[" + std::to_string(index) + "]";
  if (!item.is_object()) Malformed(where, "an item must be an object");
  const int id = IntegerField(item, "id", where, -1, kMaxControlId);
  where += " (id " + std::to_string(id) + ")";

  const KindName& kind = KindField(item, where);
  DialogItem result{};
  result.id = id;
  result.kind = kind.kind;
  result.caption = TextField(item, "caption", where);
  result.x = IntegerField(item, "x", where, kMinUnits, kMaxUnits);
  result.y = IntegerField(item, "y", where, kMinUnits, kMaxUnits);
  result.cx = IntegerField(item, "cx", where, 0, kMaxUnits);
  result.cy = IntegerField(item, "cy", where, 0, kMaxUnits);
  result.style = StyleField(item, "style", where, kStyles, kind.family,
                            "a " + std::string(kind.name) + " item");
  if (kind.button_type && (result.style & kButtonTypeMask) != *kind.button_type) {
    Malformed(where, "field \"style\": the button type does not match kind " + Quoted(kind.name));
  }
  return result;
}

json ParseJson(std::span<const std::byte> data, const std::string& where) {
  const std::string_view text(reinterpret_cast<const char*>(data.data()), data.size());
  try {
    return json::parse(text);
  } catch (const json::parse_error& error) {
    Malformed(where, std::string("not valid JSON: ") + error.what());
  }
}

// An icon handle is the address of the icon's image within the module: the same for every load,
// never null, and resolvable without any table of handles.
HICON IconHandle(std::span<const std::byte> image) {
  return reinterpret_cast<HICON>(reinterpret_cast<std::uintptr_t>(image.data()));
}

}  // namespace

void SetResourceModule(std::span<const Resource> resources) {
  ResourceModule& module = Module();
  std::lock_guard lock(module.mutex);
  module.resources = resources;
}

const Resource* FindResource(ResourceKind kind, UINT id) {
  return FindIf(
      [&](const Resource& resource) { return resource.kind == kind && resource.id == id; });
}

DialogTemplate LoadDialogTemplate(UINT id) {
  const std::string where = "dialog " + std::to_string(id);
  const Resource* resource = FindResource(ResourceKind::Dialog, id);
  if (resource == nullptr) Malformed(where, "no such dialog resource");

  const json root = ParseJson(resource->data, where);
  if (!root.is_object()) Malformed(where, "a dialog template must be a JSON object");

  DialogTemplate result{};
  result.id = id;
  result.caption = TextField(root, "caption", where);
  const json& font = ObjectField(root, "font", where);
  result.font_face = TextField(font, "face", where + ", font");
  result.font_points = IntegerField(font, "points", where + ", font", 1, kMaxUnits);
  result.cx = IntegerField(root, "cx", where, 0, kMaxUnits);
  result.cy = IntegerField(root, "cy", where, 0, kMaxUnits);
  result.style = StyleField(root, "style", where, kStyles, StyleFamily::Dialog, "a dialog");
  result.ex_style =
      StyleField(root, "ex_style", where, kExtendedStyles, StyleFamily::Window, "a dialog");

  const json& items = Field(root, "items", where);
  if (!items.is_array()) Malformed(where, "field \"items\" must be a list");
  for (std::size_t index = 0; index < items.size(); ++index) {
    result.items.push_back(ReadItem(items[index], where, index));
  }
  return result;
}

std::span<const std::byte> IconImage(HICON icon) {
  if (icon == nullptr) return {};
  const Resource* resource = FindIf([&](const Resource& candidate) {
    return candidate.kind == ResourceKind::Icon && !candidate.data.empty() &&
           IconHandle(candidate.data) == icon;
  });
  return resource == nullptr ? std::span<const std::byte>() : resource->data;
}

}  // namespace platform

HICON LoadIconW(HINSTANCE /*instance: the application has one module*/, LPCWSTR name) {
  // Only numbered icons exist; a pointer above 0xFFFF would be a resource name.
  const auto number = reinterpret_cast<std::uintptr_t>(name);
  if (number > 0xFFFF) return nullptr;
  const platform::Resource* icon =
      platform::FindResource(platform::ResourceKind::Icon, static_cast<UINT>(number));
  if (icon == nullptr || icon->data.empty()) return nullptr;
  return platform::IconHandle(icon->data);
}
