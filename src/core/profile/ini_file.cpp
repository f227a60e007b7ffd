#include "core/profile/ini_file.h"

#include "core/util/text.h"

namespace z7 {

namespace {
constexpr size_t kMaxIniBytes = 1 << 20;

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

std::u16string_view Trim(std::u16string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

// "[name]" -> name; nullopt for other lines.
std::optional<std::u16string_view> SectionName(std::u16string_view line) {
    line = Trim(line);
    if (line.empty() || line.front() != u'[') return std::nullopt;
    const size_t close = line.find(u']');
    if (close == std::u16string_view::npos) return Trim(line.substr(1));
    return Trim(line.substr(1, close - 1));
}

// "key=value" -> key; nullopt for lines without "=" and comments.
std::optional<std::u16string_view> KeyOf(std::u16string_view line) {
    const std::u16string_view t = Trim(line);
    if (t.empty() || t.front() == u';') return std::nullopt;
    const size_t eq = line.find(u'=');
    if (eq == std::u16string_view::npos) return std::nullopt;
    return Trim(line.substr(0, eq));
}

std::u16string ValueOf(std::u16string_view line) {
    std::u16string_view v = Trim(line.substr(line.find(u'=') + 1));
    if (v.size() >= 2 && (v.front() == u'"' || v.front() == u'\'') && v.back() == v.front())
        v = v.substr(1, v.size() - 2);
    return std::u16string(v);
}
}  // namespace

IniFile IniFile::Parse(std::span<const uint8_t> bytes) {
    IniFile ini;
    std::u16string text;
    if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
        ini.encoding_ = Encoding::Utf16Le;
        for (size_t i = 2; i + 1 < bytes.size(); i += 2)
            text.push_back(static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8)));
    } else {
        size_t start = 0;
        if (bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
            ini.encoding_ = Encoding::Utf8Bom;
            start = 3;
        }
        text = Utf8ToUtf16(std::string_view(reinterpret_cast<const char*>(bytes.data()) + start,
                                            bytes.size() - start));
    }
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find(u'\n', pos);
        if (end == std::u16string::npos) end = text.size();
        std::u16string line = text.substr(pos, end - pos);
        if (!line.empty() && line.back() == u'\r') {
            line.pop_back();
            if (ini.lines_.empty()) ini.crlf_ = true;
        }
        ini.lines_.push_back(std::move(line));
        pos = end + 1;
    }
    return ini;
}

std::vector<uint8_t> IniFile::Serialize() const {
    std::u16string text;
    for (const auto& line : lines_) {
        text += line;
        text += crlf_ ? u"\r\n" : u"\n";
    }
    std::vector<uint8_t> out;
    switch (encoding_) {
        case Encoding::Utf16Le:
            out = {0xFF, 0xFE};
            for (char16_t c : text) {
                out.push_back(static_cast<uint8_t>(c));
                out.push_back(static_cast<uint8_t>(c >> 8));
            }
            break;
        case Encoding::Utf8Bom:
            out = {0xEF, 0xBB, 0xBF};
            [[fallthrough]];
        case Encoding::Utf8: {
            const std::string utf8 = Utf16ToUtf8(text);
            out.insert(out.end(), utf8.begin(), utf8.end());
            break;
        }
    }
    return out;
}

IniFile::Located IniFile::Locate(std::u16string_view section, std::u16string_view key) const {
    Located at;
    bool inSection = false;
    for (size_t i = 0; i < lines_.size(); ++i) {
        if (auto name = SectionName(lines_[i])) {
            if (inSection) break;  // later sections of the same name are not consulted
            inSection = EqualsIgnoreAsciiCase(*name, section);
            if (inSection) at.sectionLine = i;
            continue;
        }
        if (!inSection) continue;
        // Trailing blank lines belong to the gap before the next section.
        if (!Trim(lines_[i]).empty()) at.sectionEnd = i + 1;
        if (!at.keyLine) {
            if (auto k = KeyOf(lines_[i]); k && EqualsIgnoreAsciiCase(*k, key)) at.keyLine = i;
        }
    }
    if (at.sectionLine && at.sectionEnd == 0) at.sectionEnd = *at.sectionLine + 1;
    return at;
}

std::optional<std::u16string> IniFile::Get(std::u16string_view section,
                                           std::u16string_view key) const {
    const Located at = Locate(section, key);
    if (!at.keyLine) return std::nullopt;
    return ValueOf(lines_[*at.keyLine]);
}

std::u16string IniFile::GetString(std::u16string_view section, std::u16string_view key,
                                  std::u16string_view fallback) const {
    auto v = Get(section, key);
    return v ? *v : std::u16string(fallback);
}

void IniFile::Set(std::u16string_view section, std::u16string_view key,
                  std::u16string_view value) {
    const Located at = Locate(section, key);
    std::u16string line = std::u16string(key) + u"=" + std::u16string(value);
    if (at.keyLine) {
        lines_[*at.keyLine] = std::move(line);
    } else if (at.sectionLine) {
        lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at.sectionEnd), std::move(line));
    } else {
        lines_.push_back(u"[" + std::u16string(section) + u"]");
        lines_.push_back(std::move(line));
    }
}

std::vector<std::u16string> IniFile::sectionKeys(std::u16string_view section) const {
    std::vector<std::u16string> keys;
    bool inSection = false;
    for (const auto& line : lines_) {
        if (auto name = SectionName(line)) {
            if (inSection) break;
            inSection = EqualsIgnoreAsciiCase(*name, section);
            continue;
        }
        if (inSection)
            if (auto k = KeyOf(line)) keys.emplace_back(*k);
    }
    return keys;
}

bool LoadIniFile(FileSystem& fs, const std::filesystem::path& path, IniFile& out,
                 std::string* error) {
    std::vector<uint8_t> bytes;
    if (!fs.ReadFile(path, bytes, kMaxIniBytes, error)) {
        out = IniFile();
        return false;
    }
    out = IniFile::Parse(bytes);
    return true;
}

bool SaveIniFile(FileSystem& fs, const std::filesystem::path& path, const IniFile& ini,
                 std::string* error) {
    if (path.has_parent_path() && !fs.CreateDirectories(path.parent_path(), error)) return false;
    const std::filesystem::path temp = path.native() + std::filesystem::path::string_type{'.', 't', 'm', 'p'};
    return fs.WriteFile(temp, ini.Serialize(), error) && fs.Rename(temp, path, error);
}

}  // namespace z7
