// The resource module: lookups by kind and number, the dialog template reader's refusals, and
// icon handles over the executable's own icon.
#include "platform/terminal/resources.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "res/install_resources.h"
#include "res/resource.h"

namespace {

using nlohmann::json;
using platform::Resource;
using platform::ResourceKind;

constexpr UINT kDialogId = 7;

std::span<const std::byte> BytesOf(const std::string& text) {
  return std::as_bytes(std::span(text.data(), text.size()));
}

// A module of hand-written resources; the texts live as long as the fixture, as the module asks.
class ResourceModuleTest : public ::testing::Test {
 protected:
  void TearDown() override { platform::SetResourceModule({}); }

  void Install(std::vector<std::pair<ResourceKind, UINT>> entries, std::string text) {
    text_ = std::move(text);
    table_.clear();
    for (const auto& [kind, id] : entries) table_.push_back({kind, id, BytesOf(text_)});
    platform::SetResourceModule(table_);
  }

  void InstallDialog(const std::string& text) {
    Install({{ResourceKind::Dialog, kDialogId}}, text);
  }

  // The message LoadDialogTemplate throws, or "" when it loads.
  static std::string LoadError(UINT id) {
    try {
      platform::LoadDialogTemplate(id);
    } catch (const std::runtime_error& error) {
      return error.what();
    }
    return "";
  }

 private:
  std::string text_;
  std::vector<Resource> table_;
};

json SmallTemplate() {
  return json::parse(R"({
    "caption": "작은 대화상자", "font": {"face": "MS Shell Dlg", "points": 9}, "cx": 100, "cy": 50,
    "style": ["WS_POPUP", "DS_SETFONT"], "ex_style": ["WS_EX_APPWINDOW"],
    "items": [
      {"id": 1000, "kind": "push", "caption": "확인", "x": 1, "y": 2, "cx": 30, "cy": 12,
       "style": ["BS_PUSHBUTTON", "WS_TABSTOP"]},
      {"id": 1001, "kind": "radio", "caption": "A", "x": 1, "y": 20, "cx": 30, "cy": 12,
       "style": ["BS_AUTORADIOBUTTON", "WS_GROUP"]},
      {"id": 1002, "kind": "edit", "caption": "", "x": 40, "y": 2, "cx": 50, "cy": 12,
       "style": ["ES_AUTOHSCROLL", "WS_BORDER"]}
    ]
  })");
}

TEST_F(ResourceModuleTest, WellFormedTemplateLoadsWithTextsAndStyleBits) {
  InstallDialog(SmallTemplate().dump());
  const platform::DialogTemplate dialog = platform::LoadDialogTemplate(kDialogId);
  EXPECT_EQ(dialog.id, kDialogId);
  EXPECT_EQ(dialog.caption, L"작은 대화상자");
  EXPECT_EQ(dialog.style, WS_POPUP | DS_SETFONT);
  EXPECT_EQ(dialog.ex_style, WS_EX_APPWINDOW);
  ASSERT_EQ(dialog.items.size(), 3u);
  EXPECT_EQ(dialog.items[0].caption, L"확인");
  EXPECT_EQ(dialog.items[1].kind, platform::ControlKind::AutoRadioButton);
  EXPECT_EQ(dialog.items[1].style, BS_AUTORADIOBUTTON | WS_GROUP);
  EXPECT_EQ(dialog.items[2].kind, platform::ControlKind::Edit);
  EXPECT_EQ(dialog.items[2].style, ES_AUTOHSCROLL | WS_BORDER);
}

struct MalformedCase {
  const char* what;
  std::function<void(json&)> spoil;
  std::vector<std::string> message_parts;  // each must appear in the error
};

