#pragma once
// Conversions between the encodings the program meets: UTF-16 in files and records,
// UTF-8 on the Linux side and in JSON, native paths.
#include <filesystem>
#include <string>
#include <string_view>

namespace z7 {

// Invalid input (unpaired surrogates, malformed UTF-8) becomes U+FFFD; never fails.
std::string Utf16ToUtf8(std::u16string_view text);
std::u16string Utf8ToUtf16(std::string_view text);

// Never throws: unpaired surrogates become U+FFFD.
std::filesystem::path PathFromUtf16(std::u16string_view text);
std::u16string PathToUtf16(const std::filesystem::path& path);
// UTF-8 text <-> path on every platform (std::string constructors would use the ANSI code page on
// Windows).
std::filesystem::path PathFromUtf8(std::string_view text);
std::string PathToUtf8(const std::filesystem::path& path);

// ASCII-only case folding, as used for keys and names compared case-insensitively.
char16_t AsciiLower(char16_t c);
bool EqualsIgnoreAsciiCase(std::u16string_view a, std::u16string_view b);

// "%d" formatting and a lenient decimal parse (leading blanks, sign, digits; 0 when none),
// the behaviour of the C library conversion the files were written for.
std::u16string DecimalText(long long value);
long long ParseDecimalPrefix(std::u16string_view text);

}  // namespace z7
