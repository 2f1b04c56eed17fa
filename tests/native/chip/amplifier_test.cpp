// The one device every host drives: failures held until the module's call is over, --verify,
// scripts in slices, and several devices on the terminal host.
#include "chip_double.h"
#include "host/common/bus/device_place.h"
#include "host/common/bus/simulated_adapter.h"
#include "i2c_double.h"
#include "host/terminal/session.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <sstream>

namespace {

using namespace std::chrono_literals;

// A session's devices: a simulated one first when asked, then the chip double at `address`.
std::vector<host::ChipPlace> Places(ChipDouble& chip, uint8_t address = 0x40, bool simulatedFirst = false) {
    std::vector<host::ChipPlace> chips(simulatedFirst ? 1 : 0);
    chips.push_back({"/dev/i2c-1", BusTo(chip, address)});
    return chips;
}

std::string Lines(host::Session& session, std::ostringstream& out, const std::string& lines) {
    out.str("");
    std::istringstream in(lines);
    session.RunScript(in, false);
    return out.str();
}

// Script lines and what the session says to them, each run in turn.
struct Said {
    std::string lines, said;
};
void ExpectSaid(host::Session& session, std::ostringstream& out, std::initializer_list<Said> cases) {
    for (const auto& c : cases) EXPECT_EQ(Lines(session, out, c.lines), c.said) << c.lines;
}

// The edits' texts, as `controls limiter` shows them.
std::string Curve(host::Session& session, std::ostringstream& out) {
    std::string curve;
    std::istringstream lines(Lines(session, out, "controls limiter"));
    for (std::string line; std::getline(lines, line);)
        for (const char* edit : {"Slope ", "InflectionPoint ", "Level "})
            if (line.starts_with(edit)) curve += line.substr(0, line.find(" focused")) + "\n";
    return curve;
}

TEST(Amplifier, ARefusedWriteInsideTheModulesCallIsReadBackAndReloadedOnceAfterIt) {
    ChipDouble chip;
    chip.regs[11] = 100, chip.regs[12] = 60, chip.regs[13] = 150;
    std::ostringstream out, referenceOut;
    host::Session reference(QM7140_LIBRARY, referenceOut, referenceOut, Places(chip));
    Lines(reference, referenceOut, "show limiter");
    const std::string chipsCurve = Curve(reference, referenceOut);

    host::Session session(QM7140_LIBRARY, out, out, Places(chip));
    chip.refuse = 11;
    Lines(session, out, "show limiter\ntype limiter InflectionPoint 3.00");
    // What the edit shows at each transfer: a reload would put the chip's code there.
    int32_t edit = -1;
    ASSERT_EQ(session.Ui().find(session.Instance(), QM7140_DIALOG_LIMITER, "InflectionPoint", &edit), QM7140_UI_OK);
    chip.note = [&] {
        QM7140UiControl c{.size = sizeof c};
        session.Ui().control(session.Instance(), QM7140_DIALOG_LIMITER, edit, &c);
        return std::string(c.text != nullptr ? c.text : "");
    };
    chip.events.clear();
    const std::string said = Lines(session, out, "enter limiter InflectionPoint");
    chip.note = nullptr;
    EXPECT_EQ(chip.events, (std::vector<std::string>{"W 0x0B 2.99", "W 0x0D 2.99", "R 0x0B 2.99"}));
    EXPECT_NE(said.find("error: line 1: write reg 0x0B = 0x6C on double at 0x40: Remote I/O error; the chip holds 0x64"),
              std::string::npos)
        << said;
    EXPECT_EQ(Curve(session, out), chipsCurve);
}

// A write is logged as one only once the bus took it: one the chip never got, offline,
// refused or for another device, is its failure's line alone, held until the call is over.
TEST(Amplifier, AWriteTheChipNeverGotIsLoggedAsItsFailureAlone) {
    host::Module module(QM7140_LIBRARY);
    struct Case {
        const char* what;
        bool connect;
        int refuse;
        int32_t address;  // 0: the module's own click
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"taken", true, -1, 0, {"W 0x80/0 reg 0x02 = 0x40  (BoostForm: Enable Boost)"}},
        {"offline", false, -1, 0,
         {"write reg 0x02 = 0x40 not sent: the bus is offline (double at 0x40: Transport endpoint is not connected; "
          "connect re-opens it); the register shows 0x00"}},
        {"refused", true, 2, 0, {"write reg 0x02 = 0x40 on double at 0x40: Remote I/O error; the chip holds 0x00"}},
        {"foreign", true, -1, 0x82, {"W 0x82/0 reg 0x02 = 0x00: not a register of this device; not sent"}},
    };
    for (const Case& c : cases) {
        ChipDouble chip;
        chip.refuse = c.refuse;
        std::vector<std::string> lines;
        int unsettled = 0;
        host::Amplifier amp(module, BusTo(chip), [&](const host::Record& r) { lines.push_back(host::RecordLine(r)); });
        amp.OnUnsettled([&] { ++unsettled; });
        if (c.connect) {
            ASSERT_TRUE(amp.Connect()) << c.what;
        }
        module.SelectMenu(amp.Instance(), QM7140_DIALOG_BOOST);
        if (c.address != 0) {
            const QM7140RegisterWindow* window = amp.Window(QM7140_DIALOG_BOOST);
            window->WriteCallback(window->CallbackContext, c.address, 0, 2, 1);
        } else {
            int32_t enable = -1;
            ASSERT_EQ(module.Ui.find(amp.Instance(), QM7140_DIALOG_BOOST, "EnableBoost", &enable), QM7140_UI_OK);
            ASSERT_EQ(module.Ui.click(amp.Instance(), QM7140_DIALOG_BOOST, enable), QM7140_UI_OK);
        }
        const size_t inside = lines.size();
        amp.Settle();
        EXPECT_EQ(lines, c.lines) << c.what;
        EXPECT_EQ(inside, c.lines.size() - static_cast<size_t>(unsettled)) << c.what << ": failures wait for Settle";
        EXPECT_EQ(unsettled, c.lines[0].starts_with("W 0x80") ? 0 : 1) << c.what;
    }
}

