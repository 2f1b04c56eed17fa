// The curve view's picture drawn straight with GDI and GDI+, with no model behind it: the
// baseline a drag step's repaint is measured against.
#pragma once

#include <windows.h>

constexpr int kFrameWidth = 602, kFrameHeight = 394;

// One frame into a memory bitmap, then onto the window: black, the grid and its labels,
// both axis captions, the curve bent at `knee`, and a cursor at each of its ends.
void DrawBareFrame(HWND window, POINT knee);
