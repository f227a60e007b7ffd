#include "core/util/file_names.h"

#include <algorithm>
#include <array>

#include "core/util/text.h"

namespace z7 {

namespace {
bool IsForbidden(char16_t c) {
    return c < 0x20 || c == 0x7F || c == u'/' || c == u'\\' || c == u':' || c == u'*' ||
           c == u'?' || c == u'"' || c == u'<' || c == u'>' || c == u'|';
}

bool IsHighSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

// Units of one character (a code point starting at text[i], `width` UTF-16 units long).
size_t CharUnits(char16_t first, size_t width, const FileNameRules& rules) {
    if (rules.utf16Units) return width;
    if (width == 2) return 4;
    return first < 0x80 ? 1 : first < 0x800 ? 2 : 3;
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

size_t FileNameLength(std::u16string_view name, const FileNameRules& rules) {
    size_t units = 0;
    for (size_t i = 0; i < name.size(); ++i) {
        const bool pair =
            IsHighSurrogate(name[i]) && i + 1 < name.size() && IsLowSurrogate(name[i + 1]);
        units += CharUnits(name[i], pair ? 2 : 1, rules);
        if (pair) ++i;
    }
    return units;
}

std::u16string SafeFileStem(std::u16string_view name, const FileNameRules& rules) {
    const size_t budget = rules.maxNameUnits > 2 * kReservedNameUnits
                              ? rules.maxNameUnits - kReservedNameUnits
                              : kReservedNameUnits;
    std::u16string stem;
    stem.reserve(name.size());
    size_t units = 0;
    for (size_t i = 0; i < name.size(); ++i) {
        const char16_t c = name[i];
        const bool pair = IsHighSurrogate(c) && i + 1 < name.size() && IsLowSurrogate(name[i + 1]);
        // Half a surrogate pair has no UTF-8 form: the file could not be named at all.
        const bool bad = IsForbidden(c) || (!pair && (IsHighSurrogate(c) || IsLowSurrogate(c)));
        const size_t width = pair ? 2 : 1;
        const size_t cost = bad ? 1 : CharUnits(c, width, rules);
        if (units + cost > budget) break;
        units += cost;
        if (bad) {
            stem.push_back(u'_');
        } else {
            stem.append(name.substr(i, width));
        }
        i += width - 1;
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
                              std::vector<std::u16string>& taken, const FileSystem& fs) {
    auto isTaken = [&](const std::u16string& candidate) {
        return std::any_of(taken.begin(), taken.end(),
                           [&](const std::u16string& t) { return fs.SameFileName(t, candidate); });
    };
    std::u16string candidate = std::u16string(stem) + std::u16string(extension);
    for (int n = 2; isTaken(candidate); ++n)
        candidate = std::u16string(stem) + u"_" + DecimalText(n) + std::u16string(extension);
    taken.push_back(candidate);
    return candidate;
}

}  // namespace z7
