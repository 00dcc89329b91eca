// Arbitrary bytes through the code page conversions both ways, in the ANSI code page of the
// simulated terminal (949) and in UTF-8: as 8-bit text from a serial line or a file, and, read
// as UTF-16 units, as wide text from an edit control (lone surrogates included).
//
// Beyond "no crash": the size a conversion asks for is the size it writes; a buffer one short
// is refused rather than overrun; wide text that converts without a default character comes
// back as it went in.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "platform/ports/board.h"
#include "platform/terminal/code_page.h"

namespace {

void CheckMultiByte(UINT code_page, const std::string& multi) {
  const int count = static_cast<int>(multi.size());
  const int needed = MultiByteToWideChar(code_page, 0, multi.data(), count, nullptr, 0);
  if (needed <= 0) return;
  std::vector<WCHAR> wide(static_cast<std::size_t>(needed));
  fuzz::Check(MultiByteToWideChar(code_page, 0, multi.data(), count, wide.data(), needed) == needed,
              "a multibyte conversion writes the size it asked for");
  // (A size of 0 would ask for the size again.)
  fuzz::Check(needed == 1 || MultiByteToWideChar(code_page, 0, multi.data(), count, wide.data(),
                                                 needed - 1) == 0,
              "a multibyte conversion into a buffer one short is refused");
}

void CheckWide(UINT code_page, const std::wstring& wide) {
  const int count = static_cast<int>(wide.size());
  const int needed =
      WideCharToMultiByte(code_page, 0, wide.data(), count, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return;
  std::string multi(static_cast<std::size_t>(needed), '\0');
  BOOL used_default = FALSE;
  BOOL* used = code_page == CP_UTF8 ? nullptr : &used_default;
  fuzz::Check(WideCharToMultiByte(code_page, 0, wide.data(), count, multi.data(), needed, nullptr,
                                  used) == needed,
              "a wide conversion writes the size it asked for");
  fuzz::Check(needed == 1 || WideCharToMultiByte(code_page, 0, wide.data(), count, multi.data(),
                                                 needed - 1, nullptr, nullptr) == 0,
              "a wide conversion into a buffer one short is refused");
  if (code_page == CP_UTF8 || used_default) return;
  std::vector<WCHAR> back(wide.size() + 1);
  const int back_count = MultiByteToWideChar(code_page, 0, multi.data(), needed, back.data(),
                                             static_cast<int>(back.size()));
  fuzz::Check(std::wstring(back.data(), static_cast<std::size_t>(back_count)) == wide,
              "wide text converted without a default character comes back as it went in");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  platform::Board board;
  board.ansi_code_page = 949;
  platform::InstallBoard(std::move(board));
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string multi(reinterpret_cast<const char*>(data), size);
  std::wstring wide(size / 2, L'\0');
  for (std::size_t unit = 0; unit < wide.size(); ++unit) {
    wide[unit] = static_cast<wchar_t>(data[2 * unit] | data[2 * unit + 1] << 8);
  }
  for (UINT code_page : {CP_ACP, CP_UTF8}) {
    CheckMultiByte(code_page, multi);
    CheckWide(code_page, wide);
  }
  return 0;
}
