#pragma once
// The two small files every backup carries beside the data: "manifest.ini" (which program made
// it, when, and what the mouse reported) and "SHA256SUMS" (one checksum per member, in the
// format `sha256sum -c` checks).
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace z7 {

inline constexpr char kManifestName[] = "manifest.ini";
inline constexpr char kChecksumsName[] = "SHA256SUMS";
inline constexpr int kBackupFormat = 1;
inline constexpr size_t kMaxManifestBytes = 64u << 10;

// What the mouse said when the backup was made.
struct MouseSnapshot {
    enum class State {
        kNotAsked,
        kRead,  // firmware version and active slot were read
        kNotFound,
        kNoAccess,    // present, but this user may not open it
        kBusy,        // another program kept it for the whole wait
        kBootLoader,  // it waits in its boot loader
        kNoAnswer,    // found, but it did not report what was asked
    };
    State state = State::kNotAsked;
    std::optional<uint16_t> firmwareVersion;  // hundredths
    std::optional<uint8_t> activeSlot;
    std::optional<std::string> deviceCode;  // four printable characters
    std::string note;                       // why it could not be read, in words
    friend bool operator==(const MouseSnapshot&, const MouseSnapshot&) = default;
};
const char* MouseStateName(MouseSnapshot::State state);

struct BackupManifest {
    int format = kBackupFormat;
    std::string program;  // "kesta-z7 0.1.0"
    std::string created;  // UTC, ISO 8601: "2025-03-01T12:00:00Z"
    size_t dataFiles = 0;
    bool hasSettings = false;
    MouseSnapshot mouse;
    friend bool operator==(const BackupManifest&, const BackupManifest&) = default;
};

std::vector<uint8_t> EncodeManifest(const BackupManifest& manifest);
// False for a file that is not a manifest of a backup this program can read (no [Backup]
// section, a format it does not know); `error` says which.
[[nodiscard]] bool ParseManifest(std::span<const uint8_t> bytes, BackupManifest& out,
                                 std::string* error);

// Member name -> lower-case hex SHA-256.
using ChecksumList = std::map<std::string, std::string>;
std::vector<uint8_t> EncodeChecksums(const ChecksumList& sums);
// False for any line that is not "HEX  NAME" (64 hex digits, two blanks or blank and '*') and
// for a name given twice.
[[nodiscard]] bool ParseChecksums(std::span<const uint8_t> bytes, ChecksumList& out,
                                  std::string* error);

}  // namespace z7
