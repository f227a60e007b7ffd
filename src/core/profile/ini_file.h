#pragma once
// INI files as the Windows profile-string functions read and write them: sections and keys
// compared case-insensitively, values trimmed and unquoted, the first of duplicate keys wins, and
// a write changes only the line it concerns. UTF-16 files (with their byte order mark) stay
// UTF-16; everything else is read and written as UTF-8.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace z7 {

class IniFile {
public:
    enum class Encoding { Utf8, Utf8Bom, Utf16Le };

    static IniFile Parse(std::span<const uint8_t> bytes);
    std::vector<uint8_t> Serialize() const;

    std::optional<std::u16string> Get(std::u16string_view section, std::u16string_view key) const;
    std::u16string GetString(std::u16string_view section, std::u16string_view key,
                             std::u16string_view fallback) const;
    void Set(std::u16string_view section, std::u16string_view key, std::u16string_view value);

    std::vector<std::u16string> sectionKeys(std::u16string_view section) const;
    Encoding encoding() const { return encoding_; }

private:
    struct Located {
        std::optional<size_t> sectionLine;  // the "[section]" line
        size_t sectionEnd = 0;              // one past the section's last line
        std::optional<size_t> keyLine;
    };
    Located Locate(std::u16string_view section, std::u16string_view key) const;

    std::vector<std::u16string> lines_;
    Encoding encoding_ = Encoding::Utf8;
    bool crlf_ = false;
};

// A missing or unreadable file (larger than 1 MiB included) gives an empty IniFile and false;
// `error` then says why.
bool LoadIniFile(FileSystem& fs, const std::filesystem::path& path, IniFile& out,
                 std::string* error = nullptr);
// Writes through a temporary file and a rename, creating the folder if needed.
[[nodiscard]] bool SaveIniFile(FileSystem& fs, const std::filesystem::path& path, const IniFile& ini,
                               std::string* error);

}  // namespace z7
