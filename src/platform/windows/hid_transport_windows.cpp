// The native Windows HID backend: SetupAPI lists the HID interfaces, hid.dll reads their ids and
// capabilities and moves feature reports, and input reports come from an overlapped ReadFile.
// It exists beside hidapi because the retry rule needs the Win32 error codes, which hidapi
// does not pass on.
#include <windows.h>

#include <setupapi.h>
extern "C" {  // MinGW's hid.dll headers (hidsdi.h brings hidpi.h) lack C linkage
#include <hidsdi.h>
}

#include <algorithm>
#include <cstddef>
#include <cwchar>
#include <string>
#include <vector>

#include "core/util/text.h"
#include "platform/hid_backend.h"
#include "platform/windows/hid_windows_rules.h"
#include "platform/windows/win32_io.h"

namespace z7 {
namespace {

std::string Narrow(const std::wstring& text) {
    return Utf16ToUtf8(std::u16string(text.begin(), text.end()));
}

std::wstring Widen(const std::string& text) {
    const std::u16string wide = Utf8ToUtf16(text);
    return std::wstring(wide.begin(), wide.end());
}

class Handle {
  public:
    explicit Handle(HANDLE h = INVALID_HANDLE_VALUE) : h_(h) {}
    ~Handle() { Reset(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    void Reset(HANDLE h = INVALID_HANDLE_VALUE) {
        if (valid()) ::CloseHandle(h_);
        h_ = h;
    }
    bool valid() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
    HANDLE get() const { return h_; }

  private:
    HANDLE h_;
};

HANDLE OpenPath(const std::wstring& path, DWORD access, DWORD flags) {
    return ::CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, flags, nullptr);
}

// Report lengths and usages from the collection's preparsed data.
bool ReadCaps(HANDLE handle, HIDP_CAPS& caps) {
    PHIDP_PREPARSED_DATA data = nullptr;
    if (!::HidD_GetPreparsedData(handle, &data)) return false;
    const bool ok = ::HidP_GetCaps(data, &caps) == HIDP_STATUS_SUCCESS;
    ::HidD_FreePreparsedData(data);
    return ok;
}

// Ids and capabilities of one interface. Opened without read or write access, which Windows
// grants even for the keyboards and mice it holds itself.
bool QueryCollection(const std::wstring& path, HidCollectionInfo& info) {
    Handle handle(OpenPath(path, 0, 0));
    if (!handle.valid()) return false;
    HIDD_ATTRIBUTES attributes{};
    attributes.Size = sizeof attributes;
    HIDP_CAPS caps{};
    if (!::HidD_GetAttributes(handle.get(), &attributes) || !ReadCaps(handle.get(), caps))
        return false;
    info = {attributes.VendorID,
            attributes.ProductID,
            caps.UsagePage,
            caps.Usage,
            Narrow(path),
            caps.InputReportByteLength,
            caps.OutputReportByteLength,
            caps.FeatureReportByteLength};
    return true;
}

class WindowsHidDevice final : public HidDevice {
  public:
    WindowsHidDevice(HANDLE features, std::wstring path, const HidCollectionInfo& info)
        : features_(features),
          widePath_(std::move(path)),
          path_(Narrow(widePath_)),
          inputLength_(info.inputReportLength),
          featureLength_(info.featureReportLength),
          completion_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)),
          cancel_(::CreateEventW(nullptr, FALSE, FALSE, nullptr)) {
        // The open handle's own capabilities win over what the caller passed in.
        HIDP_CAPS caps{};
        if (ReadCaps(features_.get(), caps)) {
            inputLength_ = caps.InputReportByteLength;
            featureLength_ = caps.FeatureReportByteLength;
        }
        // Feature reports use the synchronous handle; reads need an overlapped one. Opened now
        // because the driver queues input reports per handle from its opening on.
        if (inputLength_) OpenReader();
    }

    HidStatus SetFeature(std::span<const uint8_t> report) override {
        std::vector<uint8_t> buffer;
        if (!FitFeatureReport(report, featureLength_, buffer))
            return {HidError::kGeneralFailure,
                    "set feature " + path_ + ": a report of " + std::to_string(report.size()) +
                        " bytes does not fit the collection's " + std::to_string(featureLength_)};
        ::SetLastError(ERROR_SUCCESS);
        if (::HidD_SetFeature(features_.get(), buffer.data(), static_cast<ULONG>(buffer.size())))
            return {};
        return Win32Failure("set feature", path_, ::GetLastError());
    }

