// File > Connect... against report-level doubles of the two bridges: the dialog lists them,
// OK connects the current device there, and a failure shows as the other failures do.
#include "host_test.h"

#include "hid_bridge_double.h"
#include "host/common/parse.h"
#include "host/windows/register_grid.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

using Kind = hid_double::Bridge::Kind;

// What the test does in the Connect dialog, and what it saw there.
struct Answer {
    int place;
    std::wstring address;
    int speed;  // 0: 100 kHz, 1: 400 kHz
    std::vector<std::wstring> listed;
    std::wstring found, problem;
    bool shown = false;
};
Answer* answer = nullptr;

// The dialog is modal: a timer of this thread answers it from inside its loop, picking the
// place, typing the address and clicking OK, then Cancel when OK left it open.
void CALLBACK AnswerDialog(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND dialog = ShownForm(L"Connect");
    if (dialog == nullptr || answer == nullptr) return;
    KillTimer(nullptr, timer);
    answer->shown = true;
    HWND places = GetDlgItem(dialog, winhost::kConnectPlaces);
    for (LRESULT i = 0; i < SendMessageW(places, LB_GETCOUNT, 0, 0); ++i) {
        std::wstring text(static_cast<size_t>(SendMessageW(places, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0)), L'\0');
        SendMessageW(places, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()));
        answer->listed.push_back(text.c_str());
    }
    answer->found = TextOf(GetDlgItem(dialog, winhost::kConnectFound));
    SendMessageW(places, LB_SETCURSEL, static_cast<WPARAM>(answer->place), 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(winhost::kConnectPlaces, LBN_SELCHANGE), reinterpret_cast<LPARAM>(places));
    SetWindowTextW(GetDlgItem(dialog, winhost::kConnectAddress), answer->address.c_str());
    SendDlgItemMessageW(dialog, winhost::kConnectSpeed, CB_SETCURSEL, static_cast<WPARAM>(answer->speed), 0);
    SendMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    if (IsWindow(dialog) && IsWindowVisible(dialog)) {
        answer->problem = TextOf(GetDlgItem(dialog, winhost::kConnectProblem));
        SendMessageW(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
    }
}

class Connect : public Host {
protected:
    void SetUp() override {
        cp2112 = hid_double::MakeBridge(Kind::Cp2112, "cp2112-node", "A1");
        cp2112->chips[0x41] = {};
        cp2112->chips[0x41][0x07] = 0x5A;
        mcp2221 = hid_double::MakeBridge(Kind::Mcp2221, "mcp2221-node");
        adapters = std::make_shared<host::AdapterPool>(host::BusOptions{}, hid_double::System({cp2112, mcp2221}));
        Open(OneSimulated(), false, adapters);
    }
    static std::vector<std::unique_ptr<host::Bus>> OneSimulated() {
        std::vector<std::unique_ptr<host::Bus>> buses;
        buses.emplace_back();
        return buses;
    }
    // File > Connect... answered as `given` says.
    Answer Choose(Answer given) {
        answer = &given;
        SetTimer(nullptr, 0, 10, AnswerDialog);
        Menu(winhost::kConnect);
        answer = nullptr;
        EXPECT_TRUE(given.shown) << "no Connect dialog";
        return given;
    }

    std::shared_ptr<hid_double::Bridge> cp2112, mcp2221;
    std::shared_ptr<host::AdapterPool> adapters;
};

TEST_F(Connect, TheDialogListsTheBridgesAndConnectsTheCurrentDeviceWhereItSays) {
    const struct {
        int place;
        const wchar_t* address;
        int speed;
        const char* log;  // the last line after OK
        const wchar_t* status;
    } rows[] = {
        {1, L"0x41", 1, "connected to hid:10C4:EA90 serial A1 (cp2112-node) at 0x41", L"Device 1 of 1: hid:10C4:EA90 serial A1 (cp2112-node) at 0x41, online"},
        {2, L"0x40", 0, "connected to hid:04D8:00DD (mcp2221-node) at 0x40", L"Device 1 of 1: hid:04D8:00DD (mcp2221-node) at 0x40, online"},
        {1, L"0x78", 0, "connected to hid:04D8:00DD (mcp2221-node) at 0x40", L"Device 1 of 1: hid:04D8:00DD (mcp2221-node) at 0x40, online"},
        {1, L"0x42", 0, "error: connect: no QM7140 read on hid:", L"Device 1 of 1: hid:cp2112-node at 0x42, offline"},
        {0, L"", 0, "connected to a simulated QM7140", L"Device 1 of 1: simulated QM7140 at 0x80/0"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.log);
        const Answer seen = Choose({r.place, r.address, r.speed});
        EXPECT_EQ(seen.listed, (std::vector<std::wstring>{L"Simulated QM7140 (no chip)", L"10C4:EA90 CP2112 serial A1 at cp2112-node",
                                                          L"04D8:00DD MCP2221 at mcp2221-node"}));
        EXPECT_EQ(seen.found, L"2 USB-HID I2C bridge(s) found");
        EXPECT_EQ(seen.problem, std::wstring(r.place > 0 && std::wstring(r.address) == L"0x78"
                                                 ? L"\"0x78\" is not a 7-bit address from 0x08 to 0x77."
                                                 : L""));
        EXPECT_EQ(LastLog().substr(0, std::string(r.log).size()), r.log);
        EXPECT_EQ(Status(), r.status);
        if (r.speed == 1) {
            EXPECT_EQ(std::vector<uint8_t>(cp2112->config.begin() + 1, cp2112->config.begin() + 5), (std::vector<uint8_t>{0x00, 0x06, 0x1A, 0x80}))
                << "400 kHz reached the bridge";
        }
    }
}

TEST_F(Connect, AWriteReachesTheBridgesChipAndAFailedOneIsAnErrorLineWithTheRegisterReadBack) {
    Choose({1, L"0x41", 0});
    EXPECT_EQ(Cell(7, winhost::kHexColumn), L"0x5A") << "the grid shows the chip";
    window->SetRegister(0x02, 0x55);
    EXPECT_EQ(cp2112->chips[0x41][0x02], 0x55);
    cp2112->refuse = 0x03;
    cp2112->chips[0x41][0x03] = 0x11;
    window->SetRegister(0x03, 0x22);
    Pump();
    const auto lines = LogLines();
    EXPECT_NE(std::find_if(lines.begin(), lines.end(), [](const std::string& l) { return l.starts_with("error: write reg 0x03 = 0x22 on hid:10C4:EA90"); }),
              lines.end());
    EXPECT_EQ(Cell(3, winhost::kHexColumn), L"0x11") << "the register read back";
    EXPECT_EQ(Status(), L"Device 1 of 1: hid:10C4:EA90 serial A1 (cp2112-node) at 0x41, online");
    cp2112->unplugged = true;
    window->SetRegister(0x02, 0x66);
    EXPECT_EQ(Status(), L"Device 1 of 1: hid:cp2112-node at 0x41, offline");
}

TEST_F(Connect, WithNoBridgeTheDialogSaysSoAndOffersTheSimulatedDevice) {
    Close();
    Open(OneSimulated(), false, std::make_shared<host::AdapterPool>(host::BusOptions{}, hid_double::System({})));
    const Answer seen = Choose({0, L"", 0});
    EXPECT_EQ(seen.listed, std::vector<std::wstring>{L"Simulated QM7140 (no chip)"});
    EXPECT_EQ(seen.found, L"no USB-HID I2C bridge found (looked for 10C4:EA90 CP2112, 04D8:00DD MCP2221)");
}

}  // namespace
