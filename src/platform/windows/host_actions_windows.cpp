// Opening targets with the shell's "open" verb and pasting text through the clipboard.
#include <windows.h>
// shellapi.h and objbase.h need windows.h first.
#include <objbase.h>
#include <shellapi.h>

#include <cstring>
#include <thread>

#include "platform/host_actions.h"

namespace z7 {
namespace {

class WindowsHostActions final : public HostActions {
  public:
    void OpenTarget(const std::u16string& target) override {
        std::wstring file(target.begin(), target.end());
        // A slow shell must not hold up the caller (the event listener).
        std::thread([file = std::move(file)] {
            CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
            ShellExecuteW(nullptr, L"open", file.c_str(), L"", L"", SW_SHOW);
            CoUninitialize();
        }).detach();
    }

    bool PasteText(const std::u16string& text) override {
        if (!OpenClipboard(nullptr)) return false;
        EmptyClipboard();
        // Unicode text, so that Chinese survives whatever the ANSI code page is.
        const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes);
        if (!block) {
            CloseClipboard();
            return false;
        }
        void* p = GlobalLock(block);
        if (!p) {
            GlobalFree(block);
            CloseClipboard();
            return false;
        }
        std::memcpy(p, text.data(), text.size() * sizeof(wchar_t));
        static_cast<wchar_t*>(p)[text.size()] = L'\0';
        GlobalUnlock(block);
        if (!SetClipboardData(CF_UNICODETEXT, block)) {
            GlobalFree(block);  // still ours when SetClipboardData fails
            CloseClipboard();
            return false;
        }
        CloseClipboard();

        INPUT keys[4] = {};
        const WORD codes[4] = {VK_LCONTROL, 'V', 'V', VK_LCONTROL};
        for (int i = 0; i < 4; ++i) {
            keys[i].type = INPUT_KEYBOARD;
            keys[i].ki.wVk = codes[i];
            keys[i].ki.dwFlags = (i >= 2) ? KEYEVENTF_KEYUP : 0;
        }
        return SendInput(4, keys, sizeof(INPUT)) == 4;
    }
};

}  // namespace

std::unique_ptr<HostActions> CreateHostActions() {
    return std::make_unique<WindowsHostActions>();
}

}  // namespace z7
