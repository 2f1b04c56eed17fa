/* /dev/hidrawN nodes of the test process alone: open, ioctl, read, write, poll and close
 * answer for the nodes hidraw0..hidraw3 of one directory as the kernel's hidraw driver would,
 * with the device behind each given by the test's callbacks, and pass every other call on. */
#ifndef QM7140_TESTS_HIDRAW_DOUBLE_H
#define QM7140_TESTS_HIDRAW_DOUBLE_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

enum { QM7140_HIDRAW_NODES = 4 };

extern struct qm7140_hidraw {
    char dir[256]; /* where the nodes are; files of these names must exist for listing */
    struct {
        int present; /* open succeeds */
        int vendor, product;
        char serial[32];
        int no_uniq;  /* a kernel without HIDIOCGRAWUNIQ */
        int numbered; /* the descriptor numbers its reports */
    } nodes[QM7140_HIDRAW_NODES];
    int hangup;        /* poll says POLLHUP, as for an unplugged device */
    int read_error;    /* an errno for read, or 0 */
    int longest_poll;  /* the longest timeout poll was given, ms */
    int open_count;    /* nodes open now */
    /* The device: a report written, the next input report (its length, 0 for none), feature
     * reports set and got (the length, or -errno). Reports are as hidraw carries them. */
    int (*write)(int node, const unsigned char* report, size_t length);
    int (*pending)(int node); /* whether an input report waits */
    int (*read)(int node, unsigned char* report, size_t room);
    int (*set_feature)(int node, const unsigned char* report, size_t length);
    int (*get_feature)(int node, unsigned char* report, size_t length);
} qm7140_hidraw;

#ifdef __cplusplus
}
#endif

#endif
