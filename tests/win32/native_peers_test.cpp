// The Win32 backend on forms of its own (linked in, not through the DLL): what no finished
// dialog exercises, activation between forms, and tearing windows down.
#include "platform/canvas.h"
#include "platform/layout.h"
#include "platform/win32/native_peer.h"
#include "screen.h"

#include <gtest/gtest.h>

#include <memory>
#include <new>
#include <utility>
#include <vector>

namespace {

using platform::Kind;

platform::FormLayout Design(const char* caption) {
    return {
        .name = caption,
        .caption = caption,
        .clientWidth = 200,
        .clientHeight = 140,
        .controls = {
            // The edit is not first in tab order, so the focus coming back to it is memory.
            {Kind::Edit, "Value", "", "12", {}, 0, {8, 8, 80, 21}, 1},
            {Kind::Button, "Apply", "", "Apply", {}, 0, {100, 8, 75, 25}, 0},
            {Kind::Label, "Note", "", "Note", {}, 0, {8, 40, 80, 17}, 2},
            {Kind::RadioGroup, "Choice", "", "Pick", {"A", "B"}, -1, {8, 70, 137, 57}, 3},
            {Kind::PaintBox, "View", "", "", {}, 0, {150, 70, 40, 30}, 4},
        },
    };
}

HWND WindowOf(const platform::Control& control) {
    auto* peer = dynamic_cast<platform::win32::NativePeer*>(control.peer());
    return peer != nullptr ? peer->Window() : nullptr;
}

struct TestForm {
    explicit TestForm(const char* caption) : form(std::make_unique<platform::Form>(Design(caption))) {}
    platform::Form& operator*() const { return *form; }
    platform::Edit& Value() const { return form->Get<platform::Edit>("Value"); }
    platform::Button& Apply() const { return form->Get<platform::Button>("Apply"); }
    std::unique_ptr<platform::Form> form;
};

class NativePeers : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(WindowOf(*first), nullptr) << "no window (no display?)";
        first.Value().OnExit = [this] { ++exits; };
        first.Value().OnKeyPress = [this](char& key) {
            ++keys;
            if (key == 'x') key = 0;
            if (key == 'a') key = 'A';
        };
        first.Apply().OnClick = [this] { ++clicks; };
    }
    void Type(const wchar_t* text) {
        for (; *text != 0; ++text) SendMessageW(WindowOf(first.Value()), WM_CHAR, *text, 1);
        Pump();
    }

    TestForm first{"First"};
    int exits = 0, keys = 0, clicks = 0;
};

TEST_F(NativePeers, EditKeysGoThroughOnKeyPressBeforeTheEditAppliesThem) {
    (*first).Show();
    HWND edit = WindowOf(first.Value());
    SetFocus(edit);
    SendMessageW(edit, EM_SETSEL, 2, 2);
    Type(L"3xa");
    EXPECT_EQ(keys, 3);
    EXPECT_EQ(TextOf(edit), L"123A");
    EXPECT_EQ(first.Value().Text(), "123A");

    // From the model: shown, and no key event.
    first.Value().SetText("7");
    EXPECT_EQ(TextOf(edit), L"7");
    EXPECT_EQ(keys, 3);
}

TEST_F(NativePeers, ButtonsClickAndCaptionsFollowTheModel) {
    (*first).Show();
    SendMessageW(WindowOf(first.Apply()), BM_CLICK, 0, 0);
    Pump();
    EXPECT_EQ(clicks, 1);

    (*first).SetCaption("Renamed");
    first.Apply().SetCaption("Go");
    (*first).Get<platform::Label>("Note").SetCaption("Later");
    EXPECT_EQ(TextOf(WindowOf(*first)), L"Renamed");
    EXPECT_EQ(TextOf(WindowOf(first.Apply())), L"Go");
    EXPECT_EQ(TextOf(WindowOf((*first).Get<platform::Label>("Note"))), L"Later");
}

// Like the framework: an edit is left when the focus goes to another control of its form,
// not when the form loses activation; coming back, the focus is where it was.
TEST_F(NativePeers, EditExitsOnlyForAnotherControlOfItsForm) {
    TestForm second("Second");
    (*first).Show();
    HWND edit = WindowOf(first.Value());
    SetFocus(edit);
    ASSERT_EQ(GetFocus(), edit);

    (*second).Show();
    Pump();
    EXPECT_TRUE((*second).Active());
    EXPECT_FALSE((*first).Active());
    EXPECT_EQ(exits, 0);

    SetForegroundWindow(WindowOf(*first));
    Pump();
    EXPECT_TRUE((*first).Active());
    EXPECT_EQ(GetFocus(), edit);

    SetFocus(WindowOf(first.Apply()));
    EXPECT_EQ(exits, 1);
}

