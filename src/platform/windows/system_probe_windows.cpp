// The doctor's questions to Windows. There are no device nodes to inspect: the HID open itself
// says whether the mouse may be used.
#include <windows.h>

#include <iterator>
#include <string>

#include "core/diagnostics/doctor.h"
#include "core/util/text.h"
#include "platform/pointer_system.h"
#include "platform/system_probe.h"

namespace z7 {
namespace {

std::string SystemText(DWORD code) {
    wchar_t* text = nullptr;
    const DWORD n = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::u16string message(reinterpret_cast<const char16_t*>(text), n);
    if (text) ::LocalFree(text);
    while (!message.empty() && (message.back() == u'\n' || message.back() == u'\r'))
        message.pop_back();
    return message.empty() ? "error " + std::to_string(code) : Utf16ToUtf8(message);
}

class WindowsSystemProbe final : public SystemProbe {
  public:
    Os os() const override { return Os::kWindows; }
    NodeInfo InspectNode(const std::filesystem::path&) override { return {}; }
    std::optional<LockHolder> LockHolderOf(const std::filesystem::path&) override {
        return std::nullopt;
    }
    uint32_t UserId() override { return 0; }
    std::string UserName() override {
        wchar_t name[257];
        DWORD size = static_cast<DWORD>(std::size(name));
        if (!::GetUserNameW(name, &size) || size == 0) return {};
        return Utf16ToUtf8(std::u16string(reinterpret_cast<const char16_t*>(name), size - 1));
    }
    std::optional<uint64_t> FreeBytes(const std::filesystem::path& folder) override {
        std::error_code ec;
        const auto space = std::filesystem::space(folder, ec);
        if (ec) return std::nullopt;
        return space.available;
    }
    bool CanCreateFileIn(const std::filesystem::path& folder, std::string* error) override {
        const std::filesystem::path probe =
            folder / (L".z7doctor-" + std::to_wstring(::GetCurrentProcessId()));
        const HANDLE h =
            ::CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                          FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            if (error) *error = SystemText(::GetLastError());
            return false;
        }
        ::CloseHandle(h);
        return true;
    }
    DesktopInfo Desktop() override {
        DesktopInfo d;
        d.session = "windows";
        d.tray = true;
        d.trayKind = "notification area";
        d.globalKeyCapture = true;
        d.pointer = DescribePointerSupport(*CreatePointerSystem());
        return d;
    }
};

}  // namespace

std::unique_ptr<SystemProbe> CreateSystemProbe() {
    return std::make_unique<WindowsSystemProbe>();
}

}  // namespace z7
