#include "platform/terminal/code_page.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <cwchar>
#include <limits>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/ports/board.h"

namespace {

constexpr const char* kWideEncoding = "WCHAR_T";
constexpr wchar_t kReplacementCharacter = L'\uFFFD';
constexpr std::string_view kUtf8ReplacementCharacter = "\xEF\xBF\xBD";

struct IconvCloser {
  void operator()(iconv_t descriptor) const { iconv_close(descriptor); }
};
using Converter = std::unique_ptr<std::remove_pointer_t<iconv_t>, IconvCloser>;

constexpr std::size_t kMostConvertersPerThread = 8;

// Opening a converter costs more than most conversions, and the volumes convert every path they
// resolve: each thread keeps the few converters it uses, and resets one to its initial state
// before each use. Null when iconv knows no such conversion.
iconv_t KeptConverter(const std::string& to, const std::string& from) {
  struct Kept {
    std::string to;
    std::string from;
    Converter converter;
  };
  thread_local std::vector<Kept> kept;
  for (const Kept& entry : kept) {
    if (entry.to == to && entry.from == from) {
      iconv(entry.converter.get(), nullptr, nullptr, nullptr, nullptr);
      return entry.converter.get();
    }
  }
  const iconv_t descriptor = iconv_open(to.c_str(), from.c_str());
  if (descriptor == reinterpret_cast<iconv_t>(-1)) return nullptr;
  if (kept.size() == kMostConvertersPerThread) kept.erase(kept.begin());
  kept.push_back({to, from, Converter(descriptor)});
  return descriptor;
}

std::string EncodingName(UINT code_page) {
  if (code_page == CP_ACP) code_page = platform::CurrentBoard().ansi_code_page;
  if (code_page == CP_UTF8) return "UTF-8";
  return "CP" + std::to_string(code_page);
}

template <class Char>
std::string_view AsBytes(std::basic_string_view<Char> text) {
  return {reinterpret_cast<const char*>(text.data()), text.size() * sizeof(Char)};
}

// What a conversion does with input the target cannot carry (or that is not valid input):
// write `substitute` in its place and step over one input unit, or, with no substitute, fail.
struct Substitution {
  std::optional<std::string_view> substitute;
  std::size_t input_unit = 1;
  bool used = false;
};

// One iconv call, run until the output side no longer stops it: 0, or the errno that ended it.
// Null `in` and `in_left` flush the closing shift sequence a stateful encoding may owe.
int Run(iconv_t converter, char** in, std::size_t* in_left, std::string& output) {
  char chunk[256];
  for (;;) {
    char* out = chunk;
    std::size_t out_left = sizeof chunk;
    const std::size_t result = iconv(converter, in, in_left, &out, &out_left);
    const int error = result == static_cast<std::size_t>(-1) ? errno : 0;
    output.append(chunk, sizeof chunk - out_left);
    if (error != E2BIG) return error;
  }
}

std::optional<std::string> Transcode(iconv_t converter, std::string_view input,
                                     Substitution& substitution) {
  std::string output;
  char* in = const_cast<char*>(input.data());  // iconv's interface; it does not write there
  std::size_t in_left = input.size();
  while (const int error = Run(converter, &in, &in_left, output)) {
    if ((error != EILSEQ && error != EINVAL) || !substitution.substitute) return std::nullopt;
    output += *substitution.substitute;
    substitution.used = true;
    const std::size_t step = std::min(substitution.input_unit, in_left);
    in += step;
    in_left -= step;
  }
  if (Run(converter, nullptr, nullptr, output) != 0) return std::nullopt;
  return output;
}

int FailConversion(DWORD error) {
  SetLastError(error);
  return 0;
}

// Stores the converted text the way both calls do: its size when asked, else into the buffer.
template <class Char>
int Deliver(const std::string& converted, Char* buffer, int buffer_count) {
  const std::size_t count = converted.size() / sizeof(Char);
  if (count > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
    return FailConversion(ERROR_INSUFFICIENT_BUFFER);
  }
  if (buffer_count == 0) return static_cast<int>(count);
  if (count > static_cast<std::size_t>(buffer_count))
    return FailConversion(ERROR_INSUFFICIENT_BUFFER);
  // Counted units, as the terminal's conversions deliver them: a terminator only if the input
  // had one.
  // NOLINTNEXTLINE(bugprone-not-null-terminated-result)
  std::memcpy(buffer, converted.data(), converted.size());
  return static_cast<int>(count);
}

}  // namespace

