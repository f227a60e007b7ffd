#include "sim/uhid_device.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "core/device/device_commands.h"
#include "core/device/device_link.h"

namespace z7 {
namespace {

// Short items of the HID report descriptor (tag and type; the size bits are added by Item).
constexpr uint8_t kUsagePage = 0x04;
constexpr uint8_t kUsage = 0x08;
constexpr uint8_t kUsageMinimum = 0x18;
constexpr uint8_t kUsageMaximum = 0x28;
constexpr uint8_t kLogicalMinimum = 0x14;
constexpr uint8_t kLogicalMaximum = 0x24;
constexpr uint8_t kReportSize = 0x74;
constexpr uint8_t kReportCount = 0x94;
constexpr uint8_t kReportIdItem = 0x84;
constexpr uint8_t kCollection = 0xA0;
constexpr uint8_t kEndCollection = 0xC0;
constexpr uint8_t kInput = 0x80;
constexpr uint8_t kFeature = 0xB0;

constexpr uint32_t kApplication = 0x01;
constexpr uint32_t kPhysical = 0x00;
constexpr uint32_t kDataVarAbs = 0x02;
constexpr uint32_t kDataVarRel = 0x06;
constexpr uint32_t kConstant = 0x03;

constexpr uint16_t kGenericDesktop = 0x01;
constexpr uint16_t kButtonPage = 0x09;
constexpr uint16_t kUsageMouse = 0x02;
constexpr uint16_t kUsagePointer = 0x01;
constexpr uint16_t kUsageX = 0x30;
constexpr uint16_t kUsageY = 0x31;
constexpr uint16_t kUsageWheel = 0x38;
constexpr uint16_t kVendorDataUsage = 0x01;
constexpr int kMouseButtons = 5;

constexpr uint16_t kBusUsb = 0x03;
constexpr uint32_t kDeviceVersion = 0x0100;

class Descriptor {
  public:
    // One short item with the smallest size that holds `value` (signed where `isSigned`).
    Descriptor& Item(uint8_t tag, int64_t value, bool isSigned = false) {
        size_t size = 1;
        if (isSigned ? (value < -128 || value > 127) : value > 0xFF) size = 2;
        if (isSigned ? (value < -32768 || value > 32767) : value > 0xFFFF) size = 4;
        bytes_.push_back(static_cast<uint8_t>(tag | (size == 4 ? 3 : size)));
        for (size_t i = 0; i < size; ++i) bytes_.push_back(static_cast<uint8_t>(value >> (8 * i)));
        return *this;
    }
    Descriptor& End() {
        bytes_.push_back(kEndCollection);
        return *this;
    }
    // A report of `dataBytes` opaque bytes under report id `id`.
    Descriptor& ByteReport(uint8_t main, uint8_t id, size_t dataBytes) {
        return Item(kReportIdItem, id)
            .Item(kUsage, kVendorDataUsage)
            .Item(kLogicalMinimum, 0)
            .Item(kLogicalMaximum, 0xFF)
            .Item(kReportSize, 8)
            .Item(kReportCount, static_cast<int64_t>(dataBytes))
            .Item(main, kDataVarAbs);
    }
    std::vector<uint8_t> bytes() const { return bytes_; }

