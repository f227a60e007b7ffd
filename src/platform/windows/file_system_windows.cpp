#include <windows.h>

#include <system_error>

#include "core/util/text.h"
#include "platform/portable_file_system.h"

namespace z7 {
namespace {

namespace fs = std::filesystem;

bool Fail(std::string* error, const std::string& what, const fs::path& path, DWORD code) {
    if (error) {
        *error = what + " " + Utf16ToUtf8(PathToUtf16(path)) + ": " +
                 std::system_category().message(static_cast<int>(code));
    }
    return false;
}

class WindowsFileSystem final : public PortableFileSystem {
public:
    bool WriteFile(const fs::path& path, std::span<const uint8_t> bytes, std::string* error) override {
        HANDLE h = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) return Fail(error, "cannot create", path, ::GetLastError());
        size_t done = 0;
        while (done < bytes.size()) {
            DWORD written = 0;
            const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1 << 20));
            if (!::WriteFile(h, bytes.data() + done, chunk, &written, nullptr)) {
                const DWORD e = ::GetLastError();
                ::CloseHandle(h);
                return Fail(error, "cannot write", path, e);
            }
            done += written;
        }
        if (!::FlushFileBuffers(h)) {
            const DWORD e = ::GetLastError();
            ::CloseHandle(h);
            return Fail(error, "cannot flush", path, e);
        }
        ::CloseHandle(h);
        return true;
    }

    bool ReadFile(const fs::path& path, std::vector<uint8_t>& out, size_t maxBytes,
                  std::string* error) override {
        HANDLE h = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) return Fail(error, "cannot open", path, ::GetLastError());
        LARGE_INTEGER size{};
        if (!::GetFileSizeEx(h, &size) || static_cast<unsigned long long>(size.QuadPart) > maxBytes) {
            ::CloseHandle(h);
            return Fail(error, "file too large or unreadable:", path, ERROR_FILE_TOO_LARGE);
        }
        std::vector<uint8_t> data(static_cast<size_t>(size.QuadPart));
        size_t done = 0;
        while (done < data.size()) {
            DWORD got = 0;
            const DWORD chunk = static_cast<DWORD>(std::min<size_t>(data.size() - done, 1 << 20));
            if (!::ReadFile(h, data.data() + done, chunk, &got, nullptr) || got == 0) {
                const DWORD e = ::GetLastError();
                ::CloseHandle(h);
                return Fail(error, "cannot read", path, e);
            }
            done += got;
        }
        ::CloseHandle(h);
        out = std::move(data);
        return true;
    }

    bool Rename(const fs::path& from, const fs::path& to, std::string* error) override {
        if (!::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return Fail(error, "cannot rename", from, ::GetLastError());
        return true;
    }

    bool Remove(const fs::path& path, std::string* error) override {
        // DeleteFileW refuses folders, so a damaged list or journal can never empty one.
        if (::DeleteFileW(path.c_str())) return true;
        const DWORD e = ::GetLastError();
        if (e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND) return true;
        return Fail(error, "cannot remove", path, e);
    }

    FileNameRules nameRules() const override {
        return {.maxNameUnits = 255, .utf16Units = true, .ignoreCase = true};
    }

    bool SameFileName(std::u16string_view a, std::u16string_view b) const override {
        // The same uppercase table the file system compares names with.
        return ::CompareStringOrdinal(reinterpret_cast<const wchar_t*>(a.data()),
                                      static_cast<int>(a.size()),
                                      reinterpret_cast<const wchar_t*>(b.data()),
                                      static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
    }

    bool CreateDirectories(const fs::path& path, std::string* error) override {
        std::error_code ec;
        fs::create_directories(path, ec);
        if (ec || !fs::is_directory(path, ec))
            return Fail(error, "cannot create folder", path, ec ? static_cast<DWORD>(ec.value()) : ERROR_DIRECTORY);
        return true;
    }
};

}  // namespace

FileSystem& LocalFileSystem() {
    static WindowsFileSystem instance;
    return instance;
}

}  // namespace z7
