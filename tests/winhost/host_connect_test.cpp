// File > Connect... against report-level doubles of the two bridges: the dialog lists them,
// OK connects the current device there, and a failure shows as the other failures do.
#include "host_test.h"

#include "hid_bridge_double.h"
#include "host/windows/register_grid.h"

namespace {

using Kind = hid_double::Bridge::Kind;

// What the test does in the Connect dialog (place, address, speed 0 or 1), and what it saw.
struct Answer {
    int place;
    std::wstring address;
    int speed;
    std::wstring listed, problem;
};
Answer* answer = nullptr;

// The dialog is modal: a timer of this thread answers it from inside its loop, then clicks
// Cancel when OK left it open.
void CALLBACK AnswerDialog(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND dialog = ShownForm(L"Connect");
    if (dialog == nullptr || answer == nullptr) return;
    KillTimer(nullptr, timer);
    HWND places = GetDlgItem(dialog, winhost::kConnectPlaces);
    for (WPARAM i = 0; i < static_cast<WPARAM>(SendMessageW(places, LB_GETCOUNT, 0, 0)); ++i) {
        wchar_t text[256] = {};
        SendMessageW(places, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
        answer->listed += std::wstring(text) + L"\n";
    }
    answer->listed += TextOf(GetDlgItem(dialog, winhost::kConnectFound));
    SendMessageW(places, LB_SETCURSEL, static_cast<WPARAM>(answer->place), 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(winhost::kConnectPlaces, LBN_SELCHANGE), reinterpret_cast<LPARAM>(places));
    SetDlgItemTextW(dialog, winhost::kConnectAddress, answer->address.c_str());
    SendDlgItemMessageW(dialog, winhost::kConnectSpeed, CB_SETCURSEL, static_cast<WPARAM>(answer->speed), 0);
    SendMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    if (!IsWindowVisible(dialog)) return;
    answer->problem = TextOf(GetDlgItem(dialog, winhost::kConnectProblem));
    SendMessageW(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
}

class Connect : public Host {
protected:
    void SetUp() override {
        cp2112->chips[0x41][0x07] = 0x5A;  // and none at 0x42
        Open({host::SimulatedBus()}, false, std::make_shared<host::AdapterPool>(host::BusOptions{}, hid_double::System({cp2112, mcp2221})));
    }
    // The status bar's first part, after "Device 1 of 1: ".
    std::wstring Status() const { return TextOf(GetDlgItem(main, winhost::kStatusId)).substr(15); }
    Answer Choose(Answer given) {
        answer = &given;
        SetTimer(nullptr, 0, 10, AnswerDialog);
        Menu(winhost::kConnect);
        answer = nullptr;
        return given;
    }

    std::shared_ptr<hid_double::Bridge> cp2112 = hid_double::MakeBridge(Kind::Cp2112, "cp2112-node", "A1");
    std::shared_ptr<hid_double::Bridge> mcp2221 = hid_double::MakeBridge(Kind::Mcp2221, "mcp2221-node");
};

TEST_F(Connect, TheDialogListsTheBridgesAndConnectsTheCurrentDeviceWhereItSays) {
    const struct {
        Answer given;
        const char* log;  // how the last line starts
        const wchar_t* status;
    } rows[] = {
        {{1, L"0x41", 1}, "connected to hid:10C4:EA90 serial A1 (cp2112-node) at 0x41", L"hid:10C4:EA90 serial A1 (cp2112-node) at 0x41, online"},
        {{2, L"0x78", 0, L"", L"\"0x78\" is not a 7-bit address from 0x08 to 0x77."}, "connected to hid:10C4:EA90", L"hid:10C4:EA90 serial A1 (cp2112-node) at 0x41, online"},
        {{2, L"0x40", 0}, "connected to hid:04D8:00DD (mcp2221-node) at 0x40", L"hid:04D8:00DD (mcp2221-node) at 0x40, online"},
        {{1, L"0x42", 0}, "error: connect: no QM7140 read on hid:", L"hid:cp2112-node at 0x42, offline"},
        {{0, L"", 0}, "connected to simulated QM7140 at 0x40", L"simulated QM7140 at 0x40"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.log);
        const Answer seen = Choose(r.given);
        EXPECT_EQ(seen.listed, L"Simulated QM7140 (no chip)\n10C4:EA90 CP2112 serial A1 at cp2112-node\n04D8:00DD MCP2221 at mcp2221-node\n"
                               L"2 USB-HID I2C bridge(s) found");
        EXPECT_EQ(seen.problem, r.given.problem);
        EXPECT_EQ(LastLog().substr(0, std::string(r.log).size()), r.log);
        EXPECT_EQ(Status(), r.status);
        EXPECT_TRUE(r.given.speed == 0 || cp2112->config[3] == 0x1A) << "400 kHz (0x00061A80 Hz) reached the bridge";
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
    EXPECT_NE(TextOf(GetDlgItem(main, winhost::kLogId)).find(L"error: write reg 0x03 = 0x22 on hid:10C4:EA90"), std::wstring::npos);
    EXPECT_EQ(Cell(3, winhost::kHexColumn), L"0x11") << "the register read back";
    EXPECT_EQ(Status(), L"hid:10C4:EA90 serial A1 (cp2112-node) at 0x41, online");
    cp2112->unplugged = true;
    window->SetRegister(0x02, 0x66);
    EXPECT_EQ(Status(), L"hid:cp2112-node at 0x41, offline");
}

}  // namespace
