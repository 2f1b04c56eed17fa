#include "host/common/bus/hid/linux/hidraw_transport.h"

#include "host/common/bus/hid/linux/hid_sysfs.h"

#include <fcntl.h>
#include <linux/hidraw.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace host {

namespace {

// Whether the report descriptor numbers its reports (a Report ID item anywhere): hidraw then
// gives input reports with their id first, and without one otherwise.
bool NumbersReports(int fd) {
    int size = 0;
    if (ioctl(fd, HIDIOCGRDESCSIZE, &size) < 0 || size <= 0) return false;
    hidraw_report_descriptor descriptor{};
    descriptor.size = static_cast<uint32_t>(std::min(size, HID_MAX_DESCRIPTOR_SIZE));
    if (ioctl(fd, HIDIOCGRDESC, &descriptor) < 0) return false;
    for (uint32_t at = 0; at < descriptor.size;) {
        const uint8_t prefix = descriptor.value[at];
        if (prefix == 0xFE) {  // a long item: its data size follows
            at += 3 + (at + 1 < descriptor.size ? descriptor.value[at + 1] : 0);
            continue;
        }
        if ((prefix & 0xFC) == 0x84) return true;
        const uint32_t data = prefix & 3;
        at += 1 + (data == 3 ? 4 : data);
    }
    return false;
}

bool Describe(int fd, const std::string& path, HidDeviceInfo& info) {
    hidraw_devinfo raw{};
    if (ioctl(fd, HIDIOCGRAWINFO, &raw) < 0) return false;
    info.vendor = static_cast<uint16_t>(raw.vendor);
    info.product = static_cast<uint16_t>(raw.product);
    info.path = path;
    info.serial.clear();
    char serial[64] = {};
    // Older kernels lack this request; the serial number is then unknown.
    if (ioctl(fd, HIDIOCGRAWUNIQ(sizeof serial - 1), serial) >= 0) info.serial = serial;
    return true;
}

class HidrawTransport final : public HidTransport {
public:
    HidrawTransport(int fd, HidDeviceInfo info, bool numbered) : fd_(fd), info_(std::move(info)), numbered_(numbered) {}
    ~HidrawTransport() override { close(fd_); }
    HidrawTransport(const HidrawTransport&) = delete;
    HidrawTransport& operator=(const HidrawTransport&) = delete;

    const HidDeviceInfo& Info() const override { return info_; }

    int WriteOutput(const std::vector<uint8_t>& report) override {
        const ssize_t written = write(fd_, report.data(), report.size());
        if (written < 0) return Failed();
        return written == static_cast<ssize_t>(report.size()) ? 0 : EIO;
    }

    int ReadInput(std::vector<uint8_t>& report, int timeoutMs) override {
        pollfd wait{fd_, POLLIN, 0};
        int ready = poll(&wait, 1, timeoutMs);
        if (ready < 0 && errno == EINTR) ready = poll(&wait, 1, 0);
        if (ready < 0) return Failed();
        if (ready == 0) return ETIMEDOUT;
        // Unplugged: the node hangs up, or reads fail with EIO/ENODEV.
        if ((wait.revents & POLLIN) == 0) return ENODEV;
        uint8_t buffer[1 + 4096];
        const ssize_t got = read(fd_, buffer + 1, sizeof buffer - 1);
        if (got < 0) return errno == EAGAIN ? ETIMEDOUT : Failed();
        if (got == 0) return ENODEV;
        buffer[0] = 0;
        uint8_t* first = numbered_ ? buffer + 1 : buffer;
        report.assign(first, buffer + 1 + got);
        return 0;
    }

    int SetFeature(const std::vector<uint8_t>& report) override {
        std::vector<uint8_t> copy = report;
        return ioctl(fd_, HIDIOCSFEATURE(copy.size()), copy.data()) < 0 ? Failed() : 0;
    }

    int GetFeature(std::vector<uint8_t>& report) override {
        const int got = ioctl(fd_, HIDIOCGFEATURE(report.size()), report.data());
        if (got < 0) return Failed();
        report.resize(std::min(report.size(), static_cast<size_t>(got)));
        return 0;
    }

private:
    static int Failed() { return errno == ETIMEDOUT ? EIO : (errno != 0 ? errno : EIO); }

    int fd_;
    HidDeviceInfo info_;
    bool numbered_;
};

}  // namespace

int OpenHidraw(const std::string& path, std::unique_ptr<HidTransport>& opened) {
    const int fd = open(path.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return errno != 0 ? errno : EIO;
    HidDeviceInfo info;
    if (!Describe(fd, path, info)) {
        const int error = errno == ENOTTY || errno == EINVAL ? ENOTTY : (errno != 0 ? errno : EIO);
        close(fd);
        return error;
    }
    opened = std::make_unique<HidrawTransport>(fd, std::move(info), NumbersReports(fd));
    return 0;
}

HidSystem SystemHid() {
    return {[] { return ListSysfsHid(); }, OpenHidraw};
}

}  // namespace host