TEST_F(ResourceModuleTest, MalformedTemplatesAreRefusedNamingTheItemAndField) {
  const MalformedCase cases[] = {
      {"items missing",
       [](json& t) { t.erase("items"); },
       {"dialog 7: ", "missing field \"items\""}},
      {"font not an object",
       [](json& t) { t["font"] = "MS Shell Dlg"; },
       {"field \"font\" must be an object"}},
      {"font size missing",
       [](json& t) { t["font"].erase("points"); },
       {"dialog 7, font: ", "missing field \"points\""}},
      {"unknown kind",
       [](json& t) { t["items"][1]["kind"] = "checkbox"; },
       {"items[1] (id 1001)", "unknown kind \"checkbox\""}},
      {"unknown style",
       [](json& t) { t["items"][0]["style"].push_back("WS_CHILDISH"); },
       {"items[0] (id 1000)", "field \"style\"", "unknown style \"WS_CHILDISH\""}},
      {"extended style among the plain ones",
       [](json& t) { t["style"].push_back("WS_EX_APPWINDOW"); },
       {"dialog 7: ", "unknown style \"WS_EX_APPWINDOW\""}},
      {"style not a list",
       [](json& t) { t["items"][2]["style"] = "WS_BORDER"; },
       {"items[2] (id 1002)", "field \"style\" must be a list of style names"}},
      {"style entry not a name",
       [](json& t) { t["items"][2]["style"].push_back(128); },
       {"items[2] (id 1002)", "holds 128"}},
      {"edit style on a button",
       [](json& t) { t["items"][0]["style"].push_back("ES_READONLY"); },
       {"items[0] (id 1000)", "ES_READONLY does not apply to a push item"}},
      {"button style on the dialog",
       [](json& t) { t["style"].push_back("BS_GROUPBOX"); },
       {"dialog 7: ", "BS_GROUPBOX does not apply to a dialog"}},
      {"kind and button type disagree",
       [](json& t) { t["items"][1]["style"] = {"BS_GROUPBOX"}; },
       {"items[1] (id 1001)", "button type does not match kind \"radio\""}},
      {"coordinate as text",
       [](json& t) { t["items"][0]["x"] = "1"; },
       {"items[0] (id 1000)", "field \"x\" must be an integer"}},
      {"coordinate as fraction",
       [](json& t) { t["items"][0]["y"] = 2.5; },
       {"items[0] (id 1000)", "field \"y\" must be an integer"}},
      {"font of no size",
       [](json& t) { t["font"]["points"] = 0; },
       {"dialog 7, font: ", "field \"points\" must lie in 1..32767, not 0"}},
      {"height missing",
       [](json& t) { t["items"][2].erase("cy"); },
       {"items[2] (id 1002)", "missing field \"cy\""}},
      {"negative width",
       [](json& t) { t["items"][2]["cx"] = -5; },
       {"items[2] (id 1002)", "field \"cx\" must lie in 0..32767, not -5"}},
      {"width beyond the signed 64-bit range",
       [](json& t) { t["cx"] = 18446744073709551615u; },
       {"dialog 7: ", "field \"cx\" must lie in 0..32767"}},
      {"id missing",
       [](json& t) { t["items"][1].erase("id"); },
       {"items[1]: ", "missing field \"id\""}},
      {"id beyond 16 bits",
       [](json& t) { t["items"][1]["id"] = 70000; },
       {"items[1]: ", "field \"id\" must lie in -1..65535"}},
      {"caption not text",
       [](json& t) { t["items"][0]["caption"] = 5; },
       {"items[0] (id 1000)", "field \"caption\" must be a string"}},
      {"item not an object",
       [](json& t) { t["items"][2] = "edit"; },
       {"items[2]: ", "an item must be an object"}},
      {"template not an object",
       [](json& t) { t = json::array(); },
       {"dialog 7: ", "a dialog template must be a JSON object"}},
  };
  for (const MalformedCase& c : cases) {
    SCOPED_TRACE(c.what);
    json spoilt = SmallTemplate();
    c.spoil(spoilt);
    InstallDialog(spoilt.dump());
    const std::string error = LoadError(kDialogId);
    ASSERT_FALSE(error.empty()) << "loaded without complaint";
    for (const std::string& part : c.message_parts)
      EXPECT_NE(error.find(part), std::string::npos) << error;
  }
}

TEST_F(ResourceModuleTest, TextThatIsNotJsonOrNotUtf8IsRefused) {
  InstallDialog(R"({"caption": "e", "items": [)");
  EXPECT_NE(LoadError(kDialogId).find("dialog 7: not valid JSON"), std::string::npos);

  std::string latin1 = SmallTemplate().dump();
  latin1.replace(latin1.find("\"A\""), 3, "\"\xC0\"");
  InstallDialog(latin1);
  EXPECT_NE(LoadError(kDialogId).find("dialog 7: not valid JSON"), std::string::npos);
}

TEST_F(ResourceModuleTest, ResourcesAreFoundByKindAndNumberOnly) {
  Install({{ResourceKind::Icon, kDialogId}}, "not a dialog");
  EXPECT_EQ(platform::FindResource(ResourceKind::Dialog, kDialogId), nullptr);
  ASSERT_NE(platform::FindResource(ResourceKind::Icon, kDialogId), nullptr);
  EXPECT_EQ(platform::FindResource(ResourceKind::Icon, kDialogId + 1), nullptr);

  EXPECT_EQ(LoadError(kDialogId), "dialog 7: no such dialog resource");
  EXPECT_EQ(LoadError(999), "dialog 999: no such dialog resource");
}

TEST_F(ResourceModuleTest, ApplicationIconIsAStableHandleOverItsPngImage) {
  res::InstallResources();
  const HICON icon = LoadIconW(nullptr, MAKEINTRESOURCEW(IDR_MAINFRAME));
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(LoadIconW(nullptr, MAKEINTRESOURCEW(IDR_MAINFRAME)), icon);

  const std::span<const std::byte> image = platform::IconImage(icon);
  constexpr std::array<unsigned char, 8> kPngSignature{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  ASSERT_GT(image.size(), kPngSignature.size());
  EXPECT_TRUE(std::equal(kPngSignature.begin(), kPngSignature.end(), image.begin(),
                         [](unsigned char a, std::byte b) { return std::byte{a} == b; }));
}

TEST_F(ResourceModuleTest, IconsThatDoNotExistGiveNoHandleAndNoImage) {
  res::InstallResources();
  const HICON icon = LoadIconW(nullptr, MAKEINTRESOURCEW(IDR_MAINFRAME));
  EXPECT_EQ(LoadIconW(nullptr, MAKEINTRESOURCEW(IDD_QUORVANE_DIALOG)), nullptr);  // a dialog
  EXPECT_EQ(LoadIconW(nullptr, MAKEINTRESOURCEW(IDR_MAINFRAME + 1)), nullptr);
  EXPECT_EQ(LoadIconW(nullptr, L"IDR_MAINFRAME"), nullptr);  // named icons do not exist
  EXPECT_TRUE(platform::IconImage(nullptr).empty());
  EXPECT_TRUE(
      platform::IconImage(reinterpret_cast<HICON>(reinterpret_cast<std::uintptr_t>(icon) + 1))
          .empty());

  // A handle from a module that was replaced names nothing any more.
  Install({{ResourceKind::Icon, IDR_MAINFRAME}}, "another image");
  EXPECT_TRUE(platform::IconImage(icon).empty());
  EXPECT_NE(LoadIconW(nullptr, MAKEINTRESOURCEW(IDR_MAINFRAME)), icon);
}

}  // namespace
