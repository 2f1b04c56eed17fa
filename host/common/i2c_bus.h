// A real QM7140 on a Linux I2C adapter, through the kernel's i2c-dev interface.
#pragma once

#include "host/common/bus.h"

#include <memory>
#include <string>

namespace host {

// The chip at a 7-bit `address` on the adapter `path` ("/dev/i2c-1"); not opened yet.
std::unique_ptr<Bus> MakeI2cBus(std::string path, uint8_t address);

}  // namespace host
