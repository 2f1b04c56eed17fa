// What a graph object asks of the canvas and its graphics layer when painted, call by call.
#include "graph/tguiobject.h"
#include "platform/recording_canvas.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Calls = std::vector<std::string>;

struct Line final : TGUILine {
    Line() : TGUILine(1, 0) {}
};

struct Box final : TGUIRectangle {
    Box() : TGUIRectangle(1, 0) {}
};

// A whole paint: the graphics made and set to anti-alias, `drawing`, and all released.
Calls Framed(const Calls& drawing) {
    Calls all{"Lock", "CreateFromHDC -> g1", "SetSmoothingMode g1 4", "SetCompositingQuality g1 0",
              "SetInterpolationMode g1 2"};
    all.insert(all.end(), drawing.begin(), drawing.end());
    all.insert(all.end(), {"DeleteGraphics g1", "Unlock"});
    return all;
}

// The calls between the quality settings and the deletes: what was drawn, and with what pen.
Calls Drawing(const Calls& calls) {
    Calls out;
    for (const std::string& c : calls)
        if (c.starts_with("CreatePen1") || c.starts_with("CreateSolidFill") || c.starts_with("Draw") ||
            c.starts_with("Fill"))
            out.push_back(c);
    return out;
}

TEST(GraphPaint, CursorIsAnAntiAliasedRoundedSquareOnePixelPastItsCorner) {
    TLCursor cursor;
    cursor.NormalColor = 0x0000FF;
    cursor.SetCenter(100, 50);
    platform::RecordingCanvas canvas;
    cursor.Paint(&canvas);
    EXPECT_EQ(canvas.calls, Framed({
                                "CreatePen1 ffff0000 2 0 -> pen1",
                                "CreatePath 0 -> path1",
                                "ResetPath path1",
                                "AddPathArcI path1 97 47 2 2 180 90",
                                "AddPathArcI path1 102 47 2 2 270 90",
                                "AddPathArcI path1 102 52 2 2 0 90",
                                "AddPathArcI path1 97 52 2 2 90 90",
                                "ClosePathFigure path1",
                                "DrawPath g1 pen1 path1",
                                "DeletePath path1",
                                "DeletePen pen1",
                            }));
    EXPECT_EQ(cursor.Canvas, &canvas);
}

TEST(GraphPaint, LineIsSolidWhateverItsDashStyleAndKeepsItsFloatEnds) {
    Line line;
    line.Color = 0x00FF00;
    line.PenWidth = 3;
    line.DashStyle = 3;
    line.ScreenPoints[0] = {1.25f, -2.5f};
    line.ScreenPoints[1] = {30.75f, 40.1f};
    platform::RecordingCanvas canvas;
    line.Paint(&canvas);
    EXPECT_EQ(canvas.calls, Framed({
                                "CreatePen1 ff00ff00 3 0 -> pen1",
                                "SetPenDashStyle pen1 0",
                                "DrawLine g1 pen1 1.25 -2.5 30.75 40.0999985",
                                "DeletePen pen1",
                            }));
    EXPECT_EQ(line.DashStyle, 0);
}

TEST(GraphPaint, BoxGeometryTruncatesAndTakesItsRadiiFromTheThirdPoint) {
    struct Case {
        TGUIPoint p0, p1, radius;
        Calls arcs;
    };
    const Case cases[] = {
        // Fractions truncate toward zero, after w + 2 for the size.
        {{10.7f, 20.2f}, {30.9f, 25.1f}, {0, 0},
         {"AddPathArcI path1 10 20 2 2 180 90", "AddPathArcI path1 29 20 2 2 270 90",
          "AddPathArcI path1 29 23 2 2 0 90", "AddPathArcI path1 10 23 2 2 90 90"}},
        // Radii 4 by 3 give 8 by 6 corner boxes; a radius below 1 but not 0 stays 0 in x.
        {{0, 0}, {40, 20}, {4.9f, 3.0f},
         {"AddPathArcI path1 0 0 8 6 180 90", "AddPathArcI path1 33 0 8 6 270 90",
          "AddPathArcI path1 33 15 8 6 0 90", "AddPathArcI path1 0 15 8 6 90 90"}},
        // Far-off points saturate (here the width) instead of overflowing.
        {{-3e9f, 0}, {3e9f, 0}, {0, 0},
         {"AddPathArcI path1 -2147483648 0 2 2 180 90", "AddPathArcI path1 -4 0 2 2 270 90",
          "AddPathArcI path1 -4 -1 2 2 0 90", "AddPathArcI path1 -2147483648 -1 2 2 90 90"}},
    };
    for (const Case& c : cases) {
        Box box;
        box.ScreenPoints[0] = c.p0;
        box.ScreenPoints[1] = c.p1;
        box.ScreenPoints[2] = c.radius;
        platform::RecordingCanvas canvas;
        box.Paint(&canvas);
        Calls arcs;
        for (const std::string& call : canvas.calls)
            if (call.starts_with("AddPathArcI")) arcs.push_back(call);
        EXPECT_EQ(arcs, c.arcs) << c.p0.X << "," << c.p0.Y;
    }
}

