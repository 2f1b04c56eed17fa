// The Digital Control dialog end to end: the DLL loaded and connected as a host does, its
// real windows driven with the messages a user's actions produce.
#include "dialog_test.h"

#include <qm7140/graph.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace {

// A graph object of the host's own, with its own operation table: the dialog starts its
// animation through the table and sets its hit mode in the object's fields.
std::vector<int32_t> animations;
void QM7140_CDECL LogAnimation(QM7140GraphObject*, int32_t state) { animations.push_back(state); }

class DigitalControl : public DialogTest {
protected:
    DigitalControl() : DialogTest(QM7140_DIALOG_DIGITAL_CONTROL, L"Digital Control") {}
    // Group boxes, radio group frames, check boxes and the push button by their captions;
    // a radio button by its frame's caption and its own.
    HWND Titled(const wchar_t* caption) const { return Find(form, L"Button", caption); }
    HWND Radio(const wchar_t* group, const wchar_t* item) const { return Find(Titled(group), L"Button", item); }
    HWND SDOUTTag() const { return ChildAt(Titled(L"Output Configuration"), 83, 32); }
    HWND DataOffset() const { return ChildAt(Titled(L"Digital Interface Configuration"), 240, 130); }
};

struct FrameRow {
    const wchar_t* caption;
    Placement at;
    std::vector<const wchar_t*> children;  // radio groups: their buttons
};

