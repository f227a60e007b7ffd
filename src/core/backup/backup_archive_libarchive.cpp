// The archive layer over libarchive, and SHA-256 from nettle (the digest library libarchive
// itself uses on Debian).
#include <archive.h>
#include <archive_entry.h>
#include <nettle/sha2.h>

#include <locale.h>

#include <ctime>
#include <memory>
#include <set>

#include "core/backup/backup_archive.h"

namespace z7 {

namespace {

struct ReadCloser {
    void operator()(archive* a) const { archive_read_free(a); }
};
struct WriteCloser {
    void operator()(archive* a) const { archive_write_free(a); }
};
struct EntryFree {
    void operator()(archive_entry* e) const { archive_entry_free(e); }
};

std::string LibraryError(archive* a, const char* what) {
    const char* text = archive_error_string(a);
    return std::string(what) + (text ? std::string(": ") + text : std::string());
}

la_ssize_t AppendToVector(archive*, void* client, const void* buffer, size_t length) {
    auto* out = static_cast<std::vector<uint8_t>*>(client);
    const auto* bytes = static_cast<const uint8_t*>(buffer);
    out->insert(out->end(), bytes, bytes + length);
    return static_cast<la_ssize_t>(length);
}

// libarchive converts member names to the character set of the thread's locale, which in a
// program that never calls setlocale is ASCII: every Chinese name would be lost. UTF-8 for
// the calls here, whatever the program's locale.
class Utf8Names {
  public:
    Utf8Names() : utf8_(newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr))) {
        if (utf8_) previous_ = uselocale(utf8_);
    }
    ~Utf8Names() {
        if (!utf8_) return;
        uselocale(previous_);
        freelocale(utf8_);
    }
    Utf8Names(const Utf8Names&) = delete;
    Utf8Names& operator=(const Utf8Names&) = delete;

  private:
    locale_t utf8_;
    locale_t previous_ = nullptr;
};

// Text a message may quote: control characters in a hostile name would rewrite the terminal.
std::string Quoted(std::string_view name) {
    std::string out = "\"";
    for (char c : name.substr(0, 200))
        out += (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) ? '?' : c;
    if (name.size() > 200) out += "...";
    return out + "\"";
}

// The member's name without a leading "./" and a folder's trailing "/"; empty when it is
// absolute, climbs out, or holds empty or "." components, backslashes or control characters.
std::string NormalisedName(std::string name, bool folder) {
    while (name.rfind("./", 0) == 0) name.erase(0, 2);
    if (folder)
        while (!name.empty() && name.back() == '/') name.pop_back();
    if (name.empty() || name.front() == '/') return {};
    for (char c : name)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F || c == '\\') return {};
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = name.find('/', start);
        if (end == std::string::npos) end = name.size();
        const std::string_view part(name.data() + start, end - start);
        if (part.empty() || part == "." || part == "..") return {};
        start = end + 1;
    }
    return name;
}

}  // namespace

bool BackupArchiveAvailable() {
    return true;
}

bool WriteZipArchive(const std::vector<ArchiveMember>& members, std::vector<uint8_t>& out,
                     std::string* error) {
    const Utf8Names utf8;
    std::unique_ptr<archive, WriteCloser> a(archive_write_new());
    std::vector<uint8_t> bytes;
    auto fail = [&](const char* what) {
        if (error) *error = LibraryError(a.get(), what);
        return false;
    };
    if (!a || archive_write_set_format_zip(a.get()) != ARCHIVE_OK ||
        archive_write_zip_set_compression_deflate(a.get()) != ARCHIVE_OK ||
        archive_write_set_format_option(a.get(), "zip", "hdrcharset", "UTF-8") != ARCHIVE_OK ||
        archive_write_set_bytes_in_last_block(a.get(), 1) != ARCHIVE_OK)
        return fail("cannot set up the zip writer");
    if (archive_write_open(a.get(), &bytes, nullptr, AppendToVector, nullptr) != ARCHIVE_OK)
        return fail("cannot start the archive");
    const time_t now = std::time(nullptr);
    for (const ArchiveMember& m : members) {
        std::unique_ptr<archive_entry, EntryFree> entry(archive_entry_new());
        archive_entry_set_pathname_utf8(entry.get(), m.name.c_str());
        archive_entry_set_filetype(entry.get(), AE_IFREG);
        archive_entry_set_perm(entry.get(), 0644);
        archive_entry_set_size(entry.get(), static_cast<la_int64_t>(m.bytes.size()));
        archive_entry_set_mtime(entry.get(), now, 0);
        if (archive_write_header(a.get(), entry.get()) < ARCHIVE_WARN)
            return fail(("cannot add " + Quoted(m.name)).c_str());
        size_t done = 0;
        while (done < m.bytes.size()) {
            const la_ssize_t n =
                archive_write_data(a.get(), m.bytes.data() + done, m.bytes.size() - done);
            if (n <= 0) return fail(("cannot add " + Quoted(m.name)).c_str());
            done += static_cast<size_t>(n);
        }
        if (archive_write_finish_entry(a.get()) < ARCHIVE_WARN)
            return fail(("cannot add " + Quoted(m.name)).c_str());
    }
    if (archive_write_close(a.get()) != ARCHIVE_OK) return fail("cannot finish the archive");
    out = std::move(bytes);
    return true;
}

