#include "core/backup/backup_manifest.h"

#include <algorithm>

#include "core/firmware/firmware_package.h"
#include "core/profile/ini_file.h"
#include "core/util/text.h"

namespace z7 {

namespace {
constexpr char16_t kBackupSection[] = u"Backup";
constexpr char16_t kMouseSection[] = u"Mouse";
constexpr size_t kHexDigits = 64;

struct StateName {
    MouseSnapshot::State state;
    const char* name;
};
constexpr StateName kStateNames[] = {
    {MouseSnapshot::State::kNotAsked, "not-asked"},
    {MouseSnapshot::State::kRead, "read"},
    {MouseSnapshot::State::kNotFound, "not-found"},
    {MouseSnapshot::State::kNoAccess, "no-access"},
    {MouseSnapshot::State::kBusy, "busy"},
    {MouseSnapshot::State::kBootLoader, "boot-loader"},
    {MouseSnapshot::State::kNoAnswer, "no-answer"},
};

std::u16string U(const std::string& s) {
    return Utf8ToUtf16(s);
}

// Values are one line each: a line break in a note would start another key.
std::string OneLine(std::string s) {
    std::replace_if(
        s.begin(), s.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
    return s;
}

std::optional<long long> Number(const IniFile& ini, const char16_t* section, const char16_t* key,
                                long long low, long long high) {
    const auto text = ini.Get(section, key);
    if (!text || text->empty() || text->size() > 12) return std::nullopt;
    for (char16_t c : *text)
        if (c < u'0' || c > u'9') return std::nullopt;
    const long long v = ParseDecimalPrefix(*text);
    if (v < low || v > high) return std::nullopt;
    return v;
}

bool IsHex(std::string_view s) {
    return std::all_of(s.begin(), s.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    });
}

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'F') c = static_cast<char>(c - 'A' + 'a');
    return s;
}
}  // namespace

const char* MouseStateName(MouseSnapshot::State state) {
    for (const auto& s : kStateNames)
        if (s.state == state) return s.name;
    return "not-asked";
}

std::vector<uint8_t> EncodeManifest(const BackupManifest& m) {
    IniFile ini;
    ini.Set(kBackupSection, u"Format", DecimalText(m.format));
    ini.Set(kBackupSection, u"Program", U(OneLine(m.program)));
    ini.Set(kBackupSection, u"Created", U(OneLine(m.created)));
    ini.Set(kBackupSection, u"DataFiles", DecimalText(static_cast<long long>(m.dataFiles)));
    ini.Set(kBackupSection, u"Settings", m.hasSettings ? u"1" : u"0");
    const MouseSnapshot& mouse = m.mouse;
    ini.Set(kMouseSection, u"State", U(MouseStateName(mouse.state)));
    if (mouse.firmwareVersion)
        ini.Set(kMouseSection, u"FirmwareVersion", U(FirmwareVersionText(*mouse.firmwareVersion)));
    if (mouse.activeSlot) ini.Set(kMouseSection, u"ActiveSlot", DecimalText(*mouse.activeSlot));
    if (mouse.deviceCode) ini.Set(kMouseSection, u"DeviceCode", U(OneLine(*mouse.deviceCode)));
    if (!mouse.note.empty()) ini.Set(kMouseSection, u"Note", U(OneLine(mouse.note)));
    return ini.Serialize();
}

bool ParseManifest(std::span<const uint8_t> bytes, BackupManifest& out, std::string* error) {
    auto fail = [&](const std::string& why) {
        if (error) *error = "the backup's manifest " + std::string(kManifestName) + " " + why;
        return false;
    };
    if (bytes.size() > kMaxManifestBytes) return fail("is too large");
    const IniFile ini = IniFile::Parse(bytes);
    const auto format = Number(ini, kBackupSection, u"Format", 1, 1000000);
    if (!format) return fail("names no format; it is not a backup of this program");
    if (*format > kBackupFormat)
        return fail("is of format " + std::to_string(*format) +
                    ", made by a newer version of this program; update the program to restore it");
    BackupManifest m;
    m.format = static_cast<int>(*format);
    m.program = Utf16ToUtf8(ini.GetString(kBackupSection, u"Program", u""));
    m.created = Utf16ToUtf8(ini.GetString(kBackupSection, u"Created", u""));
    m.dataFiles =
        static_cast<size_t>(Number(ini, kBackupSection, u"DataFiles", 0, 1000000000).value_or(0));
    m.hasSettings = ini.GetString(kBackupSection, u"Settings", u"0") == u"1";
    const std::string state = Utf16ToUtf8(ini.GetString(kMouseSection, u"State", u"not-asked"));
    for (const auto& s : kStateNames)
        if (state == s.name) m.mouse.state = s.state;
    uint16_t version = 0;
    if (const auto v = ini.Get(kMouseSection, u"FirmwareVersion");
        v && ParseFirmwareVersion(Utf16ToUtf8(*v), version))
        m.mouse.firmwareVersion = version;
    if (const auto slot = Number(ini, kMouseSection, u"ActiveSlot", 0, 4))
        m.mouse.activeSlot = static_cast<uint8_t>(*slot);
    if (const auto code = ini.Get(kMouseSection, u"DeviceCode"))
        m.mouse.deviceCode = Utf16ToUtf8(*code);
    m.mouse.note = Utf16ToUtf8(ini.GetString(kMouseSection, u"Note", u""));
    out = std::move(m);
    return true;
}

std::vector<uint8_t> EncodeChecksums(const ChecksumList& sums) {
    std::vector<uint8_t> out;
    for (const auto& [name, hex] : sums) {
        const std::string line = hex + "  " + name + "\n";
        out.insert(out.end(), line.begin(), line.end());
    }
    return out;
}

bool ParseChecksums(std::span<const uint8_t> bytes, ChecksumList& out, std::string* error) {
    auto fail = [&](size_t lineNumber, const std::string& why) {
        if (error)
            *error = "the backup's checksum list " + std::string(kChecksumsName) + ", line " +
                     std::to_string(lineNumber) + ": " + why;
        return false;
    };
    ChecksumList sums;
    size_t lineNumber = 0;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = start;
        while (end < bytes.size() && bytes[end] != '\n') ++end;
        std::string line(bytes.begin() + static_cast<std::ptrdiff_t>(start),
                         bytes.begin() + static_cast<std::ptrdiff_t>(end));
        start = end + 1;
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        // "HEX  NAME" (text mode) or "HEX *NAME" (binary mode); names are never escaped here.
        if (line.size() < kHexDigits + 3 || !IsHex(std::string_view(line).substr(0, kHexDigits)) ||
            line[kHexDigits] != ' ' || (line[kHexDigits + 1] != ' ' && line[kHexDigits + 1] != '*'))
            return fail(lineNumber, "not a checksum line");
        std::string name = line.substr(kHexDigits + 2);
        // Member names never hold control characters; a line that does is not one of ours.
        if (name.empty() || std::any_of(name.begin(), name.end(), [](char c) {
                return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
            }))
            return fail(lineNumber, "not a member name");
        if (!sums.emplace(std::move(name), Lower(line.substr(0, kHexDigits))).second)
            return fail(lineNumber, "a member is named twice");
    }
    out = std::move(sums);
    return true;
}

}  // namespace z7