TEST_F(NativePeers, RadioGroupsLayOutTheirItemsInColumnsAndFollowTheModel) {
    auto& choice = (*first).Get<platform::RadioGroup>("Choice");
    int picks = 0;
    choice.OnClick = [&picks] { ++picks; };
    choice.SetItems({"A", "B", "C"});
    choice.SetCaption("Three");
    choice.SetItemIndex(2);
    HWND frame = WindowOf(choice);
    EXPECT_EQ(TextOf(frame), L"Three");
    const std::vector<HWND> buttons = ChildrenOf(frame);
    ASSERT_EQ(buttons.size(), 3u);
    // Two columns, the first one fuller; the odd pixel of height is shared out.
    EXPECT_EQ(PlacementOf(buttons[0]), (Placement{8, 14, 63, 19}));
    EXPECT_EQ(PlacementOf(buttons[1]), (Placement{8, 33, 63, 19}));
    EXPECT_EQ(PlacementOf(buttons[2]), (Placement{71, 14, 63, 19}));
    for (size_t i = 0; i < 3; ++i) EXPECT_EQ(SendMessageW(buttons[i], BM_GETCHECK, 0, 0), i == 2 ? BST_CHECKED : 0);
    EXPECT_EQ(picks, 1) << "the model's own event only";

    (*first).Show();
    SendMessageW(buttons[1], BM_CLICK, 0, 0);
    Pump();
    EXPECT_EQ(choice.ItemIndex(), 1);
    EXPECT_EQ(picks, 2);
    EXPECT_EQ(SendMessageW(buttons[2], BM_GETCHECK, 0, 0), BST_UNCHECKED);
}

TEST_F(NativePeers, ClosingHidesAndTellsTheModel) {
    (*first).Show();
    SendMessageW(WindowOf(*first), WM_CLOSE, 0, 0);
    EXPECT_FALSE((*first).Visible());
    EXPECT_TRUE(IsWindow(WindowOf(*first)));
    EXPECT_FALSE(IsWindowVisible(WindowOf(*first)));
}

// Painted before Repaint returns, at the box's geometry of the moment.
TEST_F(NativePeers, PaintBoxesPaintAtOnceAndFollowTheirBounds) {
    auto& view = (*first).Get<platform::PaintBox>("View");
    HWND box = WindowOf(view);
    ASSERT_NE(box, nullptr);
    int paints = 0;
    view.OnPaint = [&](platform::Canvas& canvas) {
        ++paints;
        canvas.SetBrush(0x0000FF);
        canvas.FillRect(0, 0, view.Bounds.Width, view.Bounds.Height);
    };
    (*first).Show();
    Pump();
    view.Bounds = {140, 60, 50, 40};
    paints = 0;
    view.Repaint();
    EXPECT_EQ(paints, 1);
    EXPECT_EQ(PlacementOf(box), (Placement{140, 60, 50, 40}));
    HDC dc = GetDC(box);
    EXPECT_EQ(GetPixel(dc, 49, 39), RGB(255, 0, 0));
    ReleaseDC(box, dc);

    // And back: resized through its window (a host moving windows about), the model takes
    // the size and hears of it once; following the model is no news.
    int resizes = 0;
    view.OnResize = [&] { ++resizes; };
    SetWindowPos(box, nullptr, 0, 0, 60, 50, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    view.Repaint();
    EXPECT_EQ(resizes, 1);
    EXPECT_EQ(std::pair(view.Bounds.Width, view.Bounds.Height), std::pair(60, 50));
}

// A model handler that throws stops in the window procedure: the paint still ends (no
// update region left to bring it back), and later messages are handled as usual.
TEST_F(NativePeers, AnExceptionInAModelHandlerStopsAtTheWindowProcedure) {
    auto& view = (*first).Get<platform::PaintBox>("View");
    bool fail = true;
    int paints = 0;
    auto count = [&](int& n) {
        ++n;
        if (fail) throw std::bad_alloc();
    };
    view.OnPaint = [&](platform::Canvas&) { count(paints); };
    first.Apply().OnClick = [&] { count(clicks); };
    (*first).Show();
    RedrawWindow(WindowOf(view), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_FALSE(GetUpdateRect(WindowOf(view), nullptr, FALSE));
    SendMessageW(WindowOf(first.Apply()), BM_CLICK, 0, 0);
    fail = false;
    view.Repaint();
    SendMessageW(WindowOf(first.Apply()), BM_CLICK, 0, 0);
    EXPECT_GE(paints, 2);
    EXPECT_EQ(clicks, 2);
}

// The model destroys controls before the form; were it the other way round, the windows
// going with the form must not call into a model being torn down.
TEST_F(NativePeers, AFormWindowGoingFirstTellsTheModelNothing) {
    (*first).Show();
    HWND form = WindowOf(*first);
    HWND edit = WindowOf(first.Value());
    SetFocus(edit);
    ASSERT_TRUE((*first).Active());
    (*first).AttachPeer(nullptr);
    Pump();
    EXPECT_FALSE(IsWindow(form));
    EXPECT_FALSE(IsWindow(edit));
    EXPECT_EQ(exits, 0);
    EXPECT_TRUE((*first).Active()) << "the dying window deactivated the model";
    EXPECT_EQ(WindowOf(first.Value()), nullptr);

    // The controls carry on without windows, and go without trouble.
    first.Value().SetText("5");
    first.Apply().SetCaption("Go");
    first.form.reset();
}

}  // namespace