bool ReadArchive(std::span<const uint8_t> data, const ArchiveLimits& limits,
                 std::vector<ArchiveMember>& out, std::string* error) {
    auto refuse = [&](const std::string& why) {
        if (error) *error = why;
        return false;
    };
    if (data.empty()) return refuse("the file is empty");
    const Utf8Names utf8;
    std::unique_ptr<archive, ReadCloser> a(archive_read_new());
    if (!a) return refuse("cannot start the archive reader");
    archive_read_support_format_zip(a.get());
    archive_read_support_format_tar(a.get());
    archive_read_support_filter_gzip(a.get());
    if (archive_read_open_memory(a.get(), data.data(), data.size()) != ARCHIVE_OK)
        return refuse(LibraryError(a.get(), "not a zip or tar.gz archive"));

    std::vector<ArchiveMember> members;
    std::set<std::string> seen;
    size_t entries = 0;
    size_t total = 0;
    std::vector<uint8_t> chunk(64u << 10);
    for (;;) {
        archive_entry* entry = nullptr;
        const int r = archive_read_next_header(a.get(), &entry);
        if (r == ARCHIVE_EOF) break;
        if (r < ARCHIVE_WARN) return refuse(LibraryError(a.get(), "the archive is damaged"));
        if (++entries > limits.maxEntries)
            return refuse("the archive holds more than " + std::to_string(limits.maxEntries) +
                          " entries");
        const char* raw = archive_entry_pathname_utf8(entry);
        if (!raw) raw = archive_entry_pathname(entry);
        if (!raw) return refuse("the archive holds a member whose name cannot be read");
        const std::string rawName = raw;
        const auto type = archive_entry_filetype(entry);
        if (archive_entry_hardlink(entry) || archive_entry_symlink(entry) || type == AE_IFLNK)
            return refuse("the archive holds a link, " + Quoted(rawName));
        const bool folder = type == AE_IFDIR;
        if (!folder && type != AE_IFREG)
            return refuse("the archive holds a special file, " + Quoted(rawName));
        const std::string name = NormalisedName(rawName, folder);
        // The archive's own top folder, as `tar -cf x.tar .` writes it.
        if (folder && (rawName == "." || rawName == "./")) continue;
        if (name.empty())
            return refuse("the archive holds a member outside the data tree, " + Quoted(rawName));
        if (folder) {
            if (!limits.folderAllowed || !limits.folderAllowed(name))
                return refuse("the archive holds a folder outside the data tree, " +
                              Quoted(rawName));
            continue;
        }
        if (archive_entry_is_encrypted(entry))
            return refuse("the archive member " + Quoted(name) + " is encrypted");
        const std::optional<size_t> limit =
            limits.memberLimit ? limits.memberLimit(name) : std::nullopt;
        if (!limit)
            return refuse("the archive holds a member outside the data tree, " + Quoted(name));
        if (!seen.insert(name).second)
            return refuse("the archive holds " + Quoted(name) + " twice");
        if (archive_entry_size_is_set(entry) &&
            (archive_entry_size(entry) < 0 ||
             static_cast<unsigned long long>(archive_entry_size(entry)) > *limit))
            return refuse("the archive member " + Quoted(name) +
                          " is larger than such a file can be");
        ArchiveMember m{name, {}};
        for (;;) {
            const la_ssize_t n = archive_read_data(a.get(), chunk.data(), chunk.size());
            if (n == 0) break;
            if (n < 0)
                return refuse(LibraryError(
                    a.get(),
                    ("the archive is damaged, " + Quoted(name) + " cannot be read").c_str()));
            if (m.bytes.size() + static_cast<size_t>(n) > *limit)
                return refuse("the archive member " + Quoted(name) +
                              " is larger than such a file can be");
            total += static_cast<size_t>(n);
            if (total > limits.maxTotalBytes)
                return refuse("the archive holds more than " +
                              std::to_string(limits.maxTotalBytes >> 20) + " MiB of data");
            m.bytes.insert(m.bytes.end(), chunk.begin(), chunk.begin() + n);
        }
        members.push_back(std::move(m));
    }
    out = std::move(members);
    return true;
}

std::string Sha256Hex(std::span<const uint8_t> bytes) {
    sha256_ctx ctx;
    sha256_init(&ctx);
    sha256_update(&ctx, bytes.size(), bytes.data());
    uint8_t digest[SHA256_DIGEST_SIZE];
    sha256_digest(&ctx, SHA256_DIGEST_SIZE, digest);
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (uint8_t b : digest) {
        hex += kDigits[b >> 4];
        hex += kDigits[b & 0xF];
    }
    return hex;
}

}  // namespace z7
