// A real QM7140 on a Linux I2C adapter, through the kernel's i2c-dev interface.
#pragma once

#include "host/common/bus/adapter.h"
#include "host/common/bus/bus.h"

#include <memory>
#include <string>

namespace host {

// The adapter `path` ("/dev/i2c-1"), not opened yet: one descriptor for every chip on it,
// the address set before each transfer that goes to another chip than the last one.
std::unique_ptr<Adapter> MakeI2cAdapter(std::string path);

// The chip at a 7-bit `address` on an adapter of its own; not opened yet.
Bus MakeI2cBus(std::string path, uint8_t address);

}  // namespace host
