#pragma once
// The Win32 I/O steps of the HID backend that need no HID device, so that they can be tested
// on any handle.
#include <windows.h>

#include <cstdint>
#include <span>
#include <string>

#include "core/device/hid_transport.h"
#include "core/util/clock.h"

namespace z7 {

// The system's text for an error code, with the code: "Access is denied (error 5)".
std::string SystemMessage(DWORD code);

// A failed call as a transfer status: the category from the code (HidErrorFromWin32) and the
// text "WHAT PATH: <system message> (error N)".
HidStatus Win32Failure(const char* what, const std::string& path, DWORD code);

// Reads once from `handle` (opened with FILE_FLAG_OVERLAPPED) into `buffer`, asking for all of
// it. Waits at most `timeout` or until `cancel` (an auto-reset event) is signalled, then cancels
// the read, so that data arriving later stays queued for the next read. A signal given while no
// read waits ends the next read at once. `completion` is a manual-reset event of the caller's.
// kTimeout when nothing came, kCancelled when `cancel` ended it; `got` is the bytes stored.
HidStatus OverlappedRead(HANDLE handle, HANDLE completion, HANDLE cancel, std::span<uint8_t> buffer,
                         Millis timeout, size_t& got, const std::string& path);

}  // namespace z7
