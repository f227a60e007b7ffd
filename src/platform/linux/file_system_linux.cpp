#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <set>
#include <system_error>

#include "platform/portable_file_system.h"

namespace z7 {
namespace {

namespace fs = std::filesystem;

bool Fail(std::string* error, const std::string& what, const fs::path& path, int err) {
    if (error) *error = what + " " + path.string() + ": " + std::strerror(err);
    return false;
}

void SyncFolderOf(const fs::path& path) {
    // The rename or creation is only durable once the folder entry is flushed.
    const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

class LinuxFileSystem final : public PortableFileSystem {
  public:
    bool WriteFile(const fs::path& path, std::span<const uint8_t> bytes,
                   std::string* error) override {
        return Write(path, bytes, /*flush=*/true, error);
    }

    bool WriteFileNoSync(const fs::path& path, std::span<const uint8_t> bytes,
                         std::string* error) override {
        return Write(path, bytes, /*flush=*/false, error);
    }

    bool RenameNoSync(const fs::path& from, const fs::path& to, std::string* error) override {
        if (::rename(from.c_str(), to.c_str()) != 0)
            return Fail(error, "cannot rename", from, errno);
        std::lock_guard lock(mutex_);
        if (unsynced_.erase(from) > 0) unsynced_.insert(to);
        return true;
    }

    bool Sync(const fs::path& folder, std::string* error) override {
        bool written = false;
        {
            std::lock_guard lock(mutex_);
            for (auto it = unsynced_.begin(); it != unsynced_.end();) {
                if (it->parent_path() == folder) {
                    written = true;
                    it = unsynced_.erase(it);
                } else {
                    ++it;
                }
            }
        }
        const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dir < 0) return Fail(error, "cannot open folder", folder, errno);
        // One flush of the file system for all new files instead of one per file (a thousand
        // flushes take seconds); renames alone need only the folder flushed.
        const int rc = written ? ::syncfs(dir) : ::fsync(dir);
        const int err = errno;
        ::close(dir);
        return rc == 0 || Fail(error, "cannot flush", folder, err);
    }

    bool Write(const fs::path& path, std::span<const uint8_t> bytes, bool flush,
               std::string* error) {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0) return Fail(error, "cannot create", path, errno);
        size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
            if (n < 0) {
                if (errno == EINTR) continue;
                const int err = errno;
                ::close(fd);
                return Fail(error, "cannot write", path, err);
            }
            done += static_cast<size_t>(n);
        }
        if (!flush) {
            std::lock_guard lock(mutex_);
            unsynced_.insert(path);
        } else if (::fsync(fd) != 0) {
            const int err = errno;
            ::close(fd);
            return Fail(error, "cannot flush", path, err);
        }
        if (::close(fd) != 0) return Fail(error, "cannot close", path, errno);
        return true;
    }

    bool ReadFile(const fs::path& path, std::vector<uint8_t>& out, size_t maxBytes,
                  std::string* error) override {
        // Non-blocking, so that a FIFO named by a damaged list cannot hang the reader; regular
        // files read as usual.
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0) return Fail(error, "cannot open", path, errno);
        struct stat st {};
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            ::close(fd);
            return Fail(error, "not a file:", path, EISDIR);
        }
        if (static_cast<unsigned long long>(st.st_size) > maxBytes) {
            ::close(fd);
            return Fail(error, "file too large:", path, EFBIG);
        }
        std::vector<uint8_t> data;
        uint8_t chunk[65536];
        for (;;) {
            const ssize_t n = ::read(fd, chunk, sizeof chunk);
            if (n < 0) {
                if (errno == EINTR) continue;
                const int err = errno;
                ::close(fd);
                return Fail(error, "cannot read", path, err);
            }
            if (n == 0) break;
            if (data.size() + static_cast<size_t>(n) > maxBytes) {
                ::close(fd);
                return Fail(error, "file too large:", path, EFBIG);
            }
            data.insert(data.end(), chunk, chunk + n);
        }
        ::close(fd);
        out = std::move(data);
        return true;
    }

    bool Rename(const fs::path& from, const fs::path& to, std::string* error) override {
        if (::rename(from.c_str(), to.c_str()) != 0)
            return Fail(error, "cannot rename", from, errno);
        SyncFolderOf(to);
        return true;
    }

    bool Remove(const fs::path& path, std::string* error) override {
        // unlink refuses folders, so a damaged list or journal can never empty one.
        if (::unlink(path.c_str()) == 0 || errno == ENOENT) return true;
        return Fail(error, "cannot remove", path, errno);
    }

    bool CreateDirectories(const fs::path& path, std::string* error) override {
        std::error_code ec;
        fs::create_directories(path, ec);
        if (ec || !fs::is_directory(path, ec))
            return Fail(error, "cannot create folder", path, ec ? ec.value() : ENOTDIR);
        return true;
    }

  private:
    std::mutex mutex_;
    std::set<fs::path> unsynced_;  // written without a flush and not yet synced
};

}  // namespace

FileSystem& LocalFileSystem() {
    static LinuxFileSystem instance;
    return instance;
}

}  // namespace z7
