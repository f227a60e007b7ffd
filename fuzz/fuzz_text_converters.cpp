// The converters between UTF-8, UTF-16 and GBK and the file-name rules built on them: any input,
// valid or not, converts without a crash; converted text converts back unchanged; a file name
// never holds what a file system cannot take.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "cli/json.h"
#include "core/util/file_names.h"
#include "core/util/text.h"
#include "platform/code_page.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::u16string fromUtf8 = z7::Utf8ToUtf16(bytes);
    if (z7::Utf8ToUtf16(z7::Utf16ToUtf8(fromUtf8)) != fromUtf8) std::abort();

    std::u16string units(size / 2, u'\0');
    for (size_t i = 0; i < units.size(); ++i)
        units[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
    const std::string utf8 = z7::Utf16ToUtf8(units);
    if (z7::Utf16ToUtf8(z7::Utf8ToUtf16(utf8)) != utf8) std::abort();

    const std::string gbk = z7::EncodeGbk(units);
    if (gbk.size() > 2 * units.size()) std::abort();
    for (size_t i = 0; i < gbk.size(); ++i) {
        const auto b = static_cast<unsigned char>(gbk[i]);
        if (b <= 0x80) continue;  // ASCII, and the euro sign's single byte of code page 936
        if (b > 0xFE || i + 1 >= gbk.size()) std::abort();  // a lead byte and its trail
        ++i;
    }

    for (const z7::FileNameRules rules :
         {z7::FileNameRules{255, false, false}, z7::FileNameRules{255, true, true}}) {
        const std::u16string stem = z7::SafeFileStem(units, rules);
        if (stem.empty() || z7::FileNameLength(stem, rules) > 255 - z7::kReservedNameUnits)
            std::abort();
        for (size_t i = 0; i < stem.size(); ++i) {
            const char16_t c = stem[i];
            if (c < 0x20 || c == u'/' || c == u'\\' || c == u':') std::abort();
            const bool high = c >= 0xD800 && c <= 0xDBFF, low = c >= 0xDC00 && c <= 0xDFFF;
            if (low) std::abort();  // every low surrogate is consumed after its high one
            if (high) {
                if (i + 1 >= stem.size() || stem[i + 1] < 0xDC00 || stem[i + 1] > 0xDFFF)
                    std::abort();
                ++i;
            }
        }
        if (z7::PathFromUtf16(stem) != z7::PathFromUtf16(stem).filename()) std::abort();
    }

    const std::string shown = z7::cli::TextSafe(utf8);
    for (size_t i = 0; i < shown.size(); ++i) {
        const auto c = static_cast<unsigned char>(shown[i]);
        if (c < 0x20 || c == 0x7F) std::abort();
        if (c == 0xC2 && i + 1 < shown.size() && static_cast<unsigned char>(shown[i + 1]) >= 0x80 &&
            static_cast<unsigned char>(shown[i + 1]) <= 0x9F)
            std::abort();
    }
    return 0;
}