    HidStatus GetFeature(std::span<uint8_t> report) override {
        if (report.empty()) return {HidError::kGeneralFailure, "get feature: empty buffer"};
        // hid.dll wants room for the collection's longest feature report.
        std::vector<uint8_t> buffer(featureLength_ ? featureLength_ : report.size(), 0);
        std::copy_n(report.begin(), std::min(report.size(), buffer.size()), buffer.begin());
        ::SetLastError(ERROR_SUCCESS);
        if (!::HidD_GetFeature(features_.get(), buffer.data(), static_cast<ULONG>(buffer.size())))
            return Win32Failure("get feature", path_, ::GetLastError());
        std::copy_n(buffer.begin(), std::min(report.size(), buffer.size()), report.begin());
        return {};
    }

    HidStatus ReadInput(std::span<uint8_t> report, Millis timeout, size_t& length) override {
        length = 0;
        if (!completion_.valid() || !cancel_.valid())
            return Win32Failure("read", path_, ERROR_NOT_ENOUGH_MEMORY);
        if (!reader_.valid() && !OpenReader())
            return Win32Failure("open for reading", path_, ::GetLastError());
        // ReadFile wants room for the collection's input report, whatever the caller expects.
        std::vector<uint8_t> buffer(inputLength_ ? inputLength_ : report.size(), 0);
        std::copy_n(report.begin(), std::min(report.size(), buffer.size()), buffer.begin());
        size_t got = 0;
        const HidStatus status = OverlappedRead(reader_.get(), completion_.get(), cancel_.get(),
                                                buffer, timeout, got, path_);
        if (!status.ok()) return status;
        length = std::min(got, report.size());
        std::copy_n(buffer.begin(), length, report.begin());
        return {};
    }

    void CancelRead() override { ::SetEvent(cancel_.get()); }

  private:
    bool OpenReader() {
        reader_.Reset(OpenPath(widePath_, GENERIC_READ | GENERIC_WRITE, FILE_FLAG_OVERLAPPED));
        return reader_.valid();
    }

    Handle features_;
    Handle reader_;
    std::wstring widePath_;
    std::string path_;
    DWORD inputLength_;
    size_t featureLength_;
    Handle completion_;
    Handle cancel_;
};

class WindowsHidTransport final : public HidTransport {
  public:
    std::vector<HidCollectionInfo> Enumerate() override {
        std::vector<HidCollectionInfo> out;
        GUID hidGuid;
        ::HidD_GetHidGuid(&hidGuid);
        const HDEVINFO set = ::SetupDiGetClassDevsW(&hidGuid, nullptr, nullptr,
                                                    DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
        if (set == INVALID_HANDLE_VALUE) return out;
        for (DWORD index = 0;; ++index) {
            SP_DEVICE_INTERFACE_DATA interfaceData{};
            interfaceData.cbSize = sizeof interfaceData;
            if (!::SetupDiEnumDeviceInterfaces(set, nullptr, &hidGuid, index, &interfaceData))
                break;
            const std::wstring path = InterfacePath(set, interfaceData);
            HidCollectionInfo info;
            if (!path.empty() && QueryCollection(path, info)) out.push_back(std::move(info));
        }
        ::SetupDiDestroyDeviceInfoList(set);
        return out;
    }

    std::unique_ptr<HidDevice> Open(const HidCollectionInfo& c, HidStatus& status) override {
        const std::wstring path = Widen(c.path);
        HANDLE handle = OpenPath(path, GENERIC_READ | GENERIC_WRITE, 0);
        if (handle == INVALID_HANDLE_VALUE) {
            status = Win32Failure("open", c.path, ::GetLastError());
            return nullptr;
        }
        status = {};
        return std::make_unique<WindowsHidDevice>(handle, path, c);
    }

  private:
    static std::wstring InterfacePath(HDEVINFO set, SP_DEVICE_INTERFACE_DATA& interfaceData) {
        DWORD required = 0;
        ::SetupDiGetDeviceInterfaceDetailW(set, &interfaceData, nullptr, 0, &required, nullptr);
        if (required < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)) return {};
        // Storage of the record's own alignment; cbSize is the fixed part for this word size.
        std::vector<SP_DEVICE_INTERFACE_DETAIL_DATA_W> storage(
            required / sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W) + 1);
        SP_DEVICE_INTERFACE_DETAIL_DATA_W* detail = storage.data();
        detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
        if (!::SetupDiGetDeviceInterfaceDetailW(set, &interfaceData, detail, required, nullptr,
                                                nullptr))
            return {};
        const size_t room =
            (required - offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath)) / sizeof(wchar_t);
        return std::wstring(detail->DevicePath, wcsnlen(detail->DevicePath, room));
    }
};

}  // namespace

std::unique_ptr<HidTransport> CreateSystemHidTransport() {
    return std::make_unique<WindowsHidTransport>();
}

std::string DeviceAccessHint() {
    return {};
}

}  // namespace z7