  private:
    std::vector<uint8_t> bytes_;
};

void AddMouseCollection(Descriptor& d) {
    d.Item(kUsagePage, kGenericDesktop)
        .Item(kUsage, kUsageMouse)
        .Item(kCollection, kApplication)
        .Item(kReportIdItem, kUhidMouseReportId)
        .Item(kUsage, kUsagePointer)
        .Item(kCollection, kPhysical)
        .Item(kUsagePage, kButtonPage)
        .Item(kUsageMinimum, 1)
        .Item(kUsageMaximum, kMouseButtons)
        .Item(kLogicalMinimum, 0)
        .Item(kLogicalMaximum, 1)
        .Item(kReportCount, kMouseButtons)
        .Item(kReportSize, 1)
        .Item(kInput, kDataVarAbs)
        .Item(kReportCount, 1)
        .Item(kReportSize, 8 - kMouseButtons)
        .Item(kInput, kConstant)
        .Item(kUsagePage, kGenericDesktop)
        .Item(kUsage, kUsageX)
        .Item(kUsage, kUsageY)
        .Item(kLogicalMinimum, -32767, true)
        .Item(kLogicalMaximum, 32767, true)
        .Item(kReportSize, 16)
        .Item(kReportCount, 2)
        .Item(kInput, kDataVarRel)
        .Item(kUsage, kUsageWheel)
        .Item(kLogicalMinimum, -127, true)
        .Item(kLogicalMaximum, 127, true)
        .Item(kReportSize, 8)
        .Item(kReportCount, 1)
        .Item(kInput, kDataVarRel)
        .End()
        .End();
}

void AddConfigCollection(Descriptor& d, uint8_t shortId, uint8_t longId) {
    d.Item(kUsagePage, kConfigUsagePage)
        .Item(kUsage, kConfigUsage)
        .Item(kCollection, kApplication)
        .ByteReport(kFeature, shortId, kShortReportLength - 1)
        .ByteReport(kFeature, longId, kLongReportLength - 1)
        .End();
}

void AddEventCollection(Descriptor& d) {
    d.Item(kUsagePage, kEventUsagePage)
        .Item(kUsage, kEventUsage)
        .Item(kCollection, kApplication)
        .ByteReport(kInput, kEventReportId, kEventReportLength - 1)
        .End();
}

void CopyText(uint8_t* target, size_t capacity, const char* text) {
    std::strncpy(reinterpret_cast<char*>(target), text, capacity - 1);
}

// uhid turns any nonzero error of a reply into EIO for the host; the value is for traces.
uint16_t ReplyError(const HidStatus& status) {
    if (status.ok()) return 0;
    return status.error == HidError::kFunctionFailed ? EPIPE : EIO;
}

}  // namespace

std::vector<uint8_t> UhidReportDescriptor(SimMode mode) {
    Descriptor d;
    if (mode == SimMode::kBoot) {
        AddConfigCollection(d, kBootRequestId, kBootLongId);
        return d.bytes();
    }
    AddMouseCollection(d);
    AddConfigCollection(d, kNormalRequestId, kImageRequestId);
    AddEventCollection(d);
    return d.bytes();
}

size_t UhidFeatureLength(SimMode mode, uint8_t reportId) {
    const uint8_t shortId = mode == SimMode::kBoot ? kBootRequestId : kNormalRequestId;
    const uint8_t longId = mode == SimMode::kBoot ? kBootLongId : kImageRequestId;
    if (reportId == shortId) return kShortReportLength;
    if (reportId == longId) return kLongReportLength;
    return 0;
}

UhidDevice::UhidDevice(SimMouse& mouse, Clock& clock, Writer writer)
    : mouse_(mouse), clock_(clock), writer_(std::move(writer)) {}

bool UhidDevice::Create(SimMode mode) {
    uhid_event ev{};
    ev.type = UHID_CREATE2;
    uhid_create2_req& req = ev.u.create2;
    CopyText(req.name, sizeof req.name, kUhidDeviceName);
    CopyText(req.phys, sizeof req.phys, kUhidPhys);
    const std::vector<uint8_t> descriptor = UhidReportDescriptor(mode);
    req.rd_size = static_cast<uint16_t>(descriptor.size());
    std::copy(descriptor.begin(), descriptor.end(), req.rd_data);
    req.bus = kBusUsb;  // hidapi lists only USB, Bluetooth, I2C and SPI devices
    req.vendor = kVendorId;
    req.product = mode == SimMode::kBoot ? kProductBoot : kProductNormal;
    req.version = kDeviceVersion;
    if (!writer_(ev)) return false;
    published_ = mode;
    open_ = false;
    return true;
}

bool UhidDevice::Destroy() {
    if (!published_) return true;
    uhid_event ev{};
    ev.type = UHID_DESTROY;
    published_.reset();
    open_ = false;
    return writer_(ev);
}

bool UhidDevice::Sync() {
    const SimState state = mouse_.state();
    const uint32_t generation = mouse_.generation();
    if (state.unplugged) {
        generation_ = generation;
        switchDue_.reset();
        return Destroy();
    }
    if (!published_) {
        if (!Create(state.mode)) return false;
    } else if (*published_ != state.mode) {
        if (!switchDue_) switchDue_ = clock_.Now() + kUhidReenumerateDelay;
        if (clock_.Now() < *switchDue_) return true;
        switchDue_.reset();
        if (!Destroy() || !Create(state.mode)) return false;
    } else {
        switchDue_.reset();
    }
    // A new generation without a mode change is a state loaded from outside; the host's
    // handles stay valid, as they would on the real mouse.
    generation_ = generation;
    return SendQueuedEvents();
}

bool UhidDevice::SendQueuedEvents() {
    if (!open_ || published_ != SimMode::kNormal) return true;
    for (;;) {
        std::optional<SimEvent> next;
        mouse_.Update([&](SimState& s) {
            if (s.events.empty()) return;
            next = s.events.front();
            s.events.pop_front();
        });
        if (!next) return true;
        uhid_event ev{};
        ev.type = UHID_INPUT2;
        ev.u.input2.size = static_cast<uint16_t>(kEventReportLength);
        ev.u.input2.data[0] = kEventReportId;
        ev.u.input2.data[kEventCodeByte] = next->code;
        ev.u.input2.data[kEventSlotByte] = next->byte2;
        ev.u.input2.data[kEventIdByte] = next->byte3;
        if (!writer_(ev)) return false;
    }
}

bool UhidDevice::AnswerGetReport(const uhid_get_report_req& request) {
    uhid_event ev{};
    ev.type = UHID_GET_REPORT_REPLY;
    uhid_get_report_reply_req& reply = ev.u.get_report_reply;
    reply.id = request.id;
    const size_t length = published_ ? UhidFeatureLength(*published_, request.rnum) : size_t{0};
    if (request.rtype != UHID_FEATURE_REPORT || length == 0) {
        reply.err = EIO;
        return writer_(ev);
    }
    std::vector<uint8_t> report(length, 0);
    report[0] = request.rnum;
    const HidStatus status = mouse_.GetFeature(generation_, report);
    reply.err = ReplyError(status);
    if (status.ok()) {
        // uhid hands the reply to the host as is: byte 0 must be the report id.
        report[0] = request.rnum;
        reply.size = static_cast<uint16_t>(length);
        std::copy(report.begin(), report.end(), reply.data);
    }
    return writer_(ev);
}

bool UhidDevice::AnswerSetReport(const uhid_set_report_req& request) {
    uhid_event ev{};
    ev.type = UHID_SET_REPORT_REPLY;
    ev.u.set_report_reply.id = request.id;
    const size_t size = std::min<size_t>(request.size, UHID_DATA_MAX);
    if (request.rtype != UHID_FEATURE_REPORT || size == 0 || request.data[0] != request.rnum) {
        ev.u.set_report_reply.err = EIO;
        return writer_(ev);
    }
    const HidStatus status =
        mouse_.SetFeature(generation_, std::span<const uint8_t>(request.data, size));
    ev.u.set_report_reply.err = ReplyError(status);
    return writer_(ev);
}

bool UhidDevice::Handle(const uhid_event& event) {
    bool ok = true;
    switch (event.type) {
        case UHID_OPEN:
            open_ = true;
            break;
        case UHID_CLOSE:
            open_ = false;
            break;
        // A request still queued when the device was unplugged has nobody left to answer: the
        // kernel refuses replies for a destroyed device, which must not end the server.
        case UHID_GET_REPORT:
            if (published_) ok = AnswerGetReport(event.u.get_report);
            break;
        case UHID_SET_REPORT:
            if (published_) ok = AnswerSetReport(event.u.set_report);
            break;
        default:
            break;  // START, STOP, OUTPUT: nothing to answer
    }
    return Sync() && ok;
}

UhidFile::~UhidFile() {
    if (fd_ >= 0) ::close(fd_);
}

bool UhidFile::Open(const std::string& path, std::string& error) {
    fd_ = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd_ >= 0) return true;
    const int e = errno;
    error = "open " + path + ": " + std::strerror(e);
    if (e == ENOENT) error += " (load the uhid module: modprobe uhid)";
    if (e == EACCES || e == EPERM) error += " (run as root)";
    return false;
}

