// The Boost dialog end to end: the DLL loaded and connected as a host does, its real
// windows found on the screen and driven with the messages a user's actions produce.
#include "dialog_test.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class BoostDialog : public DialogTest {
protected:
    BoostDialog() : DialogTest(QM7140_DIALOG_BOOST, L"BoostForm") {}
    HWND Find(const wchar_t* windowClass, const wchar_t* text) const { return DialogTest::Find(form, windowClass, text); }
    HWND EnableBoost() const { return Find(L"Button", L"Enable Boost"); }
    HWND EnableAPT() const { return Find(L"Button", L"Enable Auto Pass Through"); }
    HWND GroupBox4() const { return Find(L"Button", L"Auto Pass Through Configuration"); }
    // The lists have no caption; they are the group's combo boxes in tab order.
    HWND List(size_t n) const {
        std::vector<HWND> lists;
        for (HWND child : ChildrenOf(GroupBox4()))
            if (lstrcmpiW(ClassOf(child).c_str(), L"ComboBox") == 0) lists.push_back(child);
        return n < lists.size() ? lists[n] : nullptr;
    }
    HWND APTThreshold() const { return List(0); }
    HWND APTDelay() const { return List(1); }
    void Click(HWND button) {
        SendMessageW(button, BM_CLICK, 0, 0);
        Pump();
    }
    static LRESULT Selected(HWND list) { return SendMessageW(list, CB_GETCURSEL, 0, 0); }
};

TEST_F(BoostDialog, IsAHiddenToolWindowUntilShownModelessAtTheFront) {
    EXPECT_FALSE(IsWindowVisible(form));
    Show();
    EXPECT_TRUE(IsWindowVisible(form));
    EXPECT_EQ(GetForegroundWindow(), form);
    EXPECT_EQ(GetWindow(form, GW_OWNER), nullptr);

    const auto exStyle = static_cast<DWORD>(GetWindowLongW(form, GWL_EXSTYLE));
    EXPECT_EQ(exStyle & (WS_EX_TOPMOST | WS_EX_TOOLWINDOW), DWORD{WS_EX_TOPMOST | WS_EX_TOOLWINDOW});
    const auto style = static_cast<DWORD>(GetWindowLongW(form, GWL_STYLE));
    EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU), DWORD{WS_CAPTION | WS_SYSMENU});
    EXPECT_EQ(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_CHILD), 0u);

    RECT client;
    GetClientRect(form, &client);
    EXPECT_EQ(client.right, 379);
    EXPECT_EQ(client.bottom, 156);
    // The focus goes where a dialog puts it: the first control in tab order.
    EXPECT_EQ(GetAncestor(GetFocus(), GA_PARENT), APTThreshold());
}

struct Row {
    const wchar_t* windowClass;
    const wchar_t* text;
    Placement at;
    bool tabStop;
};

void ExpectChildren(HWND parent, const std::vector<Row>& rows) {
    const std::vector<HWND> children = ChildrenOf(parent);
    ASSERT_EQ(children.size(), rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        const Row& row = rows[i];
        SCOPED_TRACE(std::string(row.text, row.text + wcslen(row.text)));
        EXPECT_EQ(lstrcmpiW(ClassOf(children[i]).c_str(), row.windowClass), 0);
        EXPECT_EQ(TextOf(children[i]), row.text);
        Placement at = PlacementOf(children[i]);
        // A label grows to fit its text when the font is wider than the designer's.
        if (lstrcmpiW(row.windowClass, L"Static") == 0 && at.width >= row.at.width) at.width = row.at.width;
        EXPECT_EQ(at, row.at);
        EXPECT_EQ((GetWindowLongW(children[i], GWL_STYLE) & WS_TABSTOP) != 0, row.tabStop);
    }
}