TEST(GraphPaint, PenColourSwapsChannelsWhileFillColourIsTakenAsItIs) {
    struct Case {
        TColor color;
        int32_t fillStyle;
        uint32_t fillColor;
        Calls drawing;
    };
    const Case cases[] = {
        // A system colour's marker byte is dropped: 0xFF000005 is opaque red 5.
        {0xFF000005, 0, 0x0000FF, {"CreatePen1 ff050000 2 0 -> pen1", "DrawPath g1 pen1 path1"}},
        {0x0000FF, 2, 0x0000FF,
         {"CreatePen1 ffff0000 2 0 -> pen1", "CreateSolidFill ff0000ff -> brush1", "FillPath g1 brush1 path1",
          "DrawPath g1 pen1 path1"}},
        {0x123456, 2, 0xAB123456,
         {"CreatePen1 ff563412 2 0 -> pen1", "CreateSolidFill ff123456 -> brush1", "FillPath g1 brush1 path1",
          "DrawPath g1 pen1 path1"}},
        {0x0000FF, 1, 0x0000FF, {"CreatePen1 ffff0000 2 0 -> pen1", "DrawPath g1 pen1 path1"}},
        {0x0000FF, 3, 0x0000FF, {"CreatePen1 ffff0000 2 0 -> pen1", "DrawPath g1 pen1 path1"}},
    };
    for (const Case& c : cases) {
        TLCursor cursor;
        cursor.SetCenter(10, 10);
        cursor.Color = c.color;
        cursor.FillStyle = c.fillStyle;
        cursor.FillColor = c.fillColor;
        platform::RecordingCanvas canvas;
        cursor.Paint(&canvas);
        EXPECT_EQ(Drawing(canvas.calls), c.drawing) << std::hex << c.color << " style " << c.fillStyle;
        EXPECT_EQ(canvas.Recorder().Live(), 0);
    }
}

TEST(GraphPaint, AnimationDrawsTheHighlightPassAndLeavesTheFadedBaseLook) {
    struct Case {
        uint32_t step;
        bool selected;
        const char* pen;  // of the one pass drawn
        TColor colorAfter;
        uint32_t widthAfter;
    };
    const Case cases[] = {
        {10, false, "CreatePen1 ffa0b0c0 7 0 -> pen1", 0xC0B0A0, 2},  // exactly the fade colour
        {10, true, "CreatePen1 ffa0b0c0 7 0 -> pen1", 0xC0B0A0, 5},
        {0, false, "CreatePen1 ff112233 7 0 -> pen1", 0x0A0B0C, 2},  // highlight's RGB, marker dropped
        {0, true, "CreatePen1 ff112233 7 0 -> pen1", 0x405060, 5},
        {3, false, "CreatePen1 ff3b4c5d 7 0 -> pen1", 0x403C38, 2},  // t is float32 just above 0.3
    };
    for (const Case& c : cases) {
        Line line;
        line.AnimationState = 3;
        line.AnimationStep = c.step;
        line.Selected = c.selected;
        line.HighlightColor = 0xFF332211;
        line.FadeColor = 0xC0B0A0;
        line.NormalColor = 0xFF0A0B0C;
        line.SelectedColor = 0x405060;
        line.NormalPenWidth = 2;
        line.SelectedPenWidth = 5;
        line.HighlightPenWidth = 7;
        platform::RecordingCanvas canvas;
        line.Paint(&canvas);
        EXPECT_EQ(Drawing(canvas.calls), (Calls{c.pen, "DrawLine g1 pen1 0 0 0 0"})) << c.step << c.selected;
        EXPECT_EQ(line.Color, c.colorAfter) << c.step << c.selected;
        EXPECT_EQ(line.PenWidth, c.widthAfter) << c.step << c.selected;
    }
}

TEST(GraphPaint, InvisibleObjectOrNoCanvasDoesNothingAtAll) {
    TLCursor cursor;
    cursor.SetCenter(100, 50);
    cursor.AnimationState = 1;
    cursor.AnimationStep = 5;
    const TColor color = cursor.Color;
    cursor.Paint(nullptr);
    EXPECT_EQ(cursor.Canvas, nullptr);
    EXPECT_EQ(cursor.Color, color);

    platform::RecordingCanvas canvas;
    cursor.Visible = false;
    cursor.Paint(&canvas);
    EXPECT_TRUE(canvas.calls.empty());
    EXPECT_EQ(cursor.Canvas, nullptr);
    EXPECT_EQ(cursor.Color, color);
    EXPECT_EQ(cursor.PenWidth, 2u);

    // The slot itself, called by a host with no canvas.
    cursor.Draw(nullptr);
}

TEST(GraphPaint, AFailedStepDrawsNothingAndEveryOtherStepStillRuns) {
    for (const char* failing : {"CreateFromHDC", "CreatePen1", "CreatePath", "CreateSolidFill"}) {
        TLCursor cursor;
        cursor.SetCenter(20, 20);
        cursor.FillStyle = 2;
        platform::RecordingCanvas canvas;
        canvas.Recorder().failing = failing;
        cursor.Paint(&canvas);
        EXPECT_EQ(canvas.calls.size(), 21u) << failing;
        EXPECT_EQ(canvas.calls.back(), "Unlock") << failing;
        EXPECT_EQ(canvas.LockDepth(), 0) << failing;
        EXPECT_EQ(canvas.Recorder().Live(), 0) << failing;
    }
}

}  // namespace