// A chip that keeps 7 bits of a register: the write went through, the verify names both bytes.
TEST(Amplifier, VerifyReportsAByteTheChipDidNotKeepAndShowsTheChips) {
    host::Module module(QM7140_LIBRARY);
    ChipDouble chip;
    chip.keeps = 0x7F;
    std::vector<host::Record> records;
    host::Amplifier amp(module, BusTo(chip), [&](const host::Record& r) { records.push_back(r); }, true);
    ASSERT_TRUE(amp.Connect());
    EXPECT_FALSE(amp.Write(2, 0x8F));
    ASSERT_EQ(records.size(), 2u) << "the write the bus took, then its verify";
    EXPECT_EQ(host::RecordLine(records[0]), "W 0x80/0 reg 0x02 = 0x8F  (Limiter / AGC: Enable Limiter)");
    EXPECT_EQ(records[1].failure.op, host::Failure::Op::Verify);
    EXPECT_EQ(host::RecordLine(records[1]), "write reg 0x02 = 0x8F on double at 0x40: verify read back 0x0F, not 0x8F; the register shows 0x0F");
    EXPECT_EQ(amp.Registers().bytes[2], 0x0F);
}

// What the host stores in the cache is what the simulated chip holds, and the other way round;
// a copy of its bus that outlives the device never reaches the freed cache.
TEST(Amplifier, ASimulatedChipsRegistersAreTheCacheUntilTheDeviceGoes) {
    host::Module module(QM7140_LIBRARY);
    host::Bus copy = host::SimulatedBus();
    {
        host::Amplifier amp(module, copy, nullptr);
        ASSERT_TRUE(amp.Connect());
        EXPECT_EQ(amp.Registers().bytes[11], 143) << "powered up";
        amp.Registers().bytes[2] = 0x55;
        EXPECT_EQ(copy.Read(2).value, 0x55);
        EXPECT_TRUE(copy.Write(3, 0x25).Done());
        EXPECT_EQ(amp.Registers().bytes[3], 0x25);
    }
    ASSERT_EQ(copy.Open(), 0);
    EXPECT_TRUE(copy.Write(2, 0x15).Done());
    EXPECT_EQ(copy.Read(2).value, 0x15);
}

