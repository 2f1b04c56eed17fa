// Which windows a register reaches, and the line a write is logged with.
#include "host/common/module/module_instance.h"
#include "host/common/module/register_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <utility>
#include <vector>

namespace {

TEST(ModuleInstance, AWindowCoversTheRegistersOfItsOwnRangeAddressAndPage) {
    QM7140RegisterWindow w{};
    w.DeviceAddress = 0x80;
    w.FirstRegister = 4;
    w.RegisterCount = 3;
    const struct {
        int32_t address, page;
        uint32_t reg;
        bool covered;
    } rows[] = {{0x80, 0, 4, true}, {0x80, 0, 6, true}, {0x80, 0, 3, false}, {0x80, 0, 7, false},
                {0x81, 0, 5, false}, {0x80, 1, 5, false}};
    for (const auto& r : rows) EXPECT_EQ(host::Covers(w, r.address, r.page, r.reg), r.covered) << r.reg;
    // A window reaching past the top of the register numbers does not wrap round to 0.
    w.FirstRegister = 0xFFFFFFF0u;
    w.RegisterCount = 0x20;
    EXPECT_FALSE(host::Covers(w, 0x80, 0, 5));
    EXPECT_TRUE(host::Covers(w, 0x80, 0, 0xFFFFFFFFu));
}

TEST(ModuleInstance, TheModulesWindowsAreToldOfTheRegistersTheyHold) {
    host::Module module(QM7140_LIBRARY);
    std::vector<host::BusWrite> writes;
    host::ModuleInstance device(module, [&](const host::BusWrite& w) { writes.push_back(w); });
    // Limiter 0 to 15, Boost 0 to 20, Digital Control 0 to 31.
    const std::pair<uint8_t, int> rows[] = {{0, 3}, {15, 3}, {16, 2}, {20, 2}, {21, 1}, {31, 1}, {32, 0}, {255, 0}};
    for (const auto& [reg, windows] : rows) EXPECT_EQ(device.Notify(reg), windows) << int{reg};
    for (int32_t dialog = 0; dialog < host::kDialogCount; ++dialog)
        EXPECT_EQ(device.Window(dialog)->Cache, device.Registers().bytes.data());
    EXPECT_EQ(device.Window(host::kDialogCount), nullptr);
    EXPECT_TRUE(writes.empty()) << "reloads write nothing";
}

TEST(ModuleInstance, AWriteIsLoggedWithTheByteTheDeviceNowHolds) {
    host::RegisterFile registers;
    registers.bytes[2] = 0x55;
    EXPECT_EQ(host::WriteLine({0x80, 0, 2, 1}, registers), "W 0x80/0 reg 0x02 = 0x55");
    EXPECT_EQ(host::WriteLine({0x80, 1, 2, 3}, registers), "W 0x80/1 reg 0x02 = 0x55 count 3");
    EXPECT_EQ(host::WriteLine({0x80, 0, 300, 1}, registers), "W 0x80/0 reg 0x12C (no such register)");
    EXPECT_EQ(host::TransferLine('R', {0x80, 0, 3, 1, 0x25}), "R 0x80/0 reg 0x03 = 0x25");
}

}  // namespace
