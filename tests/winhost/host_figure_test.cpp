// The graph-object link made visible: the device's figure, one of the host's own graph
// objects, handed to the Digital Control dialog, highlights while the dialog is active and
// fades back when it is not, drawn by the host in the blended colour.
#include "host_test.h"

#include "host/common/module/graph_object.h"

#include <algorithm>
#include <vector>

namespace {

class Figure : public Host {
protected:
    const QM7140GraphObject& Object() const { return window->FigureOf(0); }
    POINT Centre() const {
        const QM7140GraphRect& b = Object().Bounds;
        return {(b.Left + b.Right) / 2, (b.Top + b.Bottom) / 2};
    }
    // The outline's colour, painted now, in the middle of its top edge.
    COLORREF Outline() const {
        RedrawWindow(Strip(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        HDC dc = GetDC(Strip());
        const COLORREF colour = GetPixel(dc, Centre().x, Object().Bounds.Top);
        ReleaseDC(Strip(), dc);
        return colour;
    }
    // The states the figure passes through until it rests in `last`.
    std::vector<int32_t> StatesUntil(int32_t last) {
        std::vector<int32_t> seen{Object().AnimationState};
        PumpUntil([&] {
            if (seen.back() != Object().AnimationState) seen.push_back(Object().AnimationState);
            return Object().AnimationState == last;
        });
        return seen;
    }
};

COLORREF Rgb(QM7140Color c) { return RGB(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

TEST_F(Figure, HighlightsWhileItsDigitalControlDialogIsActiveAndFadesBackWhenNot) {
    EXPECT_EQ(Outline(), Rgb(winhost::kFigurePicked));
    EXPECT_EQ(Object().HitMode, QM7140_GRAPH_HIT_ON_SHAPE);

    // A double-click on the figure opens the dialog with the figure linked; the module
    // starts the figure's animation and the host's timer fades it in to the last step.
    const POINT at = Centre();
    SendMessageW(Strip(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(at.x, at.y));
    HWND dialog = ShownForm(L"Digital Control");
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(GetForegroundWindow(), dialog);
    EXPECT_EQ(StatesUntil(2), (std::vector<int32_t>{1, 2}));
    EXPECT_EQ(Object().AnimationStep, host::kFadeSteps);
    EXPECT_EQ(Object().HitMode, QM7140_GRAPH_ALWAYS_HIT);
    EXPECT_EQ(Outline(), Rgb(winhost::kFigureHighlight));

    // The host's window becomes the active one: the dialog lets the figure go.
    SetForegroundWindow(main);
    EXPECT_EQ(StatesUntil(0), (std::vector<int32_t>{3, 0}));
    EXPECT_EQ(Object().AnimationStep, 0u);
    EXPECT_EQ(Object().HitMode, QM7140_GRAPH_HIT_ON_SHAPE);
    EXPECT_EQ(Outline(), Rgb(winhost::kFigurePicked));

    // The link stays when the dialog is shown again through the menu.
    Menu(winhost::kDialogMenu + QM7140_DIALOG_DIGITAL_CONTROL);
    EXPECT_EQ(StatesUntil(2), (std::vector<int32_t>{1, 2}));
    // Half-way back the outline is the blend of the two colours at that step.
    SetForegroundWindow(main);
    ASSERT_TRUE(PumpUntil([&] { return Object().AnimationStep <= 5; }));
    KillTimer(Strip(), 1);
    const uint32_t step = Object().AnimationStep;
    EXPECT_EQ(Outline(), Rgb(host::BlendColor(winhost::kFigureColor, winhost::kFigureHighlight, static_cast<float>(step) * 0.1f)));
}

TEST_F(Figure, TheDeviceMenuLinksTheFigureToo) {
    Menu(winhost::kDigitalControlOnFigure);
    ASSERT_NE(ShownForm(L"Digital Control"), nullptr);
    EXPECT_EQ(StatesUntil(2), (std::vector<int32_t>{1, 2}));
    // A click beside the figure picks nothing, although the figure is "always hit" now.
    SendMessageW(Strip(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(Object().Bounds.Right + 40, Centre().y));
    SendMessageW(Strip(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(Object().Bounds.Right + 40, Centre().y));
    Pump();
    EXPECT_EQ(Object().AnimationState, 2);
}

}  // namespace
