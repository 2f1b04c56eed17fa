// The live register file as a grid: a report list of 256 rows (register, hex, binary; a
// row's info tip names the fields the dialogs keep in its register) read
// straight from the device shown, so it is never out of date for longer than a repaint,
// and an editor over the hex and binary cells: Enter or F2 opens the hex cell, and Tab and
// Shift+Tab in the editor move between the hex and binary cells of the row.
#pragma once

#include "host/common/module/register_file.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace winhost {

enum GridColumn : int { kRegisterColumn = 0, kHexColumn = 1, kBinaryColumn = 2 };

// What a cell shows: "0x5A", "0x5A", "0101 1010".
std::wstring CellText(int column, uint8_t reg, uint8_t value);
// A byte typed into a cell: hex ("5A", "0x5a") in the hex column, up to eight binary digits
// ("1011010", "0101 1010") in the binary one; blanks around are ignored. Nothing otherwise.
std::optional<uint8_t> ParseCell(int column, std::wstring_view text);
// Why a cell's text is not a byte, in the words the page uses.
std::wstring WhyNotAByte(int column, std::wstring_view text);

class RegisterGrid {
public:
    struct Events {
        // Each byte the user commits in a cell whose text they changed.
        std::function<void(uint8_t reg, uint8_t value)> edited;
        // Why the editor's text is refused (empty: nothing is wrong any more), and, when
        // `dropped`, that the editor closed without the byte.
        std::function<void(const std::wstring& reason, bool dropped)> refused;
    };
    RegisterGrid(HWND parent, Events events, int dpi);
    ~RegisterGrid();
    RegisterGrid(const RegisterGrid&) = delete;
    RegisterGrid& operator=(const RegisterGrid&) = delete;

    HWND Window() const { return list_; }
    // As wide as its columns and a scroll bar.
    int Width() const;
    // The registers it shows (the host keeps them); null shows zeros.
    void Show(const host::RegisterFile* registers);
    // A register that just changed: its row repaints, marked as the latest change.
    void Changed(uint8_t reg);
    void RefreshAll();
    // The list's WM_NOTIFY, passed on by the parent; true when handled, with its result.
    bool Notify(const NMHDR& header, LRESULT& result);
    // Opens the editor over a hex or binary cell, with the focus in it.
    void BeginEdit(int row, int column);
    // Column widths and font for the window's DPI.
    void SetDpi(int dpi);

private:
    enum class Ending { Commit, CommitIfValid, Cancel };
    // False when the editor stays open for a bad text.
    bool EndEdit(Ending how);
    static LRESULT CALLBACK EditorProcedure(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK ListProcedure(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);

    Events events_;
    HFONT font_ = nullptr;
    std::wstring shownText_;  // the editor's text when it opened
    const host::RegisterFile* registers_ = nullptr;
    HWND list_ = nullptr;
    WNDPROC listProcedure_ = nullptr;
    HWND editor_ = nullptr;
    WNDPROC editorProcedure_ = nullptr;
    int editRow_ = -1, editColumn_ = -1;
    int lastChanged_ = -1;
    wchar_t text_[16] = {};  // what a display request is answered with
};

}  // namespace winhost
