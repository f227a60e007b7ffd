// The hidapi backend (hidraw on Linux; the same calls serve macOS).
#include <fcntl.h>
#include <hidapi/hidapi.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>

#include "platform/hid_backend.h"
#ifdef __linux__
#include "platform/linux/hidraw_nodes.h"
#endif

namespace z7 {
namespace {

constexpr Millis kFallbackSlice{100};

HidError FromErrno(int error) {
    switch (error) {
        case EAGAIN:
        case EBUSY:
        case ETIMEDOUT:
            return HidError::kNotReady;
        case EPROTO:
        case EILSEQ:
            return HidError::kCrc;
        case EIO:
            return HidError::kWriteFault;
        case EINVAL:
            return HidError::kInvalidParameter;
        case EPIPE:
            return HidError::kFunctionFailed;
        case ENODEV:
        case ENOENT:
        case ENXIO:
            return HidError::kDisconnected;
        case EACCES:
        case EPERM:
            return HidError::kAccessDenied;
        default:
            return HidError::kGeneralFailure;
    }
}

std::string Narrow(const wchar_t* text) {
    std::string out;
    if (!text) return out;
    for (; *text; ++text) out += *text < 0x80 ? static_cast<char>(*text) : '?';
    return out;
}

// hidapi keeps its library state process-wide; initialise it once.
bool InitHidapi() {
    static const bool ok = hid_init() == 0;
    return ok;
}

class HidapiDevice final : public HidDevice {
  public:
    HidapiDevice(hid_device* device, std::string path) : device_(device), path_(std::move(path)) {
        // A reader of our own on the node lets CancelRead wake a pending wait through a pipe,
        // which hidapi's blocking read cannot offer.
        inputFd_ = ::open(path_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (::pipe(wakePipe_) == 0) {
            for (int fd : wakePipe_) ::fcntl(fd, F_SETFL, O_NONBLOCK);
        } else {
            wakePipe_[0] = wakePipe_[1] = -1;
        }
    }
    ~HidapiDevice() override {
        for (int fd : {inputFd_, wakePipe_[0], wakePipe_[1]})
            if (fd >= 0) ::close(fd);
        hid_close(device_);
    }

    HidStatus SetFeature(std::span<const uint8_t> report) override {
        errno = 0;
        const int n = hid_send_feature_report(device_, report.data(), report.size());
        if (n >= 0) return {};
        return Failure("set feature", errno);
    }

    HidStatus GetFeature(std::span<uint8_t> report) override {
        errno = 0;
        const int n = hid_get_feature_report(device_, report.data(), report.size());
        if (n >= 0) return {};
        return Failure("get feature", errno);
    }

    HidStatus ReadInput(std::span<uint8_t> report, Millis timeout, size_t& length) override {
        length = 0;
        if (cancelled_.exchange(false)) return Cancelled();
        if (inputFd_ < 0 || wakePipe_[0] < 0) return ReadBySlices(report, timeout, length);
        pollfd fds[2] = {{inputFd_, POLLIN, 0}, {wakePipe_[0], POLLIN, 0}};
        const int ready = ::poll(fds, 2, static_cast<int>(timeout.count()));
        if (ready < 0) return Failure("poll", errno);
        if (fds[1].revents) {
            cancelled_ = false;
            return Cancelled();
        }
        if (ready == 0) return {HidError::kTimeout, "no input report"};
        if (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL))
            return {HidError::kDisconnected, "read " + path_ + ": device disconnected"};
        const ssize_t n = ::read(inputFd_, report.data(), report.size());
        if (n < 0) {
            if (errno == EAGAIN) return {HidError::kTimeout, "no input report"};
            return Failure("read", errno);
        }
        length = static_cast<size_t>(n);
        return {};
    }

    void CancelRead() override {
        cancelled_ = true;
        if (wakePipe_[1] >= 0) {
            const uint8_t byte = 1;
            (void)!::write(wakePipe_[1], &byte, 1);
        }
    }

  private:
    HidStatus Cancelled() {
        uint8_t drain[16];
        if (wakePipe_[0] >= 0)
            while (::read(wakePipe_[0], drain, sizeof drain) > 0) {
            }
        return {HidError::kCancelled, "read cancelled"};
    }

    // Without a node of our own (macOS), wait in short slices so that a cancel is seen soon.
    HidStatus ReadBySlices(std::span<uint8_t> report, Millis timeout, size_t& length) {
        for (Millis left = timeout; left.count() > 0; left -= kFallbackSlice) {
            const Millis slice = std::min(left, kFallbackSlice);
            const int n = hid_read_timeout(device_, report.data(), report.size(),
                                           static_cast<int>(slice.count()));
            if (n < 0) return Failure("read", errno);
            if (n > 0) {
                length = static_cast<size_t>(n);
                return {};
            }
            if (cancelled_.exchange(false)) return Cancelled();
        }
        return {HidError::kTimeout, "no input report"};
    }

    HidStatus Failure(const char* what, int error) {
        const HidError e = error ? FromErrno(error) : HidError::kGeneralFailure;
        return {e, std::string(what) + " " + path_ + ": " + Narrow(hid_error(device_))};
    }

    hid_device* device_;
    std::string path_;
    int inputFd_ = -1;
    int wakePipe_[2] = {-1, -1};
    std::atomic<bool> cancelled_{false};
};

class HidapiTransport final : public HidTransport {
  public:
    std::vector<HidCollectionInfo> Enumerate() override {
#ifdef __linux__
        // Not hid_enumerate: it crashes when a node leaves meanwhile (see hidraw_nodes.h).
        return EnumerateHidrawNodes();
#else
        std::vector<HidCollectionInfo> out;
        if (!InitHidapi()) return out;
        hid_device_info* list = hid_enumerate(0, 0);
        for (hid_device_info* d = list; d; d = d->next)
            // hidapi does not report lengths; 0 tells the link to use the protocol's.
            out.push_back({d->vendor_id, d->product_id, d->usage_page, d->usage,
                           d->path ? d->path : "", 0, 0, 0});
        hid_free_enumeration(list);
        return out;
#endif
    }

    std::unique_ptr<HidDevice> Open(const HidCollectionInfo& c, HidStatus& status) override {
        if (!InitHidapi()) {
            status = {HidError::kGeneralFailure, "hidapi could not be initialised"};
            return nullptr;
        }
        hid_device* device = hid_open_path(c.path.c_str());
        if (device) {
            status = {};
            return std::make_unique<HidapiDevice>(device, c.path);
        }
        // hidapi keeps only a text; ask the node itself whether it is a permission problem.
        const int error = ::access(c.path.c_str(), R_OK | W_OK) == 0 ? 0 : errno;
        const HidError e = error == EACCES || error == EPERM ? HidError::kAccessDenied
                           : error == ENOENT                 ? HidError::kDisconnected
                                                             : HidError::kGeneralFailure;
        status = {e, "open " + c.path + ": " +
                         (error ? std::string(std::strerror(error)) : Narrow(hid_error(nullptr)))};
        return nullptr;
    }
};

}  // namespace

std::unique_ptr<HidTransport> CreateSystemHidTransport() {
    return std::make_unique<HidapiTransport>();
}

std::string DeviceAccessHint() {
    return "install the udev rule 70-kesta-z7.rules (cmake --install puts it in "
           "lib/udev/rules.d; copy it to /etc/udev/rules.d if your prefix is not /usr), then run "
           "'sudo udevadm control --reload-rules && sudo udevadm trigger' and plug the mouse in "
           "again";
}

}  // namespace z7
