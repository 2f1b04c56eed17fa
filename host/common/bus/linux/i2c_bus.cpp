#include "host/common/bus/linux/i2c_bus.h"

#include "host/common/text/parse.h"

#include <fcntl.h>
#include <linux/i2c-dev.h>
#include <linux/i2c.h>
#include <sys/ioctl.h>
#include <unistd.h>

extern "C" {
#include <i2c/smbus.h>
}

#include <cerrno>

namespace host {

namespace {

// Every transfer the host makes is one of these two.
constexpr unsigned long kByteData = I2C_FUNC_SMBUS_READ_BYTE_DATA | I2C_FUNC_SMBUS_WRITE_BYTE_DATA;

int LastError() { return errno != 0 ? errno : EIO; }

// A few adapters report a bus that another master holds as EBUSY; the word is kept for a
// driver's claim on the address, and a busy bus reads as the retry it is.
int TransferError(int32_t result) { return result == -EBUSY ? EAGAIN : -result; }

class I2cAdapter final : public Adapter {
public:
    explicit I2cAdapter(std::string path) : path_(std::move(path)) {}
    ~I2cAdapter() override { Close(); }
    I2cAdapter(const I2cAdapter&) = delete;
    I2cAdapter& operator=(const I2cAdapter&) = delete;

    std::string Name() const override { return Shown(path_); }

    int Open() override {
        if (fd_ >= 0) return 0;
        fd_ = open(path_.c_str(), O_RDWR | O_CLOEXEC);
        if (fd_ < 0) return Failed();
        unsigned long funcs = 0;
        if (ioctl(fd_, I2C_FUNCS, &funcs) < 0) return Failed();
        if ((funcs & kByteData) != kByteData) {
            Close();
            return EOPNOTSUPP;
        }
        return 0;
    }

    void Close() override {
        if (fd_ >= 0) close(fd_);
        fd_ = -1;
        chosen_ = -1;
    }

    // Asked even when the address is the one set: a driver may have bound to it since.
    int Claim(uint8_t address) override {
        chosen_ = -1;
        return Choose(address);
    }

    BusResult Read(uint8_t address, uint8_t reg) override {
        if (const int error = Choose(address); error != 0) return {error};
        const int32_t result = i2c_smbus_read_byte_data(fd_, reg);
        if (result < 0) return {TransferError(result)};
        return {0, static_cast<uint8_t>(result)};
    }

    BusResult Write(uint8_t address, uint8_t reg, uint8_t value) override {
        if (const int error = Choose(address); error != 0) return {error};
        const int32_t result = i2c_smbus_write_byte_data(fd_, reg, value);
        return {result < 0 ? TransferError(result) : 0};
    }

    std::string Why(int error) const override {
        if (error == EOPNOTSUPP) return Name() + " offers no SMBus byte-data transfers";
        if (error == ENOTTY) return Name() + " is not an i2c-dev adapter";
        if (error == EBUSY) return "a kernel driver holds the address (the host never forces it)";
        if (NotPermitted(error)) return NoAccess(Name());
        return Adapter::Why(error);
    }

private:
    // The kernel checks a driver's claim at I2C_SLAVE; I2C_SLAVE_FORCE would write to a chip
    // under its driver's feet, so it is never used.
    int Choose(uint8_t address) {
        if (fd_ < 0) return EBADF;
        if (chosen_ == address) return 0;
        chosen_ = -1;
        if (ioctl(fd_, I2C_SLAVE, static_cast<unsigned long>(address)) < 0) return LastError();
        chosen_ = address;
        return 0;
    }

    int Failed() {
        const int error = LastError();
        Close();
        return error;
    }

    std::string path_;
    int fd_ = -1;
    int chosen_ = -1;  // the address I2C_SLAVE set last on this descriptor
};

}  // namespace

std::unique_ptr<Adapter> MakeI2cAdapter(std::string path) { return std::make_unique<I2cAdapter>(std::move(path)); }

Bus MakeI2cBus(std::string path, uint8_t address) { return MakeBus(MakeI2cAdapter(std::move(path)), address); }

}  // namespace host
