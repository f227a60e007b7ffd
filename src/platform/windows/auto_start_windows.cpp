#include <windows.h>

#include <string>

#include "platform/auto_start.h"

namespace z7 {
namespace {

constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

std::wstring Wide(const std::u16string& s) { return std::wstring(s.begin(), s.end()); }

std::wstring ProgramPath() {
    wchar_t buffer[32768];
    const DWORD n = ::GetModuleFileNameW(nullptr, buffer, static_cast<DWORD>(std::size(buffer)));
    return std::wstring(buffer, n < std::size(buffer) ? n : 0);
}

class RunKeyAutoStart final : public AutoStart {
public:
    bool Enable(const std::u16string& valueName) override {
        HKEY key = nullptr;
        if (::RegOpenKeyExW(HKEY_CURRENT_USER, kRunKey, 0, KEY_WRITE, &key) != ERROR_SUCCESS) return false;
        const std::wstring path = ProgramPath();
        // REG_SZ data includes its terminating NUL.
        const LONG r = ::RegSetValueExW(key, Wide(valueName).c_str(), 0, REG_SZ,
                                        reinterpret_cast<const BYTE*>(path.c_str()),
                                        static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t)));
        ::RegCloseKey(key);
        return r == ERROR_SUCCESS;
    }

    bool Disable(const std::u16string& valueName) override {
        HKEY key = nullptr;
        if (::RegOpenKeyExW(HKEY_CURRENT_USER, kRunKey, 0, KEY_WRITE, &key) != ERROR_SUCCESS) return false;
        const LONG r = ::RegDeleteValueW(key, Wide(valueName).c_str());
        ::RegCloseKey(key);
        return r == ERROR_SUCCESS;
    }

    bool IsEnabled(const std::u16string& valueName) override {
        HKEY key = nullptr;
        if (::RegOpenKeyExW(HKEY_CURRENT_USER, kRunKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
        const LONG r = ::RegQueryValueExW(key, Wide(valueName).c_str(), nullptr, nullptr, nullptr, nullptr);
        ::RegCloseKey(key);
        return r == ERROR_SUCCESS;
    }
};

}  // namespace

std::unique_ptr<AutoStart> CreateAutoStart() { return std::make_unique<RunKeyAutoStart>(); }

}  // namespace z7
