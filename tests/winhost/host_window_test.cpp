// The host's main window driven as a user drives it: menus, the register grid, the module's
// dialogs, the keyboard, several devices.
#include "host_test.h"

#include "host/common/text/parse.h"
#include "host/windows/register_grid.h"

#include <array>
#include <optional>
#include <utility>
#include <cerrno>
#include <string>
#include <vector>

namespace {

using winhost::kBinaryColumn;
using winhost::kHexColumn;

// The Boost dialog's controls, which registers 2 and 20 set.
struct BoostControls {
    HWND form, enable, threshold, delay;
};
BoostControls Boost(const wchar_t* title = L"BoostForm") {
    HWND form = ShownForm(title);
    EXPECT_NE(form, nullptr) << "the Boost dialog is not shown";
    HWND group = FindControl(form, L"Button", L"Auto Pass Through Configuration");
    std::vector<HWND> combos;
    for (HWND child : ChildrenOf(group))
        if (lstrcmpiW(ClassOf(child).c_str(), L"ComboBox") == 0) combos.push_back(child);
    EXPECT_EQ(combos.size(), 2u);
    combos.resize(2);
    return {form, FindControl(form, L"Button", L"Enable Boost"), combos[0], combos[1]};
}

// The columns that hold ink (near black) in a rectangle of `dc`: first and last, or none.
std::optional<std::pair<int, int>> InkColumns(HDC dc, const RECT& r) {
    std::optional<std::pair<int, int>> ink;
    for (int x = r.left; x < r.right; ++x)
        for (int y = r.top; y < r.bottom; ++y) {
            const COLORREF c = GetPixel(dc, x, y);
            if (c == CLR_INVALID || GetRValue(c) > 0x60 || GetGValue(c) > 0x60 || GetBValue(c) > 0x60) continue;
            ink = ink ? std::pair{ink->first, x} : std::pair{x, x};
            break;
        }
    return ink;
}

// Each pane of the status bar, as painted at the window's default size, shows its text
// whole: as wide as the same text drawn in the same font with nothing to cut it.
TEST_F(Host, TheStatusBarShowsEachPanesWholeTextAtTheDefaultSize) {
    HWND status = GetDlgItem(main, winhost::kStatusId);
    RedrawWindow(status, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    HDC screen = GetDC(status);
    HDC alone = CreateCompatibleDC(screen);
    HBITMAP canvas = CreateCompatibleBitmap(screen, 2000, 40);
    const HGDIOBJ oldCanvas = SelectObject(alone, canvas);
    const HGDIOBJ oldFont = SelectObject(alone, reinterpret_cast<HGDIOBJ>(SendMessageW(status, WM_GETFONT, 0, 0)));
    for (WPARAM part = 0; part < 2; ++part) {
        std::wstring text(static_cast<size_t>(LOWORD(SendMessageW(status, SB_GETTEXTLENGTHW, part, 0))) + 1, L'\0');
        text.resize(static_cast<size_t>(LOWORD(SendMessageW(status, SB_GETTEXTW, part, reinterpret_cast<LPARAM>(text.data())))));
        SCOPED_TRACE(winhost::Narrow(text));
        ASSERT_FALSE(text.empty());
        RECT whole{0, 0, 2000, 40};
        FillRect(alone, &whole, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        SetTextColor(alone, RGB(0, 0, 0));
        SetBkMode(alone, TRANSPARENT);
        TextOutW(alone, 0, 0, text.c_str(), static_cast<int>(text.size()));
        const auto wanted = InkColumns(alone, whole);
        RECT pane{};
        SendMessageW(status, SB_GETRECT, part, reinterpret_cast<LPARAM>(&pane));
        const auto shown = InkColumns(screen, pane);
        ASSERT_TRUE(wanted && shown);
        EXPECT_EQ(shown->second - shown->first, wanted->second - wanted->first) << "pane " << part << " is cut";
    }
    SelectObject(alone, oldFont);
    SelectObject(alone, oldCanvas);
    DeleteObject(canvas);
    DeleteDC(alone);
    ReleaseDC(status, screen);
}

TEST_F(Host, TheDeviceMenuHoldsTheModulesCaptionsInIndexOrderAndOpensEachDialog) {
    HMENU menu = GetSubMenu(GetMenu(main), 2);
    ASSERT_NE(menu, nullptr);
    const struct {
        const wchar_t* caption;
        const wchar_t* form;
    } rows[] = {{L"&Digital Control...", L"Digital Control"}, {L"&Limiter...", L"Limiter / AGC"}, {L"&Boost...", L"BoostForm"}};
    for (unsigned i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        wchar_t text[64] = {};
        GetMenuStringW(menu, winhost::kDialogMenu + i, text, 64, MF_BYCOMMAND);
        EXPECT_STREQ(text, rows[i].caption);
        EXPECT_EQ(ShownForm(rows[i].form), nullptr);
        Menu(winhost::kDialogMenu + i);
        EXPECT_NE(ShownForm(rows[i].form), nullptr);
    }
    // Nothing past the captions the module gave.
    EXPECT_EQ(GetMenuState(menu, winhost::kDialogMenu + 3, MF_BYCOMMAND), static_cast<UINT>(-1));
    EXPECT_EQ(LogLines().size(), 0u) << "opening dialogs writes nothing";
}

TEST_F(Host, AByteEditedInTheGridReachesTheDeviceAndTheOpenDialogFollowsWithoutWriting) {
    Menu(winhost::kDialogMenu + QM7140_DIALOG_BOOST);
    const BoostControls boost = Boost();
    struct Row {
        int reg, column;
        const wchar_t* typed;
        int stored;  // -1: refused, the editor stays open
    };
    const Row rows[] = {
        {2, kHexColumn, L"40", 0x40},          {20, kBinaryColumn, L"0000 1010", 0x0A}, {2, kHexColumn, L"0x00", 0x00},
        {20, kBinaryColumn, L"111", 0x07},     {2, kHexColumn, L" 0X4f ", 0x4F},        {2, kHexColumn, L"100", -1},
        {2, kHexColumn, L"4G", -1},            {20, kBinaryColumn, L"2", -1},           {20, kBinaryColumn, L"1 0 1", -1},
        {20, kBinaryColumn, L"1 0000 1111", -1},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(winhost::Narrow(r.typed));
        const uint8_t before = Register(static_cast<uint8_t>(r.reg));
        const size_t logged = LogLines().size();
        // A double-click on the cell opens its editor.
        RECT cell{LVIR_BOUNDS, r.column, 0, 0};
        SendMessageW(Grid(), LVM_GETSUBITEMRECT, static_cast<WPARAM>(r.reg), reinterpret_cast<LPARAM>(&cell));
        SendMessageW(Grid(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM((cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2));
        Pump();
        HWND editor = GetDlgItem(Grid(), winhost::kCellEditorId);
        ASSERT_NE(editor, nullptr);
        EXPECT_EQ(GetFocus(), editor);
        EXPECT_EQ(TextOf(editor), Cell(r.reg, r.column));
        SetWindowTextW(editor, r.typed);
        Key(editor, VK_RETURN);
        if (r.stored < 0) {
            EXPECT_EQ(GetDlgItem(Grid(), winhost::kCellEditorId), editor) << "the bad text stays for mending";
            Key(editor, VK_ESCAPE);
            EXPECT_EQ(GetDlgItem(Grid(), winhost::kCellEditorId), nullptr);
            EXPECT_EQ(Register(static_cast<uint8_t>(r.reg)), before);
            EXPECT_EQ(LogLines().size(), logged);
            continue;
        }
        EXPECT_EQ(GetDlgItem(Grid(), winhost::kCellEditorId), nullptr);
        EXPECT_EQ(GetFocus(), Grid());
        const auto value = static_cast<uint8_t>(r.stored);
        EXPECT_EQ(Register(static_cast<uint8_t>(r.reg)), value);
        EXPECT_EQ(Cell(r.reg, kHexColumn), winhost::CellText(kHexColumn, 0, value));
        // Register 2 lies in all three windows, 20 in two; their reloads write nothing back.
        EXPECT_EQ(LogLines().size(), logged + 1);
        // The write, then the fields it changed.
        EXPECT_TRUE(LastLog().starts_with("W 0x80/0 reg " + host::Hex(static_cast<unsigned>(r.reg)) + " = " + host::Hex(value))) << LastLog();
        EXPECT_EQ(Checked(boost.enable), (Register(2) & 0x40) != 0);
        EXPECT_EQ(SendMessageW(boost.threshold, CB_GETCURSEL, 0, 0), (Register(20) >> 2) & 3);
        EXPECT_EQ(SendMessageW(boost.delay, CB_GETCURSEL, 0, 0), Register(20) & 3);
    }
    // From the keyboard: Enter or F2 on the focused row edits its hex cell.
    for (const WPARAM key : {WPARAM{VK_RETURN}, WPARAM{VK_F2}}) {
        SetFocus(Grid());
        ListView_SetItemState(Grid(), 20, LVIS_FOCUSED | LVIS_SELECTED, LVIS_FOCUSED | LVIS_SELECTED);
        Key(Grid(), key);
        HWND editor = GetDlgItem(Grid(), winhost::kCellEditorId);
        ASSERT_NE(editor, nullptr) << key;
        EXPECT_EQ(TextOf(editor), L"0x07");
        Key(editor, VK_ESCAPE);
        EXPECT_EQ(GetDlgItem(Grid(), winhost::kCellEditorId), nullptr);
    }
}

TEST_F(Host, AClickInADialogShowsInTheGridAndTheLog) {
    Menu(winhost::kDialogMenu + QM7140_DIALOG_BOOST);
    const BoostControls boost = Boost();
    SendMessageW(boost.enable, BM_CLICK, 0, 0);
    Pump();
    EXPECT_EQ(LastLog(), "W 0x80/0 reg 0x02 = 0x40  (BoostForm: Enable Boost)");
    EXPECT_EQ(Cell(2, kHexColumn), L"0x40");
    EXPECT_EQ(Cell(2, kBinaryColumn), L"0100 0000");
    SelectItem(boost.delay, 3);
    Pump();
    EXPECT_EQ(LastLog(), "W 0x80/0 reg 0x14 = 0x03  (BoostForm: Delay)");
    EXPECT_EQ(Cell(20, winhost::kRegisterColumn), L"0x14");
    EXPECT_EQ(Cell(20, kBinaryColumn), L"0000 0011");
}

TEST_F(Host, ReadAllReloadsEveryDialogFromTheDeviceAndWritesNothing) {
    Menu(winhost::kDialogMenu + QM7140_DIALOG_BOOST);
    const BoostControls boost = Boost();
    // The device changed behind the module's back, as a real one does.
    window->DeviceAt(0).Chip().Registers().bytes[2] = 0x40;
    window->DeviceAt(0).Chip().Registers().bytes[20] = 0x0B;
    EXPECT_FALSE(Checked(boost.enable));
    Menu(winhost::kReadAll);
    EXPECT_TRUE(Checked(boost.enable));
    EXPECT_EQ(SendMessageW(boost.threshold, CB_GETCURSEL, 0, 0), 2);
    EXPECT_EQ(SendMessageW(boost.delay, CB_GETCURSEL, 0, 0), 3);
    EXPECT_EQ(Cell(20, kHexColumn), L"0x0B");
    EXPECT_EQ(LastLog(), "read all: the simulated chip's registers shown again in every dialog");
}

// The dialogs are modeless: only the host's loop gives them a dialog's keyboard.
TEST_F(Host, TheLoopGivesTheDialogsTabAndLeavesEnterToTheirEdits) {
    Menu(winhost::kDialogMenu + QM7140_DIALOG_BOOST);
    const BoostControls boost = Boost();
    SetFocus(boost.enable);
    Key(boost.enable, VK_TAB);
    EXPECT_NE(GetFocus(), boost.enable);
    EXPECT_TRUE(IsChild(boost.form, GetFocus()));

    Menu(winhost::kDialogMenu + QM7140_DIALOG_DIGITAL_CONTROL);
    HWND digital = ShownForm(L"Digital Control");
    ASSERT_NE(digital, nullptr);
    HWND tag = nullptr;
    for (HWND child : ChildrenOf(FindControl(digital, L"Button", L"Output Configuration")))
        if (lstrcmpiW(ClassOf(child).c_str(), L"Edit") == 0) tag = child;
    ASSERT_NE(tag, nullptr);
    SetFocus(tag);
    SendMessageW(tag, EM_SETSEL, 0, -1);
    SendMessageW(tag, WM_CHAR, L'3', 1);
    Key(tag, VK_RETURN);
    EXPECT_EQ(LastLog().substr(0, 15), "W 0x80/0 reg 0x");
    EXPECT_EQ(GetFocus(), tag) << "Enter commits and stays";
}

TEST_F(Host, EachDeviceHasItsOwnInstanceRegistersAndFigure) {
    Close();
    Open(3);
    EXPECT_EQ(window->DeviceCount(), 3);
    HMENU menu = GetSubMenu(GetMenu(main), 2);
    Menu(winhost::kDeviceMenu + 1);
    EXPECT_EQ(window->Current(), 1);
    EXPECT_EQ(GetMenuState(menu, winhost::kDeviceMenu + 1, MF_BYCOMMAND) & MF_CHECKED, static_cast<UINT>(MF_CHECKED));
    EXPECT_EQ(TextOf(main), L"QM7140 Host - device 2");
    Menu(winhost::kDialogMenu + QM7140_DIALOG_BOOST);
    SendMessageW(Boost(L"BoostForm - device 2").enable, BM_CLICK, 0, 0);
    Pump();
    EXPECT_EQ(LastLog(), "W 0x80/0 reg 0x02 = 0x40  (BoostForm: Enable Boost) (device 2)");
    EXPECT_EQ(Register(2, 1), 0x40);
    EXPECT_EQ(Register(2, 0), 0x00);
    EXPECT_EQ(Register(2, 2), 0x00);
    EXPECT_EQ(Cell(2, kHexColumn), L"0x40");
    // A click on another device's figure shows that device.
    const QM7140GraphObject& third = window->FigureOf(2);
    SendMessageW(Strip(), WM_LBUTTONDOWN, MK_LBUTTON,
                 MAKELPARAM((third.Bounds.Left + third.Bounds.Right) / 2, (third.Bounds.Top + third.Bounds.Bottom) / 2));
    Pump();
    EXPECT_EQ(window->Current(), 2);
    EXPECT_EQ(Cell(2, kHexColumn), L"0x00");
    EXPECT_TRUE(window->FigureOf(2).Selected);
    EXPECT_FALSE(window->FigureOf(1).Selected);

    // More devices than the module makes instances: refused whole.
    Close();
    module = std::make_unique<host::Module>(host::DefaultModulePath());
    try {
        winhost::HostWindow tooMany(*module, 17, {});
        ADD_FAILURE() << "17 devices";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "the module made 16 instance(s), not 17");
    }
}

// A chip that refuses one register's writes, or keeps only 7 bits of each byte.
class PickyAdapter final : public host::Adapter {
public:
    PickyAdapter(int refuse, uint8_t keeps) : refuse_(refuse), keeps_(keeps) {}
    std::string Name() const override { return "picky chip"; }
    int Open() override { return 0; }
    void Close() override {}
    int Claim(uint8_t) override { return 0; }
    host::BusResult Read(uint8_t, uint8_t reg) override { return {0, regs_[reg]}; }
    host::BusResult Write(uint8_t, uint8_t reg, uint8_t value) override {
        if (reg == refuse_) return {EIO};
        regs_[reg] = value & keeps_;
        return {};
    }
    std::string Why(int) const override { return "no acknowledge"; }

private:
    int refuse_;
    uint8_t keeps_;
    std::array<uint8_t, 256> regs_{};
};

// The failure is settled once the dialog's handler has returned, from a message of the host's.
TEST_F(Host, AWriteTheChipRefusesOrAltersIsSettledAfterTheDialogsHandler) {
    const struct {
        int refuse;
        uint8_t keeps;
        bool verify;
        std::string error;
    } rows[] = {
        {2, 0xFF, false, "error: write reg 0x02 = 0x40 on picky chip at 0x41: no acknowledge; the chip holds 0x00"},
        {-1, 0x3F, true, "error: write reg 0x02 = 0x40 on picky chip at 0x41: verify read back 0x00, not 0x40; the register shows 0x00"},
    };
    for (const auto& r : rows) {
        Close();
        Open({host::MakeBus(std::make_unique<PickyAdapter>(r.refuse, r.keeps), 0x41)}, r.verify);
        Menu(winhost::kDialogMenu + QM7140_DIALOG_BOOST);
        const BoostControls boost = Boost();
        const std::string before = LastLog();
        SendMessageW(boost.enable, BM_CLICK, 0, 0);
        // A refused write is logged as its failure alone, a verified one as the write first.
        EXPECT_EQ(LastLog(), r.verify ? "W 0x80/0 reg 0x02 = 0x40  (BoostForm: Enable Boost)" : before) << "nothing settled inside the handler";
        Pump();
        EXPECT_EQ(LastLog(), r.error);
        EXPECT_FALSE(Checked(boost.enable)) << "the dialog shows the chip";
        EXPECT_EQ(Cell(2, kHexColumn), L"0x00");
    }
}

}  // namespace
