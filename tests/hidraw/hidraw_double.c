#define _GNU_SOURCE
#include "hidraw_double.h"

#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <linux/hidraw.h>
#include <poll.h>
#include <stdarg.h>
#include <string.h>
#include <sys/ioctl.h>
#include <unistd.h>

struct qm7140_hidraw qm7140_hidraw;
static int node_of_fd[1024]; /* 1 + node for a descriptor we opened */

static void next(const char* name, void* function) {
    void* found = dlsym(RTLD_NEXT, name);
    memcpy(function, &found, sizeof found);
}

static int fail(int error) {
    errno = error;
    return -1;
}

/* The node a path names in the double's directory, or -1. */
static int node_of_path(const char* path) {
    const size_t dir = strlen(qm7140_hidraw.dir);
    if (dir == 0 || strncmp(path, qm7140_hidraw.dir, dir) != 0 || strncmp(path + dir, "/hidraw", 7) != 0) return -1;
    const char* digit = path + dir + 7;
    if (digit[0] < '0' || digit[0] >= '0' + QM7140_HIDRAW_NODES || digit[1] != '\0') return -1;
    return digit[0] - '0';
}

static int node_of(int fd) { return fd >= 0 && fd < 1024 ? node_of_fd[fd] - 1 : -1; }

int open(const char* path, int flags, ...) {
    static int (*real)(const char*, int, ...);
    if (real == NULL) next("open", &real);
    mode_t mode = 0;
    if ((flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE) {
        va_list arguments;
        va_start(arguments, flags);
        mode = va_arg(arguments, mode_t);
        va_end(arguments);
    }
    const int node = node_of_path(path);
    if (node < 0) return real(path, flags, mode);
    if (!qm7140_hidraw.nodes[node].present) return fail(ENOENT);
    const int fd = real("/dev/null", O_RDWR | (flags & O_CLOEXEC));
    if (fd >= 0 && fd < 1024) {
        node_of_fd[fd] = node + 1;
        ++qm7140_hidraw.open_count;
    }
    return fd;
}

int close(int fd) {
    static int (*real)(int);
    if (real == NULL) next("close", &real);
    if (node_of(fd) >= 0) {
        node_of_fd[fd] = 0;
        --qm7140_hidraw.open_count;
    }
    return real(fd);
}

/* A vendor-defined collection, with or without a report id item. */
static const unsigned char numbered_descriptor[] = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x01, 0x95, 0x3F,
                                                    0x75, 0x08, 0x09, 0x01, 0x81, 0x02, 0xC0};
static const unsigned char plain_descriptor[] = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x95, 0x40,
                                                 0x75, 0x08, 0x09, 0x01, 0x81, 0x02, 0xC0};

static int answer(int length) { return length < 0 ? fail(-length) : length; }

int ioctl(int fd, unsigned long request, ...) {
    static int (*real)(int, unsigned long, ...);
    if (real == NULL) next("ioctl", &real);
    va_list arguments;
    va_start(arguments, request);
    void* argument = va_arg(arguments, void*);
    va_end(arguments);
    const int node = node_of(fd);
    if (node < 0) return real(fd, request, argument);
    if (qm7140_hidraw.hangup) return fail(ENODEV);
    const int numbered = qm7140_hidraw.nodes[node].numbered;
    const size_t size = _IOC_SIZE(request);
    if (request == HIDIOCGRAWINFO) {
        struct hidraw_devinfo* info = argument;
        info->bustype = 3; /* USB */
        info->vendor = (__s16)qm7140_hidraw.nodes[node].vendor;
        info->product = (__s16)qm7140_hidraw.nodes[node].product;
        return 0;
    }
    if (request == HIDIOCGRDESCSIZE) {
        *(int*)argument = numbered ? (int)sizeof numbered_descriptor : (int)sizeof plain_descriptor;
        return 0;
    }
    if (request == HIDIOCGRDESC) {
        struct hidraw_report_descriptor* descriptor = argument;
        const unsigned char* bytes = numbered ? numbered_descriptor : plain_descriptor;
        const size_t length = numbered ? sizeof numbered_descriptor : sizeof plain_descriptor;
        if (descriptor->size > length) return fail(EINVAL);
        memcpy(descriptor->value, bytes, descriptor->size);
        return 0;
    }
    if (_IOC_TYPE(request) != 'H') return fail(ENOTTY);
    switch (_IOC_NR(request)) {
    case 0x06: return answer(qm7140_hidraw.set_feature ? qm7140_hidraw.set_feature(node, argument, size) : -EPIPE);
    case 0x07: return answer(qm7140_hidraw.get_feature ? qm7140_hidraw.get_feature(node, argument, size) : -EPIPE);
    case 0x08:
        if (qm7140_hidraw.nodes[node].no_uniq) return fail(EINVAL);
        strncpy(argument, qm7140_hidraw.nodes[node].serial, size);
        return (int)strlen(qm7140_hidraw.nodes[node].serial);
    default: return fail(ENOTTY);
    }
}

ssize_t write(int fd, const void* buffer, size_t length) {
    static ssize_t (*real)(int, const void*, size_t);
    if (real == NULL) next("write", &real);
    const int node = node_of(fd);
    if (node < 0) return real(fd, buffer, length);
    if (qm7140_hidraw.hangup) return fail(EIO);
    const int written = qm7140_hidraw.write ? qm7140_hidraw.write(node, buffer, length) : (int)length;
    return answer(written);
}

ssize_t read(int fd, void* buffer, size_t room) {
    static ssize_t (*real)(int, void*, size_t);
    if (real == NULL) next("read", &real);
    const int node = node_of(fd);
    if (node < 0) return real(fd, buffer, room);
    if (qm7140_hidraw.read_error) return fail(qm7140_hidraw.read_error);
    const int got = qm7140_hidraw.read ? qm7140_hidraw.read(node, buffer, room) : 0;
    return got == 0 ? fail(EAGAIN) : answer(got);
}

/* Never waits: a report is there at once or not at all. */
int poll(struct pollfd* fds, nfds_t count, int timeout) {
    static int (*real)(struct pollfd*, nfds_t, int);
    if (real == NULL) next("poll", &real);
    if (count != 1 || node_of(fds[0].fd) < 0) return real(fds, count, timeout);
    if (timeout > qm7140_hidraw.longest_poll) qm7140_hidraw.longest_poll = timeout;
    fds[0].revents = 0;
    if (qm7140_hidraw.hangup) fds[0].revents = POLLHUP;
    else if (qm7140_hidraw.read_error) fds[0].revents = POLLIN | POLLERR;
    else if (qm7140_hidraw.pending && qm7140_hidraw.pending(node_of(fds[0].fd))) fds[0].revents = POLLIN;
    return fds[0].revents ? 1 : 0;
}