TEST_F(DigitalControl, ShowsItsGroupsAtTheTopLeftWithNoRadioButtonCheckedAndWritesNothing) {
    Show();
    EXPECT_TRUE(IsWindowVisible(form));
    EXPECT_EQ(GetWindowLongW(form, GWL_EXSTYLE) & WS_EX_TOPMOST, WS_EX_TOPMOST);
    RECT r;
    GetWindowRect(form, &r);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    GetClientRect(form, &r);
    EXPECT_EQ(r.right, 747);
    EXPECT_EQ(r.bottom, 421);

    // In tab order, top of the z-order first.
    const std::vector<FrameRow> groups = {
        {L"Input Configuration", {8, 8, 361, 121}, {}},
        {L"Output Configuration", {375, 8, 361, 121}, {}},
        {L"Output Data Content", {375, 135, 361, 170}, {}},
        {L"Digital Interface Configuration", {8, 135, 361, 170}, {}},
        {L"PDM Configuration", {8, 311, 361, 98}, {}},
        {L"Shutdown Control && PLL", {375, 311, 361, 98}, {}},
    };
    const std::vector<HWND> children = ChildrenOf(form);
    ASSERT_EQ(children.size(), groups.size());
    for (size_t i = 0; i < groups.size(); ++i) {
        EXPECT_EQ(TextOf(children[i]), groups[i].caption);
        EXPECT_EQ(PlacementOf(children[i]), groups[i].at);
        EXPECT_EQ(GetWindowLongW(children[i], GWL_STYLE) & BS_TYPEMASK, BS_GROUPBOX);
    }
    // The caption is drawn with prefixes: its doubled ampersand shows as one.
    EXPECT_EQ(ShownWidth(children.back()), ShownWidth(children.back(), L"Shutdown Control & PLL", DT_NOPREFIX));

    // Two columns of one button each, below the frame's caption.
    const std::vector<FrameRow> radios = {
        {L"Mode", {16, 24, 137, 57}, {L"Analog", L"Digital"}},
        {L"LRCLK Direction", {16, 24, 137, 57}, {L"Input", L"Output"}},
        {L"BCLK Direction", {175, 24, 137, 57}, {L"Input", L"Output"}},
        {L"PDM Data Edge", {16, 22, 137, 57}, {L"Falling", L"Rising"}},
    };
    for (const FrameRow& group : radios) {
        HWND frame = Titled(group.caption);
        EXPECT_EQ(PlacementOf(frame), group.at);
        const std::vector<HWND> buttons = ChildrenOf(frame);
        ASSERT_EQ(buttons.size(), group.children.size());
        for (size_t i = 0; i < buttons.size(); ++i) {
            EXPECT_EQ(TextOf(buttons[i]), group.children[i]);
            EXPECT_EQ(GetWindowLongW(buttons[i], GWL_STYLE) & BS_TYPEMASK, BS_AUTORADIOBUTTON);
            EXPECT_FALSE(Checked(buttons[i]));
            // Only a checked button is a tab stop: focus landing on an unchecked one would
            // select it (the system reports that as a click).
            EXPECT_EQ(GetWindowLongW(buttons[i], GWL_STYLE) & WS_TABSTOP, 0);
            EXPECT_EQ(PlacementOf(buttons[i]), (Placement{8 + 63 * static_cast<int>(i), 14, 63, 39}));
            // Beyond its text, on the button face like the rest of the form.
            RedrawWindow(buttons[i], nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
            HDC dc = GetDC(buttons[i]);
            EXPECT_EQ(GetPixel(dc, 60, 36), GetSysColor(COLOR_BTNFACE));
            ReleaseDC(buttons[i], dc);
        }
    }
    ExpectLabelsFit();
    EXPECT_TRUE(host.writes.empty());
}

struct RadioClick {
    const wchar_t* group;
    const wchar_t* item;
    uint32_t reg;
    uint8_t before, after;
};

TEST_F(DigitalControl, ARadioClickChecksItsButtonAndWritesItsRegister) {
    Show();
    const RadioClick clicks[] = {
        {L"Mode", L"Digital", 3, 0xA5, 0x25},
        {L"Mode", L"Analog", 3, 0x25, 0xA5},
        {L"LRCLK Direction", L"Output", 5, 0x00, 0x80},
        {L"BCLK Direction", L"Output", 5, 0x00, 0x40},
        {L"PDM Data Edge", L"Rising", 17, 0x00, 0x04},
    };
    for (const RadioClick& c : clicks) {
        SCOPED_TRACE(std::string(c.item, c.item + wcslen(c.item)));
        host.cache[c.reg] = c.before;
        Notify(c.reg);
        host.writes.clear();
        HWND button = Radio(c.group, c.item);
        SendMessageW(button, BM_CLICK, 0, 0);
        Pump();
        EXPECT_EQ(host.writes, (std::vector<BusWrite>{Write(c.reg, c.after)}));
        EXPECT_EQ(host.cache[c.reg], c.after);
        for (HWND other : ChildrenOf(Titled(c.group))) {
            EXPECT_EQ(Checked(other), other == button);
            EXPECT_EQ((GetWindowLongW(other, GWL_STYLE) & WS_TABSTOP) != 0, other == button);
        }
        EXPECT_EQ(GetFocus(), button);
    }
}

// The form, not the edit, decides that an edit was left: when the focus arrives at another
// control, of whatever kind.
TEST_F(DigitalControl, AnEditIsLeftWhenTheFocusArrivesAtAnyOtherControl) {
    host.cache[3] = 0x80;
    host.cache[4] = 0x05;
    Notify(3);
    Show();
    HWND lrclkOut = ChildAt(Titled(L"Output Configuration"), 83, 59);
    const std::vector<std::pair<const char*, HWND>> targets = {
        {"check box", Titled(L"SDOUT tri-state")},
        {"list field", GetWindow(lrclkOut, GW_CHILD)},
        {"radio button", Radio(L"Mode", L"Analog")},
        {"push button", Titled(L"Reset")},
        {"edit", DataOffset()},
    };
    for (const auto& [kind, target] : targets) {
        SCOPED_TRACE(kind);
        ASSERT_NE(target, nullptr);
        SetFocus(SDOUTTag());
        Pump();
        host.writes.clear();
        Type(SDOUTTag(), L"3");
        EXPECT_TRUE(host.writes.empty());
        SetFocus(target);
        Pump();
        EXPECT_EQ(host.writes, (std::vector<BusWrite>{Write(4, 0x35)}));
    }
}

struct Entry {
    const char* edit;
    const wchar_t* typed;
    const wchar_t* shown;
    uint32_t reg;
    uint8_t cached;
};

TEST_F(DigitalControl, EditsWriteOnEnterAndOnLeavingAndFallBackToTheLastGoodValue) {
    host.cache[4] = 0x05;
    Show();
    HWND elsewhere = Titled(L"Noisegate");

    // Enter writes and stays; leaving afterwards writes the same value again.
    Type(SDOUTTag(), L"12\r");
    EXPECT_EQ(host.writes, (std::vector<BusWrite>{Write(4, 0xC5)}));
    EXPECT_EQ(GetFocus(), SDOUTTag());
    SetFocus(elsewhere);
    Pump();
    EXPECT_EQ(host.writes, (std::vector<BusWrite>{Write(4, 0xC5), Write(4, 0xC5)}));

    const Entry entries[] = {
        {"SDOUTTag", L"16", L"12", 4, 0xC5},    {"SDOUTTag", L"", L"12", 4, 0xC5},
        {"DataOffset", L"255", L"255", 6, 255}, {"DataOffset", L"256", L"255", 6, 255},
        {"DataOffset", L"007", L"7", 6, 7},
    };
    for (const Entry& e : entries) {
        SCOPED_TRACE(std::string(e.edit) + " " + std::string(e.typed, e.typed + wcslen(e.typed)));
        HWND edit = std::string(e.edit) == "SDOUTTag" ? SDOUTTag() : DataOffset();
        host.writes.clear();
        Type(edit, e.typed);
        SetFocus(elsewhere);
        Pump();
        EXPECT_EQ(TextOf(edit), e.shown);
        EXPECT_EQ(host.writes, (std::vector<BusWrite>{Write(e.reg, e.cached)}));
    }
}

TEST_F(DigitalControl, ResetPulsesBitZeroOfRegisterOne) {
    host.cache[1] = 0x36;
    Show();
    SendMessageW(Titled(L"Reset"), BM_CLICK, 0, 0);
    Pump();
    EXPECT_EQ(host.writes, (std::vector<BusWrite>{Write(1, 0x37), Write(1, 0x36)}));
    EXPECT_EQ(host.cache[1], 0x36);
}

// Activation as the system reports it moves the host's object; the focus coming back on
// reactivation is no exit of the edit that had it.
TEST_F(DigitalControl, ActivationAnimatesTheHostsGraphObjectAndLeavesTheFocusedEditAlone) {
    QM7140GraphObjectOps ops{};  // any other slot called is a crash, not a pass
    ops.StartAnimation = &LogAnimation;
    QM7140GraphObject object{};
    object.Ops = &ops;
    object.HitMode = QM7140_GRAPH_HIT_ON_SHAPE;
    animations.clear();

    EXPECT_EQ(module.ShowDialog(instance, "DigitalControl", 0, 0, &object), 0);
    Pump();
    EXPECT_EQ(animations, std::vector<int32_t>{1});
    EXPECT_EQ(object.HitMode, QM7140_GRAPH_ALWAYS_HIT);
    Type(SDOUTTag(), L"7");

    HWND other = CreateWindowExW(0, L"Static", L"Host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 200, 200, 200, 100, nullptr,
                                 nullptr, nullptr, nullptr);
    ASSERT_NE(other, nullptr);
    SetForegroundWindow(other);
    Pump();
    EXPECT_EQ(animations, (std::vector<int32_t>{1, 3}));
    EXPECT_EQ(object.HitMode, QM7140_GRAPH_HIT_ON_SHAPE);

    SetForegroundWindow(form);
    Pump();
    EXPECT_EQ(animations, (std::vector<int32_t>{1, 3, 1}));
    EXPECT_EQ(object.HitMode, QM7140_GRAPH_ALWAYS_HIT);
    EXPECT_EQ(GetFocus(), SDOUTTag());
    EXPECT_TRUE(host.writes.empty());

    // Closing the active dialog deactivates it, then hides it: once each.
    SendMessageW(form, WM_CLOSE, 0, 0);
    Pump();
    EXPECT_FALSE(IsWindowVisible(form));
    EXPECT_EQ(animations, (std::vector<int32_t>{1, 3, 1, 3, 3}));
    EXPECT_EQ(object.HitMode, QM7140_GRAPH_HIT_ON_SHAPE);
    EXPECT_TRUE(host.writes.empty());
    DestroyWindow(other);
}

TEST_F(DigitalControl, ANotificationReloadsEveryKindOfControlAndWritesNothing) {
    Show();
    const std::pair<uint32_t, uint8_t> values[] = {{1, 0x06}, {3, 0x25}, {4, 0xC4}, {5, 0xC0},
                                                   {6, 32},   {7, 0xC9}, {17, 0x06}};
    for (const auto& [reg, value] : values) host.cache[reg] = value;
    uint8_t before[256];
    std::copy(std::begin(host.cache), std::end(host.cache), before);
    Notify(2);  // inside the window, used by no control

    EXPECT_TRUE(Checked(Radio(L"Mode", L"Digital")));
    EXPECT_FALSE(Checked(Radio(L"Mode", L"Analog")));
    EXPECT_TRUE(Checked(Radio(L"LRCLK Direction", L"Output")));
    EXPECT_TRUE(Checked(Radio(L"BCLK Direction", L"Output")));
    EXPECT_TRUE(Checked(Radio(L"PDM Data Edge", L"Rising")));
    for (const wchar_t* box : {L"PDM input mode", L"SDOUT tri-state", L"Software Shutdown", L"Mute"})
        EXPECT_TRUE(Checked(Titled(box)));
    EXPECT_FALSE(Checked(Titled(L"Noisegate")));

    struct List {
        const wchar_t* group;
        int left, top;
        LRESULT index;
        const wchar_t* text;
    };
    const List lists[] = {
        {L"Input Configuration", 254, 59, 5, L"44.1...48kHz"},
        {L"Output Data Content", 85, 35, 3, L"V/I Data"},
        {L"PDM Configuration", 238, 45, 2, L"BCLK"},
    };
    for (const List& l : lists) {
        HWND list = ChildAt(Titled(l.group), l.left, l.top);
        EXPECT_EQ(SendMessageW(list, CB_GETCURSEL, 0, 0), l.index) << l.left << "," << l.top;
        EXPECT_EQ(TextOf(list), l.text);
    }
    EXPECT_EQ(TextOf(SDOUTTag()), L"12");
    EXPECT_EQ(TextOf(DataOffset()), L"32");

    EXPECT_TRUE(host.writes.empty());
    EXPECT_TRUE(std::equal(std::begin(before), std::end(before), std::begin(host.cache)));
}

}  // namespace
