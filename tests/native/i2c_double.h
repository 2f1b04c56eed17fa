/* A QM7140 on an I2C adapter of the test process alone: its open, ioctl and close answer for
 * one reserved path as i2c-dev would, and pass every other call on; libi2c runs unchanged. */
#ifndef QM7140_TESTS_I2C_DOUBLE_H
#define QM7140_TESTS_I2C_DOUBLE_H

#ifdef __cplusplus
extern "C" {
#endif

#define QM7140_DOUBLE_PATH "/dev/i2c-qm7140-test"

/* Reset: registers 0, chip at 0x40, nothing refused, the adapter there, counts 0. */
extern struct qm7140_double {
    unsigned char regs[256];
    int chip;         /* the 7-bit address that acknowledges */
    int refuse;       /* a register whose transfers get no acknowledge (EREMOTEIO), or -1 */
    int refuse_reads; /* whether reads of it are refused too, not only writes */
    int vanished;     /* the adapter is gone: ENODEV from every call, ENOENT from open */
    unsigned reads, writes;
} qm7140_double;
void qm7140_double_reset(void);

#ifdef __cplusplus
}
#endif

#endif