TEST_F(BoostDialog, ControlsAreStandardWindowsInTheirDesignedPlacesAndTabOrder) {
    // Z-order, top first, is the tab order within each parent.
    ExpectChildren(form, {
                             {L"Button", L"Auto Pass Through Configuration", {8, 48, 361, 98}, false},
                             {L"Button", L"Enable Boost", {24, 16, 97, 17}, true},
                         });
    ExpectChildren(GroupBox4(), {
                                    {L"Static", L"Threshold:", {16, 65, 55, 17}, false},
                                    {L"Static", L"Delay:", {175, 65, 35, 17}, false},
                                    {L"ComboBox", L"T0", {83, 61, 70, 21}, true},
                                    {L"ComboBox", L"50ms", {238, 61, 72, 21}, true},
                                    {L"Button", L"Enable Auto Pass Through", {16, 30, 153, 17}, true},
                                });
    EXPECT_EQ(GetWindowLongW(EnableBoost(), GWL_STYLE) & BS_TYPEMASK, BS_AUTOCHECKBOX);
    EXPECT_EQ(GetWindowLongW(EnableAPT(), GWL_STYLE) & BS_TYPEMASK, BS_AUTOCHECKBOX);
    EXPECT_EQ(GetWindowLongW(GroupBox4(), GWL_STYLE) & BS_TYPEMASK, BS_GROUPBOX);
    for (HWND list : {APTThreshold(), APTDelay()}) {
        EXPECT_EQ(GetWindowLongW(list, GWL_STYLE) & 3, CBS_DROPDOWN);
        EXPECT_EQ(SendMessageW(list, CB_GETCOUNT, 0, 0), 4);
        // Dropped, the list shows every item without scrolling.
        COMBOBOXINFO parts{};
        parts.cbSize = sizeof parts;
        ASSERT_TRUE(GetComboBoxInfo(list, &parts));
        SendMessageW(list, CB_SHOWDROPDOWN, TRUE, 0);
        RECT shown;
        GetClientRect(parts.hwndList, &shown);
        EXPECT_GE(shown.bottom, 4 * SendMessageW(list, CB_GETITEMHEIGHT, 0, 0));
        SendMessageW(list, CB_SHOWDROPDOWN, FALSE, 0);
    }

    // The dialog manager's walk goes into the group box and round.
    std::vector<HWND> walk{GetNextDlgTabItem(form, nullptr, FALSE)};
    for (int i = 0; i < 4; ++i) walk.push_back(GetNextDlgTabItem(form, walk.back(), FALSE));
    EXPECT_EQ(walk, (std::vector<HWND>{APTThreshold(), APTDelay(), EnableAPT(), EnableBoost(), APTThreshold()}));
}

TEST_F(BoostDialog, EveryControlUsesTahomaEightPoint) {
    HDC screen = GetDC(nullptr);
    for (HWND control : DescendantsOf(form)) {
        if (GetParent(control) != form && GetParent(control) != GroupBox4()) continue;  // a list's own parts
        SCOPED_TRACE(TextOf(control).size());
        auto font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
        ASSERT_NE(font, nullptr);
        LOGFONTW description{};
        GetObjectW(font, sizeof description, &description);
        EXPECT_STREQ(description.lfFaceName, L"Tahoma");
        EXPECT_EQ(description.lfHeight, -11);
        // And the face really exists: nothing was substituted.
        HGDIOBJ old = SelectObject(screen, font);
        wchar_t face[LF_FACESIZE] = {};
        GetTextFaceW(screen, LF_FACESIZE, face);
        SelectObject(screen, old);
        EXPECT_STREQ(face, L"Tahoma");
    }
    ReleaseDC(nullptr, screen);
}

