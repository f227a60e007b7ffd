#include "core/util/file_names.h"

#include <algorithm>
#include <array>

#include "core/util/text.h"

namespace z7 {

namespace {
// Long enough for any sensible name, short enough that stem, suffix and extension stay far below
// the 255-unit limits of common file systems.
constexpr size_t kMaxStemUnits = 120;

bool IsForbidden(char16_t c) {
    return c < 0x20 || c == 0x7F || c == u'/' || c == u'\\' || c == u':' || c == u'*' ||
           c == u'?' || c == u'"' || c == u'<' || c == u'>' || c == u'|';
}

bool IsReservedDeviceName(std::u16string_view stem) {
    // Windows treats these as devices whatever the extension.
    const std::u16string_view base = stem.substr(0, stem.find(u'.'));
    static constexpr std::array<std::u16string_view, 4> kPlain = {u"con", u"prn", u"aux", u"nul"};
    for (auto r : kPlain)
        if (EqualsIgnoreAsciiCase(base, r)) return true;
    if (base.size() == 4 && base[3] >= u'1' && base[3] <= u'9')
        return EqualsIgnoreAsciiCase(base.substr(0, 3), u"com") ||
               EqualsIgnoreAsciiCase(base.substr(0, 3), u"lpt");
    return false;
}
}  // namespace

std::u16string SafeFileStem(std::u16string_view name) {
    std::u16string stem;
    stem.reserve(name.size());
    for (char16_t c : name) stem.push_back(IsForbidden(c) ? u'_' : c);
    if (stem.size() > kMaxStemUnits) {
        stem.resize(kMaxStemUnits);
        // Never leave half a surrogate pair.
        if (stem.back() >= 0xD800 && stem.back() <= 0xDBFF) stem.pop_back();
    }
    for (char16_t& c : stem) {
        if (c != u'.') break;
        c = u'_';  // a leading dot hides the file on Linux
    }
    // Windows drops trailing dots and blanks, which would merge distinct names.
    for (auto it = stem.rbegin(); it != stem.rend() && (*it == u'.' || *it == u' '); ++it) *it = u'_';
    if (stem.empty()) stem = u"_";
    if (IsReservedDeviceName(stem)) stem.insert(stem.begin(), u'_');
    return stem;
}

std::u16string UniqueFileName(std::u16string_view stem, std::u16string_view extension,
                              std::vector<std::u16string>& taken) {
    auto isTaken = [&](const std::u16string& candidate) {
        return std::any_of(taken.begin(), taken.end(), [&](const std::u16string& t) {
            return EqualsIgnoreAsciiCase(t, candidate);
        });
    };
    std::u16string candidate = std::u16string(stem) + std::u16string(extension);
    for (int n = 2; isTaken(candidate); ++n)
        candidate = std::u16string(stem) + u"_" + DecimalText(n) + std::u16string(extension);
    taken.push_back(candidate);
    return candidate;
}

}  // namespace z7