TEST(Amplifier, AScriptPlaysInBoundedSlicesWaitsOutItsDelaysAndStopsAtAFailure) {
    host::Module module(QM7140_LIBRARY);
    ChipDouble chip;
    host::Amplifier amp(module, BusTo(chip), nullptr);
    ASSERT_TRUE(amp.Connect());
    std::string reads;
    for (int i = 0; i < 8; ++i) reads += "r 80 00 100\n";
    amp.Play(host::ParseScript(reads + "w 80 02 15\nd 50\nw 80 03 01 02\n", "s", 0x80), "s");
    const auto t0 = host::Amplifier::Clock::time_point{} + 1h;
    size_t records = 0;
    host::PlayedSlice slice;
    while ((slice = amp.Next(t0)).next == t0) {
        EXPECT_LE(slice.records.size(), host::Amplifier::kSliceRecords);
        records += slice.records.size();
    }
    EXPECT_EQ(records + slice.records.size(), 8 * 256 + 1u);
    EXPECT_EQ(slice.next, t0 + 50ms);
    EXPECT_TRUE(amp.Next(t0 + 49ms).records.empty()) << "the delay is not over";
    chip.refuse = 4;
    slice = amp.Next(t0 + 50ms);
    EXPECT_FALSE(slice.next);
    ASSERT_EQ(slice.records.size(), 3u);
    EXPECT_EQ(host::RecordLine(slice.records[0]), "W 0x80/0 reg 0x03 = 0x01  (Digital Control: LRCLK)");
    EXPECT_EQ(slice.records[1].failure.reg, 4);
    EXPECT_EQ(host::RecordLine(slice.records[2]), "s:11: stopped here; nothing after this line was sent");
    EXPECT_FALSE(amp.Playing());
}

struct TwoChips : ::testing::Test {
    ChipDouble chip;
    std::ostringstream out;
    host::Session session{QM7140_LIBRARY, out, out, Places(chip, 0x41, true)};
    std::filesystem::path file = std::filesystem::temp_directory_path() / ("qm7140-two-" + std::to_string(getpid()));
    ~TwoChips() override { std::filesystem::remove(file); }
};

TEST_F(TwoChips, EachCommandActsOnTheSelectedDeviceAndItsExportsNameItsAddress) {
    std::ofstream(file.string() + ".foreign") << "w 0x82 0x02 0x15\nw 0x80 0x03 0x01\n";
    ExpectSaid(session, out, {
        {"devices", "1 sim 0x40 online\n2 /dev/i2c-1 0x41 online\n"},
        {"device 3", "error: line 1: no device \"3\" (1 to 2); device 1 stays selected\n"},
        {"device 2\ndevice 0", "error: line 2: no device \"0\" (1 to 2); device 2 stays selected\n"},
        {"device x\nshow boost\nclick boost EnableBoost",
         "error: line 1: no device \"x\" (1 to 2); device 2 stays selected\ndevice 2: W 0x80/0 reg 0x02 = 0x40  (BoostForm: Enable Boost)\n"},
        {"export script " + file.string(), "device 2: wrote " + file.string() + ": registers 0x00 to 0x1F, register 0x01 last\n"},
        {"replay " + file.string() + ".foreign",
         "error: line 1: " + file.string() + ".foreign:2: address 0x80 is not this chip's (0x82)\n"},
    });
    EXPECT_EQ(chip.regs[2], 0x40);
    EXPECT_EQ(session.DeviceAt(0).Chip().Registers().bytes[2], 0x00);
    std::ifstream script(file);
    const std::string scriptText{std::istreambuf_iterator<char>(script), {}};
    EXPECT_NE(scriptText.find("w 0x82 0x02 0x40"), std::string::npos) << scriptText;
    std::filesystem::remove(file.string() + ".foreign");
}

