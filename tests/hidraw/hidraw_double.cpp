#include "hidraw_double.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <linux/hidraw.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdarg>
#include <cstring>

namespace hidraw_double {

State state;

namespace {

int nodeOfFd[1024];  // 1 + node for a descriptor we opened

template <typename Function>
Function Next(const char* name) {
    Function function;
    void* found = dlsym(RTLD_NEXT, name);
    std::memcpy(&function, &found, sizeof found);
    return function;
}

int Fail(int error) {
    errno = error;
    return -1;
}

int NodeOf(const char* path) {
    const std::string text = path;
    const std::string prefix = state.dir + "/hidraw";
    if (state.dir.empty() || text.size() != prefix.size() + 1 || text.compare(0, prefix.size(), prefix) != 0) return -1;
    const int node = text.back() - '0';
    return node >= 0 && node < 4 ? node : -1;
}

int NodeOf(int fd) { return fd >= 0 && fd < 1024 ? nodeOfFd[fd] - 1 : -1; }

// A vendor collection of 64-byte reports, with a report id item or without.
const std::vector<uint8_t> kNumbered{0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x01, 0x95, 0x3F, 0x75, 0x08, 0x81, 0x02, 0xC0};
const std::vector<uint8_t> kPlain{0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x95, 0x40, 0x75, 0x08, 0x81, 0x02, 0xC0};

}  // namespace
}  // namespace hidraw_double

using namespace hidraw_double;

extern "C" int open(const char* path, int flags, ...) {
    static auto real = Next<int (*)(const char*, int, ...)>("open");
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = (flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE ? va_arg(arguments, mode_t) : 0;
    va_end(arguments);
    const int node = NodeOf(path);
    if (node < 0) return real(path, flags, mode);
    if (state.nodes[node].vendor == 0 || state.hangup) return Fail(ENOENT);
    if (state.nodes[node].openError != 0) return Fail(state.nodes[node].openError);
    const int fd = real("/dev/null", O_RDWR | (flags & O_CLOEXEC));
    if (fd >= 0 && fd < 1024) nodeOfFd[fd] = node + 1, ++state.open;
    return fd;
}

extern "C" int close(int fd) {
    static auto real = Next<int (*)(int)>("close");
    if (NodeOf(fd) >= 0) nodeOfFd[fd] = 0, --state.open;
    return real(fd);
}

extern "C" int ioctl(int fd, unsigned long request, ...) noexcept {
    static auto real = Next<int (*)(int, unsigned long, ...)>("ioctl");
    va_list arguments;
    va_start(arguments, request);
    void* argument = va_arg(arguments, void*);
    va_end(arguments);
    const int index = NodeOf(fd);
    if (index < 0) return real(fd, request, argument);
    if (state.hangup) return Fail(ENODEV);
    const Node& node = state.nodes[index];
    const std::vector<uint8_t>& descriptor = node.numbered ? kNumbered : kPlain;
    const size_t size = _IOC_SIZE(request);
    auto* bytes = static_cast<uint8_t*>(argument);
    if (request == HIDIOCGRAWINFO) {
        auto* info = static_cast<hidraw_devinfo*>(argument);
        info->bustype = 3;  // USB
        info->vendor = static_cast<int16_t>(node.vendor);
        info->product = static_cast<int16_t>(node.product);
        return 0;
    }
    if (request == HIDIOCGRDESCSIZE) return *static_cast<int*>(argument) = static_cast<int>(descriptor.size()), 0;
    if (request == HIDIOCGRDESC) {
        auto* out = static_cast<hidraw_report_descriptor*>(argument);
        if (out->size > descriptor.size()) return Fail(EINVAL);
        std::memcpy(out->value, descriptor.data(), out->size);
        return 0;
    }
    if (request == HIDIOCGRAWUNIQ(size) && node.uniq) {
        std::strncpy(static_cast<char*>(argument), node.serial.c_str(), size);
        return static_cast<int>(node.serial.size());
    }
    if (!node.bridge || (request != HIDIOCSFEATURE(size) && request != HIDIOCGFEATURE(size))) return Fail(ENOTTY);
    hid_double::Transport device(node.bridge);
    std::vector<uint8_t> report(bytes, bytes + size);
    if (const int error = request == HIDIOCSFEATURE(size) ? device.SetFeature(report) : device.GetFeature(report)) return Fail(error);
    std::memcpy(bytes, report.data(), std::min(report.size(), size));
    return static_cast<int>(std::min(report.size(), size));
}

extern "C" ssize_t write(int fd, const void* buffer, size_t length) {
    static auto real = Next<ssize_t (*)(int, const void*, size_t)>("write");
    const int index = NodeOf(fd);
    if (index < 0) return real(fd, buffer, length);
    if (state.hangup) return Fail(EIO);
    const auto* bytes = static_cast<const uint8_t*>(buffer);
    if (state.nodes[index].bridge) hid_double::Transport(state.nodes[index].bridge).WriteOutput({bytes, bytes + length});
    return static_cast<ssize_t>(length);
}

extern "C" ssize_t read(int fd, void* buffer, size_t room) {
    static auto real = Next<ssize_t (*)(int, void*, size_t)>("read");
    const int index = NodeOf(fd);
    if (index < 0) return real(fd, buffer, room);
    if (state.readError != 0) return Fail(state.readError);
    std::vector<uint8_t> report;
    if (!state.nodes[index].bridge || hid_double::Transport(state.nodes[index].bridge).ReadInput(report, 0) != 0) return Fail(EAGAIN);
    // Without report ids the kernel gives the report alone.
    if (!state.nodes[index].numbered) report.erase(report.begin());
    const size_t length = std::min(room, report.size());
    std::memcpy(buffer, report.data(), length);
    return static_cast<ssize_t>(length);
}

extern "C" int poll(pollfd* fds, nfds_t count, int timeout) {
    static auto real = Next<int (*)(pollfd*, nfds_t, int)>("poll");
    const int index = count == 1 ? NodeOf(fds[0].fd) : -1;
    if (index < 0) return real(fds, count, timeout);
    state.longestPoll = std::max(state.longestPoll, timeout);
    const auto& bridge = state.nodes[index].bridge;
    fds[0].revents = state.hangup ? POLLHUP : state.readError != 0 ? (POLLIN | POLLERR) : bridge && !bridge->answers.empty() ? POLLIN : 0;
    return fds[0].revents != 0 ? 1 : 0;
}