TEST_F(BoostDialog, PaintsOnTheButtonFace) {
    Show();
    RedrawWindow(form, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Pump();
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    auto pixel = [](HWND on, int x, int y) {
        HDC dc = GetDC(on);
        const COLORREF colour = GetPixel(dc, x, y);
        ReleaseDC(on, dc);
        return colour;
    };
    EXPECT_EQ(pixel(form, 300, 20), face) << "form";
    EXPECT_EQ(pixel(GroupBox4(), 330, 40), face) << "inside the group box";
    // The far corner of a label or check box lies beyond its text.
    for (HWND control : {Find(L"Static", L"Threshold:"), Find(L"Static", L"Delay:"), EnableBoost(), EnableAPT()}) {
        RECT r;
        GetClientRect(control, &r);
        EXPECT_EQ(pixel(control, r.right - 1, r.bottom - 1), face) << TextOf(control).size();
    }
}

TEST_F(BoostDialog, EachUserChangeWritesOneMaskedRegister) {
    host.cache[2] = 0x15;
    host.cache[20] = 0xF1;
    Show();

    Click(EnableBoost());
    EXPECT_TRUE(Checked(EnableBoost()));
    EXPECT_EQ(host.cache[2], 0x55);
    Click(EnableBoost());
    EXPECT_EQ(host.cache[2], 0x15);
    Click(EnableAPT());
    EXPECT_EQ(host.cache[2], 0x35);

    SelectItem(APTThreshold(), 2);
    EXPECT_EQ(TextOf(APTThreshold()), L"T2");
    EXPECT_EQ(host.cache[20], 0xF9);
    SelectItem(APTDelay(), 2);
    EXPECT_EQ(host.cache[20], 0xFA);

    // Typing into the list's field leaves no item selected: the field's bits all go to one.
    HWND field = GetWindow(APTDelay(), GW_CHILD);
    ASSERT_NE(field, nullptr);
    SendMessageW(field, EM_SETSEL, 0, -1);
    SendMessageW(field, WM_CHAR, L'9', 1);
    Pump();
    EXPECT_EQ(TextOf(APTDelay()), L"9");
    EXPECT_EQ(host.cache[20], 0xFB);

    EXPECT_EQ(host.writes, (std::vector<BusWrite>{Write(2, 0x55), Write(2, 0x15), Write(2, 0x35), Write(20, 0xF9),
                                                  Write(20, 0xFA), Write(20, 0xFB)}));
}

// Dropped down, the list selects the item that the typed text begins with; what is written
// is that item, the one the user sees highlighted, not "no item".
TEST_F(BoostDialog, TypingIntoADroppedDownListWritesTheItemTheListSelects) {
    host.cache[20] = 0xF1;
    Show();
    HWND field = GetWindow(APTThreshold(), GW_CHILD);
    ASSERT_NE(field, nullptr);
    SendMessageW(APTThreshold(), CB_SHOWDROPDOWN, TRUE, 0);
    SendMessageW(field, EM_SETSEL, 0, -1);
    SendMessageW(field, WM_CHAR, L'T', 1);
    SendMessageW(field, WM_CHAR, L'2', 1);
    Pump();
    EXPECT_EQ(TextOf(APTThreshold()), L"T2");
    EXPECT_EQ(Selected(APTThreshold()), 2);
    EXPECT_EQ(host.writes, (std::vector<BusWrite>{Write(20, 0xF1), Write(20, 0xF9)}));
    SendMessageW(APTThreshold(), CB_SHOWDROPDOWN, FALSE, 0);
}

TEST_F(BoostDialog, NotificationsShowTheCacheAndWriteNothingBack) {
    // Also while the dialog is hidden.
    host.cache[2] = 0x60;
    host.cache[20] = 0x0E;
    NotifyChanged(window, 128, 0, 2);
    Show();
    EXPECT_TRUE(Checked(EnableBoost()));
    EXPECT_TRUE(Checked(EnableAPT()));
    EXPECT_EQ(Selected(APTThreshold()), 3);
    EXPECT_EQ(TextOf(APTThreshold()), L"T3");
    EXPECT_EQ(Selected(APTDelay()), 2);
    EXPECT_EQ(TextOf(APTDelay()), L"125ms");

    // Register 20 reloads both registers.
    host.cache[2] = 0x00;
    host.cache[20] = 0x00;
    NotifyChanged(window, 128, 0, 20);
    Pump();
    EXPECT_FALSE(Checked(EnableBoost()));
    EXPECT_FALSE(Checked(EnableAPT()));
    EXPECT_EQ(TextOf(APTThreshold()), L"T0");
    EXPECT_EQ(TextOf(APTDelay()), L"50ms");

    EXPECT_TRUE(host.writes.empty());
    EXPECT_EQ(host.cache[2], 0x00);
    EXPECT_EQ(host.cache[20], 0x00);
}

TEST_F(BoostDialog, AHostNotifyingFromItsCallbackGetsOneReloadAndNoSecondWrite) {
    host.onWrite = [this](const BusWrite& write) {
        host.cache[20] = 0x0C;
        NotifyChanged(window, 128, 0, write.reg);
    };
    Show();
    Click(EnableBoost());
    EXPECT_EQ(host.writes, (std::vector<BusWrite>{Write(2, 0x40)}));
    EXPECT_TRUE(Checked(EnableBoost()));
    EXPECT_EQ(TextOf(APTThreshold()), L"T3");
    EXPECT_EQ(window->WriteCallback, &host::RegisterHost::Written);
}

TEST_F(BoostDialog, ClosingOnlyHidesAndTheDialogKeepsItsState) {
    Show();
    Click(EnableBoost());
    SendMessageW(form, WM_CLOSE, 0, 0);
    Pump();
    ASSERT_TRUE(IsWindow(form));
    EXPECT_FALSE(IsWindowVisible(form));

    Show();
    EXPECT_EQ(FindForm(L"BoostForm"), form);
    EXPECT_TRUE(IsWindowVisible(form));
    EXPECT_TRUE(Checked(EnableBoost()));

    SendMessageW(form, WM_CLOSE, 0, 0);
    EXPECT_EQ(module.ShowDialog(instance, "bOOST", 0, 0, nullptr), 0);
    Pump();
    EXPECT_TRUE(IsWindowVisible(form));
}

TEST_F(BoostDialog, FreeingTheInstanceDestroysItsWindows) {
    Show();
    std::vector<HWND> windows = DescendantsOf(form);
    windows.push_back(form);
    module.FreeCodecInstance(instance);
    instance = nullptr;
    Pump();
    for (HWND w : windows) EXPECT_FALSE(IsWindow(w));
    EXPECT_EQ(FindForm(L"BoostForm"), nullptr);
}

}  // namespace
