#include "host/common/i2c_bus.h"

#include "host/common/parse.h"

#include <fcntl.h>
#include <linux/i2c-dev.h>
#include <sys/ioctl.h>
#include <unistd.h>

extern "C" {
#include <i2c/smbus.h>
}

#include <cerrno>

namespace host {

namespace {

class I2cBus final : public Bus {
public:
    I2cBus(std::string path, uint8_t address) : path_(std::move(path)), address_(address) {}
    ~I2cBus() override { Close(); }
    I2cBus(const I2cBus&) = delete;
    I2cBus& operator=(const I2cBus&) = delete;

    std::string Name() const override { return Shown(path_) + " at " + Hex(address_); }
    uint8_t Address() const override { return address_; }

    int Open() override {
        Close();
        fd_ = open(path_.c_str(), O_RDWR | O_CLOEXEC);
        if (fd_ < 0) return Failed();
        // The kernel takes any address here; a chip missing from it shows at the first transfer.
        if (ioctl(fd_, I2C_SLAVE, static_cast<unsigned long>(address_)) < 0) return Failed();
        return 0;
    }

    void Close() override {
        if (fd_ >= 0) close(fd_);
        fd_ = -1;
    }

    BusResult Read(uint8_t reg) override {
        if (fd_ < 0) return {EBADF};
        const int32_t result = i2c_smbus_read_byte_data(fd_, reg);
        if (result < 0) return {-result};
        return {0, static_cast<uint8_t>(result)};
    }

    BusResult Write(uint8_t reg, uint8_t value) override {
        if (fd_ < 0) return {EBADF};
        const int32_t result = i2c_smbus_write_byte_data(fd_, reg, value);
        return {result < 0 ? -result : 0};
    }

private:
    int Failed() {
        const int error = errno != 0 ? errno : EIO;
        Close();
        return error;
    }

    std::string path_;
    uint8_t address_;
    int fd_ = -1;
};

}  // namespace

std::unique_ptr<Bus> MakeI2cBus(std::string path, uint8_t address) {
    return std::make_unique<I2cBus>(std::move(path), address);
}

}  // namespace host
