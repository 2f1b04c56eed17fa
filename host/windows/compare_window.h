// A comparison as a table in a window of its own (class QM7140Compare, "Compare: A and B"): each register that differs
// with both bytes, then each field the core names with both values as its dialog shows
// them; one line saying so when the sides are equal.
#pragma once

#include "host/common/device/compare.h"

#include <windows.h>

#include <string>
#include <vector>

namespace winhost {

// The table's rows: the register or field, then the two sides' values.
struct CompareRow {
    std::wstring what, a, b;
};
std::vector<CompareRow> CompareRows(const host::Comparison& comparison);

// Shows `comparison` in the window owned by `owner`, made when there is none; gives it.
HWND ShowComparison(HWND owner, HWND shown, const host::Comparison& comparison, int dpi);

}  // namespace winhost