int WideCharToMultiByte(UINT code_page, DWORD flags, LPCWSTR wide, int wide_count, char* multi,
                        int multi_size, LPCSTR default_char, BOOL* used_default_char) {
  if (flags != 0) return FailConversion(ERROR_INVALID_FLAGS);
  const bool utf8 = code_page == CP_UTF8;
  if (wide == nullptr || wide_count == 0 || wide_count < -1 || multi_size < 0 ||
      (multi_size > 0 && multi == nullptr) ||
      (utf8 && (default_char != nullptr || used_default_char != nullptr))) {
    return FailConversion(ERROR_INVALID_PARAMETER);
  }
  const iconv_t converter = KeptConverter(EncodingName(code_page), kWideEncoding);
  if (converter == nullptr) return FailConversion(ERROR_INVALID_PARAMETER);

  const std::size_t count =
      wide_count == -1 ? std::wcslen(wide) + 1 : static_cast<std::size_t>(wide_count);
  const char question_mark = '?';
  Substitution substitution{
      utf8 ? kUtf8ReplacementCharacter
           : std::string_view(default_char != nullptr ? default_char : &question_mark, 1),
      sizeof(wchar_t)};
  const auto converted =
      Transcode(converter, AsBytes(std::wstring_view(wide, count)), substitution);
  if (!converted) return FailConversion(ERROR_INVALID_PARAMETER);
  if (used_default_char != nullptr) *used_default_char = substitution.used ? TRUE : FALSE;
  return Deliver(*converted, multi, multi_size);
}

int MultiByteToWideChar(UINT code_page, DWORD flags, LPCSTR multi, int multi_count, LPWSTR wide,
                        int wide_count) {
  if (flags != 0) return FailConversion(ERROR_INVALID_FLAGS);
  if (multi == nullptr || multi_count == 0 || multi_count < -1 || wide_count < 0 ||
      (wide_count > 0 && wide == nullptr)) {
    return FailConversion(ERROR_INVALID_PARAMETER);
  }
  const iconv_t converter = KeptConverter(kWideEncoding, EncodingName(code_page));
  if (converter == nullptr) return FailConversion(ERROR_INVALID_PARAMETER);

  const std::size_t count =
      multi_count == -1 ? std::strlen(multi) + 1 : static_cast<std::size_t>(multi_count);
  Substitution substitution{AsBytes(std::wstring_view(&kReplacementCharacter, 1)), 1};
  const auto converted = Transcode(converter, std::string_view(multi, count), substitution);
  if (!converted) return FailConversion(ERROR_INVALID_PARAMETER);
  return Deliver(*converted, wide, wide_count);
}

namespace platform {

std::string ToUtf8(std::wstring_view text) {
  const iconv_t converter = KeptConverter("UTF-8", kWideEncoding);
  Substitution substitution{kUtf8ReplacementCharacter, sizeof(wchar_t)};
  return Transcode(converter, AsBytes(text), substitution).value_or(std::string());
}

std::optional<std::wstring> FromUtf8(std::string_view text) {
  const iconv_t converter = KeptConverter(kWideEncoding, "UTF-8");
  Substitution refuse{std::nullopt, 1};
  const auto converted = Transcode(converter, text, refuse);
  if (!converted) return std::nullopt;
  std::wstring wide(converted->size() / sizeof(wchar_t), L'\0');
  std::memcpy(wide.data(), converted->data(), converted->size());
  return wide;
}

}  // namespace platform