// Three chips on one i2c-dev adapter, as the command line names them: one claimed by a kernel
// driver, one refusing every write; the others go on.
TEST(TerminalHostDevices, ChipsOnOneAdapterFailEachOnItsOwn) {
    qm7140_double_reset();
    qm7140_double.others[0].address = 0x41;
    qm7140_double.others[1] = {0x42, {}, 1};
    qm7140_double.busy = 0x41;
    const auto places = host::ParseDevicePlaces({"i2c:" QM7140_DOUBLE_PATH, "i2c:" QM7140_DOUBLE_PATH "@0x41", "i2c:" QM7140_DOUBLE_PATH "@0x42"});
    auto buses = host::MakeBuses(places, {});
    std::vector<host::ChipPlace> chips;
    for (size_t d = 0; d < places.size(); ++d) chips.push_back({places[d].adapter, std::move(buses[d])});
    std::ostringstream out;
    host::Session session(QM7140_LIBRARY, out, out, std::move(chips));
    EXPECT_EQ(out.str(), "device 1: connected to " QM7140_DOUBLE_PATH " at 0x40; read registers 0x00 to 0x1F\n"
                         "error: device 2: connect: cannot open " QM7140_DOUBLE_PATH
                         " at 0x41: a kernel driver holds the address (the host never forces it); offline\n"
                         "device 3: connected to " QM7140_DOUBLE_PATH " at 0x42; read registers 0x00 to 0x1F\n");
    ExpectSaid(session, out, {
        {"devices", "1 " QM7140_DOUBLE_PATH " 0x40 online\n2 " QM7140_DOUBLE_PATH " 0x41 offline\n3 " QM7140_DOUBLE_PATH " 0x42 online\n"},
        {"device 3\nshow boost\nclick boost EnableBoost",
         "error: line 3: device 3: write reg 0x02 = 0x40 on " QM7140_DOUBLE_PATH
         " at 0x42: Remote I/O error; the chip holds 0x00\n"},
    });
    EXPECT_EQ(qm7140_double.opens, 1u) << "one descriptor for the three";
    qm7140_double_reset();
}

// Bad options end the program before any device is opened.
TEST(TerminalHostDevices, ABadPlaceOrBusWithDeviceExitsTwoNamingIt) {
    const std::string host = QM7140_HOST;
    const struct {
        std::string arguments, error;
    } cases[] = {
        {"--bus /dev/null --device sim", "error: --bus and --device do not go together"},
        {"--device sim --device nothing:/dev/null", "nothing:/dev/null"},
        {"--device i2c:/dev/null@0x41 --device i2c:/dev/null@0x41", "i2c:/dev/null@0x41"},
        {"--devices=17", "error: --devices takes 1 to 16, not \"17\""},
        {"--verbose", "error: unknown option --verbose"},
    };
    for (const auto& c : cases) {
        FILE* run = popen((host + " " + c.arguments + " </dev/null 2>&1").c_str(), "r");
        ASSERT_NE(run, nullptr);
        std::string said;
        char chunk[256];
        while (size_t n = fread(chunk, 1, sizeof chunk, run)) said.append(chunk, n);
        const int status = pclose(run);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2) << c.arguments << "\n" << said;
        EXPECT_TRUE(said.starts_with("error: ") && said.find(c.error) != std::string::npos) << said;
    }
}

}  // namespace
