/* A QM7140 on an I2C adapter of the test process alone: its open, ioctl and close answer for
 * one reserved path as i2c-dev would, and pass every other call on; libi2c runs unchanged. */
#ifndef QM7140_TESTS_I2C_DOUBLE_H
#define QM7140_TESTS_I2C_DOUBLE_H

#ifdef __cplusplus
extern "C" {
#endif

#define QM7140_DOUBLE_PATH "/dev/i2c-qm7140-test"

/* Another chip on the same adapter. */
struct qm7140_double_chip {
    int address; /* 7-bit; 0 for none */
    unsigned char regs[256];
    int refuse_writes; /* no write gets an acknowledge (EREMOTEIO) */
};

/* Reset: registers 0, chip at 0x40 and no other, nothing refused nor busy, an adapter with
 * every SMBus transfer, there, counts 0. */
extern struct qm7140_double {
    unsigned char regs[256];
    int chip;         /* the 7-bit address that acknowledges */
    int refuse;       /* a register whose transfers get no acknowledge (EREMOTEIO), or -1 */
    int refuse_reads; /* whether reads of it are refused too, not only writes */
    int vanished;     /* the adapter is gone: ENODEV from every call, ENOENT from open; a
                         descriptor that saw it gone stays dead, as the kernel's does */
    unsigned reads, writes;
    struct qm7140_double_chip others[2];
    unsigned long funcs; /* what I2C_FUNCS answers */
    int busy;            /* an address a kernel driver holds (EBUSY from I2C_SLAVE), or 0 */
    int denied;          /* the errno open gives a user the node is not for (EACCES), or 0 */
    unsigned opens;      /* of the adapter's path */
    unsigned slaves;     /* I2C_SLAVE requests */
} qm7140_double;
void qm7140_double_reset(void);
/* For a reader of the record that mirrors its layout (the Python tests): its size. */
extern const unsigned long qm7140_double_size;

#ifdef __cplusplus
}
#endif

#endif
