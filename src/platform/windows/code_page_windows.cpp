#include <windows.h>

#include "platform/code_page.h"

namespace z7 {
namespace {

constexpr UINT kGbkCodePage = 936;

bool IsHighSurrogate(wchar_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(wchar_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

}  // namespace

// One code point per call, as on Linux, so that an unmappable character (surrogate pairs
// included) costs exactly one '?' whatever the platform.
std::string EncodeGbk(std::u16string_view text) {
    std::string out;
    out.reserve(text.size() * 2);
    const wchar_t* units = reinterpret_cast<const wchar_t*>(text.data());
    for (size_t i = 0; i < text.size();) {
        int length = 1;
        if (IsHighSurrogate(units[i]) && i + 1 < text.size() && IsLowSurrogate(units[i + 1]))
            length = 2;
        else if (IsHighSurrogate(units[i]) || IsLowSurrogate(units[i])) {
            out.push_back('?');
            ++i;
            continue;
        }
        char buffer[8];
        BOOL usedDefault = FALSE;
        const int written = WideCharToMultiByte(kGbkCodePage, WC_NO_BEST_FIT_CHARS, units + i,
                                                length, buffer, static_cast<int>(sizeof buffer), "?",
                                                &usedDefault);
        if (written <= 0 || usedDefault)
            out.push_back('?');
        else
            out.append(buffer, static_cast<size_t>(written));
        i += static_cast<size_t>(length);
    }
    return out;
}

}  // namespace z7
