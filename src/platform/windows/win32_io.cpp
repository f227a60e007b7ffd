#include "platform/windows/win32_io.h"

#include <algorithm>

#include "core/util/text.h"
#include "platform/windows/hid_windows_rules.h"

namespace z7 {

std::string SystemMessage(DWORD code) {
    wchar_t* text = nullptr;
    const DWORD n = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::u16string message = n && text ? std::u16string(text, text + n) : std::u16string();
    if (text) ::LocalFree(text);
    while (!message.empty() && (message.back() == u'\n' || message.back() == u'\r' ||
                                message.back() == u' ' || message.back() == u'.'))
        message.pop_back();
    return (message.empty() ? std::string("Win32 error") : Utf16ToUtf8(message)) + " (error " +
           std::to_string(code) + ")";
}

HidStatus Win32Failure(const char* what, const std::string& path, DWORD code) {
    return {HidErrorFromWin32(code), std::string(what) + " " + path + ": " + SystemMessage(code)};
}

HidStatus OverlappedRead(HANDLE handle, HANDLE completion, HANDLE cancel, std::span<uint8_t> buffer,
                         Millis timeout, size_t& got, const std::string& path) {
    got = 0;
    if (::WaitForSingleObject(cancel, 0) == WAIT_OBJECT_0)
        return {HidError::kCancelled, "read cancelled"};
    OVERLAPPED overlapped{};
    overlapped.hEvent = completion;
    ::ResetEvent(completion);
    DWORD count = 0;
    if (!::ReadFile(handle, buffer.data(), static_cast<DWORD>(buffer.size()), &count,
                    &overlapped)) {
        const DWORD error = ::GetLastError();
        if (error != ERROR_IO_PENDING) return Win32Failure("read", path, error);
        const HANDLE waits[2] = {completion, cancel};
        const auto limit = std::clamp<long long>(timeout.count(), 0, INFINITE - 1);
        const DWORD woke = ::WaitForMultipleObjects(2, waits, FALSE, static_cast<DWORD>(limit));
        const DWORD waitError = woke == WAIT_FAILED ? ::GetLastError() : 0;
        if (woke != WAIT_OBJECT_0) ::CancelIo(handle);
        // Waits for the cancellation as well: the buffer and OVERLAPPED must outlive the read.
        // A read that completed just before its cancellation keeps its data.
        if (!::GetOverlappedResult(handle, &overlapped, &count, TRUE)) {
            const DWORD finished = ::GetLastError();
            if (finished != ERROR_OPERATION_ABORTED) return Win32Failure("read", path, finished);
            if (woke == WAIT_OBJECT_0 + 1) return {HidError::kCancelled, "read cancelled"};
            if (woke == WAIT_FAILED) return Win32Failure("wait for", path, waitError);
            return {HidError::kTimeout, "no input report"};
        }
    }
    got = std::min<size_t>(count, buffer.size());
    return {};
}

}  // namespace z7