bool UhidFile::Write(const uhid_event& event) {
    for (;;) {
        const ssize_t n = ::write(fd_, &event, sizeof event);
        if (n == static_cast<ssize_t>(sizeof event)) return true;
        if (n < 0 && errno == EINTR) continue;
        return false;
    }
}

bool UhidFile::Serve(UhidDevice& device, const std::atomic<bool>& stop, int tickMs,
                     const std::function<void()>& idle, std::string& error) {
    if (!device.Sync()) {
        error = std::string("write /dev/uhid: ") + std::strerror(errno);
        return false;
    }
    while (!stop.load()) {
        pollfd p{fd_, POLLIN, 0};
        const int ready = ::poll(&p, 1, tickMs);
        if (ready < 0 && errno != EINTR) {
            error = std::string("poll /dev/uhid: ") + std::strerror(errno);
            return false;
        }
        if (ready > 0 && (p.revents & POLLIN)) {
            uhid_event ev{};
            const ssize_t n = ::read(fd_, &ev, sizeof ev);
            if (n < 0 && errno != EINTR && errno != EAGAIN) {
                error = std::string("read /dev/uhid: ") + std::strerror(errno);
                return false;
            }
            if (n > 0 && !device.Handle(ev)) {
                error = std::string("write /dev/uhid: ") + std::strerror(errno);
                return false;
            }
        }
        if (idle) idle();
        if (!device.Sync()) {
            error = std::string("write /dev/uhid: ") + std::strerror(errno);
            return false;
        }
    }
    return true;
}

}  // namespace z7
