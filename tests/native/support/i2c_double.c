#define _GNU_SOURCE
#include "i2c_double.h"

#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <linux/i2c-dev.h>
#include <linux/i2c.h>
#include <stdarg.h>
#include <string.h>
#include <sys/ioctl.h>
#include <unistd.h>

struct qm7140_double qm7140_double;
const unsigned long qm7140_double_size = sizeof qm7140_double;
static int double_fd = -1; /* open on the reserved path: a /dev/null of its own */
static int chosen = -1;    /* the address I2C_SLAVE set */
static int dead = 0;       /* double_fd saw the adapter gone */

void qm7140_double_reset(void) {
    memset(&qm7140_double, 0, sizeof qm7140_double);
    qm7140_double.chip = 0x40;
    qm7140_double.refuse = -1;
    qm7140_double.funcs = I2C_FUNC_I2C | I2C_FUNC_SMBUS_EMUL;
}

/* The definition after this program's, through a data pointer as dlsym gives it. */
static void next(const char* name, void* function) {
    void* found = dlsym(RTLD_NEXT, name);
    memcpy(function, &found, sizeof found);
}

static int fail(int error) {
    errno = error;
    return -1;
}

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
    if (strcmp(path, QM7140_DOUBLE_PATH) != 0) return real(path, flags, mode);
    if (qm7140_double.vanished) return fail(ENOENT);
    if (qm7140_double.denied) return fail(qm7140_double.denied);
    if (double_fd >= 0) return fail(EBUSY); /* the host holds one at a time */
    double_fd = real("/dev/null", O_RDWR | (flags & O_CLOEXEC));
    chosen = -1;
    dead = 0;
    ++qm7140_double.opens;
    return double_fd;
}

int close(int fd) {
    static int (*real)(int);
    if (real == NULL) next("close", &real);
    if (fd >= 0 && fd == double_fd) double_fd = -1;
    return real(fd);
}

int ioctl(int fd, unsigned long request, ...) {
    static int (*real)(int, unsigned long, ...);
    if (real == NULL) next("ioctl", &real);
    va_list arguments;
    va_start(arguments, request);
    void* argument = va_arg(arguments, void*);
    va_end(arguments);
    if (fd < 0 || fd != double_fd) return real(fd, request, argument);
    if (qm7140_double.vanished) dead = 1;
    if (dead) return fail(ENODEV);
    if (request == I2C_FUNCS) {
        if (argument == NULL) return fail(EFAULT);
        memcpy(argument, &qm7140_double.funcs, sizeof qm7140_double.funcs);
        return 0;
    }
    if (request == I2C_SLAVE) {
        ++qm7140_double.slaves;
        if ((unsigned long)argument > 0x7F) return fail(EINVAL);
        if (qm7140_double.busy != 0 && (unsigned long)argument == (unsigned long)qm7140_double.busy) return fail(EBUSY);
        chosen = (int)(unsigned long)argument;
        return 0;
    }
    struct i2c_smbus_ioctl_data* data = argument;
    if (request != I2C_SMBUS) return fail(ENOTTY);
    if (data == NULL || data->data == NULL || data->size != I2C_SMBUS_BYTE_DATA) return fail(EINVAL);
    const int reading = data->read_write == I2C_SMBUS_READ;
    unsigned char* regs = NULL;
    if (chosen == qm7140_double.chip) {
        if (data->command == qm7140_double.refuse && (!reading || qm7140_double.refuse_reads)) return fail(EREMOTEIO);
        regs = qm7140_double.regs;
    }
    for (size_t i = 0; i < sizeof qm7140_double.others / sizeof *qm7140_double.others; ++i) {
        struct qm7140_double_chip* other = &qm7140_double.others[i];
        if (regs != NULL || other->address == 0 || chosen != other->address) continue;
        if (!reading && other->refuse_writes) return fail(EREMOTEIO);
        regs = other->regs;
    }
    if (regs == NULL) return fail(ENXIO);
    unsigned char* byte = &regs[data->command];
    if (reading) data->data->byte = *byte;
    else *byte = data->data->byte;
    ++*(reading ? &qm7140_double.reads : &qm7140_double.writes);
    return 0;
}
