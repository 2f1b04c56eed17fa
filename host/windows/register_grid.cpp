#include "host/windows/register_grid.h"

#include "host/windows/ids.h"
#include "host/windows/text.h"

#include "host/common/chip/register_map.h"

#include <commctrl.h>

#include <cwchar>

namespace winhost {

namespace {

constexpr COLORREF kLatestChange = RGB(255, 244, 196);

std::wstring_view Trimmed(std::wstring_view text) {
    const auto first = text.find_first_not_of(L" \t");
    if (first == std::wstring_view::npos) return {};
    return text.substr(first, text.find_last_not_of(L" \t") - first + 1);
}

std::optional<uint8_t> ParseDigits(std::wstring_view digits, unsigned base, size_t most) {
    if (digits.empty() || digits.size() > most) return std::nullopt;
    unsigned value = 0;
    for (const wchar_t c : digits) {
        unsigned digit = base;
        if (c >= L'0' && c <= L'9') digit = static_cast<unsigned>(c - L'0');
        else if (c >= L'a' && c <= L'f') digit = static_cast<unsigned>(c - L'a' + 10);
        else if (c >= L'A' && c <= L'F') digit = static_cast<unsigned>(c - L'A' + 10);
        if (digit >= base) return std::nullopt;
        value = value * base + digit;
    }
    return static_cast<uint8_t>(value);
}

}  // namespace

std::wstring CellText(int column, uint8_t reg, uint8_t value) {
    wchar_t text[16];
    if (column == kRegisterColumn) {
        std::swprintf(text, 16, L"0x%02X", reg);
    } else if (column == kHexColumn) {
        std::swprintf(text, 16, L"0x%02X", value);
    } else {
        for (int bit = 7, at = 0; bit >= 0; --bit) {
            text[at++] = (value >> bit) & 1 ? L'1' : L'0';
            if (bit == 4) text[at++] = L' ';
            text[at] = 0;
        }
    }
    return text;
}

std::optional<uint8_t> ParseCell(int column, std::wstring_view text) {
    text = Trimmed(text);
    if (column == kHexColumn) {
        if (text.size() > 2 && text[0] == L'0' && (text[1] == L'x' || text[1] == L'X')) text.remove_prefix(2);
        return ParseDigits(text, 16, 2);
    }
    if (column == kBinaryColumn) {
        // One blank between the nibbles, as the cell shows them.
        std::wstring digits(text);
        if (const auto blank = digits.find(L' '); blank != std::wstring::npos && digits.size() == 9 && blank == 4)
            digits.erase(blank, 1);
        return ParseDigits(digits, 2, 8);
    }
    return std::nullopt;
}

std::wstring WhyNotAByte(int column, std::wstring_view text) {
    return L"\"" + std::wstring(Trimmed(text)) + L"\" is not a byte. " +
           (column == kBinaryColumn ? L"Binary: up to eight 0s and 1s (0011 1111)." : L"Hex: one byte, 0x00 to 0xFF (0x3F, 3f).");
}

RegisterGrid::RegisterGrid(HWND parent, Events events, int dpi) : events_(std::move(events)) {
    list_ = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"Registers",
                            WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS |
                                LVS_OWNERDATA,
                            0, 0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kGridId)),
                            GetModuleHandleW(nullptr), nullptr);
    if (list_ == nullptr) return;
    // The info tip names the fields the dialogs keep in a register.
    ListView_SetExtendedListViewStyle(list_, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_DOUBLEBUFFER | LVS_EX_INFOTIP);
    const wchar_t* titles[] = {L"Register", L"Hex", L"Binary"};
    for (int i = 0; i < 3; ++i) {
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_SUBITEM;
        column.pszText = const_cast<wchar_t*>(titles[i]);
        column.iSubItem = i;
        SendMessageW(list_, LVM_INSERTCOLUMNW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&column));
    }
    SetDpi(dpi);
    ListView_SetItemCountEx(list_, 256, LVSICF_NOINVALIDATEALL);
    // The list scrolls under an open editor: the edit ends first.
    SetWindowLongPtrW(list_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    listProcedure_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(list_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&RegisterGrid::ListProcedure)));
}

RegisterGrid::~RegisterGrid() {
    if (font_ != nullptr) DeleteObject(font_);
}

void RegisterGrid::SetDpi(int dpi) {
    // The system's message font at this DPI, and columns as wide as their text in it.
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    HDC screen = GetDC(nullptr);
    const int system = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    metrics.lfMessageFont.lfHeight = MulDiv(metrics.lfMessageFont.lfHeight, dpi, system > 0 ? system : 96);
    HFONT old = font_;
    font_ = CreateFontIndirectW(&metrics.lfMessageFont);
    SendMessageW(list_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
    if (old != nullptr) DeleteObject(old);
    const wchar_t* widest[] = {L"Register", L"0xFF", L"0000 0000"};
    for (int i = 0; i < 3; ++i)
        ListView_SetColumnWidth(list_, i, ListView_GetStringWidth(list_, widest[i]) + MulDiv(24, dpi, 96));
}

int RegisterGrid::Width() const {
    int width = 0;
    for (int i = 0; i < 3; ++i) width += ListView_GetColumnWidth(list_, i);
    return width + GetSystemMetrics(SM_CXVSCROLL) + 4 * GetSystemMetrics(SM_CXEDGE);
}

void RegisterGrid::Show(const host::RegisterFile* registers) {
    EndEdit(Ending::Cancel);
    registers_ = registers;
    lastChanged_ = -1;
    RefreshAll();
}

void RegisterGrid::Changed(uint8_t reg) {
    const int previous = lastChanged_;
    lastChanged_ = reg;
    if (previous >= 0) ListView_RedrawItems(list_, previous, previous);
    ListView_RedrawItems(list_, reg, reg);
}

void RegisterGrid::RefreshAll() { InvalidateRect(list_, nullptr, FALSE); }

bool RegisterGrid::Notify(const NMHDR& header, LRESULT& result) {
    switch (header.code) {
    case LVN_GETDISPINFOW: {
        LVITEMW& item = const_cast<NMLVDISPINFOW&>(reinterpret_cast<const NMLVDISPINFOW&>(header)).item;
        if ((item.mask & LVIF_TEXT) == 0 || item.iItem < 0 || item.iItem > 255) return false;
        const auto reg = static_cast<uint8_t>(item.iItem);
        const std::wstring text = CellText(item.iSubItem, reg, registers_ != nullptr ? registers_->bytes[reg] : 0);
        lstrcpynW(item.pszText, text.c_str(), item.cchTextMax);
        result = 0;
        return true;
    }
    case LVN_GETINFOTIPW: {
        auto& tip = const_cast<NMLVGETINFOTIPW&>(reinterpret_cast<const NMLVGETINFOTIPW&>(header));
        if (tip.iItem < 0 || tip.iItem > 255 || tip.pszText == nullptr || tip.cchTextMax <= 0) return false;
        const std::string fields = host::FieldsText(static_cast<uint8_t>(tip.iItem));
        const std::wstring text = CellText(kRegisterColumn, static_cast<uint8_t>(tip.iItem), 0) + L": " +
                                  (fields.empty() ? L"no control of the dialogs writes it" : Widen(fields));
        lstrcpynW(tip.pszText, text.c_str(), tip.cchTextMax);
        result = 0;
        return true;
    }
    case NM_DBLCLK: {
        LVHITTESTINFO hit{};
        hit.pt = reinterpret_cast<const NMITEMACTIVATE&>(header).ptAction;
        SendMessageW(list_, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit));
        if (hit.iItem >= 0) BeginEdit(hit.iItem, hit.iSubItem == kBinaryColumn ? kBinaryColumn : kHexColumn);
        result = 0;
        return true;
    }
    case NM_RETURN: {
        const int row = ListView_GetNextItem(list_, -1, LVNI_FOCUSED);
        if (row >= 0) BeginEdit(row, kHexColumn);
        result = 0;
        return true;
    }
    case LVN_KEYDOWN:
        if (reinterpret_cast<const NMLVKEYDOWN&>(header).wVKey == VK_F2) {
            const int row = ListView_GetNextItem(list_, -1, LVNI_FOCUSED);
            if (row >= 0) BeginEdit(row, kHexColumn);
        }
        result = 0;
        return true;
    case NM_CUSTOMDRAW: {
        auto& draw = const_cast<NMLVCUSTOMDRAW&>(reinterpret_cast<const NMLVCUSTOMDRAW&>(header));
        if (draw.nmcd.dwDrawStage == CDDS_PREPAINT) {
            result = CDRF_NOTIFYITEMDRAW;
        } else if (draw.nmcd.dwDrawStage == CDDS_ITEMPREPAINT) {
            if (static_cast<int>(draw.nmcd.dwItemSpec) == lastChanged_) draw.clrTextBk = kLatestChange;
            result = CDRF_DODEFAULT;
        } else {
            result = CDRF_DODEFAULT;
        }
        return true;
    }
    default: return false;
    }
}

void RegisterGrid::BeginEdit(int row, int column) {
    EndEdit(Ending::CommitIfValid);
    if (registers_ == nullptr || row < 0 || row > 255 || (column != kHexColumn && column != kBinaryColumn)) return;
    ListView_EnsureVisible(list_, row, FALSE);
    RECT cell{};
    cell.top = column;
    cell.left = LVIR_BOUNDS;
    SendMessageW(list_, LVM_GETSUBITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&cell));
    const auto reg = static_cast<uint8_t>(row);
    editor_ = CreateWindowExW(0, L"EDIT", CellText(column, reg, registers_->bytes[reg]).c_str(),
                              WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL, cell.left, cell.top,
                              cell.right - cell.left, cell.bottom - cell.top, list_,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(kCellEditorId)), GetModuleHandleW(nullptr),
                              nullptr);
    if (editor_ == nullptr) return;
    editRow_ = row;
    editColumn_ = column;
    shownText_ = CellText(column, reg, registers_->bytes[reg]);
    SendMessageW(editor_, WM_SETFONT, static_cast<WPARAM>(SendMessageW(list_, WM_GETFONT, 0, 0)), FALSE);
    SetWindowLongPtrW(editor_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    editorProcedure_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(editor_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&RegisterGrid::EditorProcedure)));
    SendMessageW(editor_, EM_SETSEL, 0, -1);
    SetFocus(editor_);
}

// Enter and Tab keep a bad text in the editor for mending, saying why; losing the focus
// drops it, saying so. A text left as it opened writes nothing.
bool RegisterGrid::EndEdit(Ending how) {
    if (editor_ == nullptr) return true;
    std::optional<uint8_t> value;
    wchar_t text[64] = {};
    GetWindowTextW(editor_, text, 64);
    const bool changed = shownText_ != text;
    if (how != Ending::Cancel && changed) {
        value = ParseCell(editColumn_, text);
        if (!value && how == Ending::Commit) {
            if (events_.refused) events_.refused(WhyNotAByte(editColumn_, text), false);
            SendMessageW(editor_, EM_SETSEL, 0, -1);
            return false;
        }
    }
    HWND editor = editor_;
    const int row = editRow_;
    editor_ = nullptr;  // before the focus moves: losing it ends nothing twice
    if (GetFocus() == editor) SetFocus(list_);
    DestroyWindow(editor);
    if (events_.refused)
        events_.refused(how != Ending::Cancel && changed && !value
                            ? CellText(kRegisterColumn, static_cast<uint8_t>(row), 0) + L" left as it was: " + WhyNotAByte(editColumn_, text)
                            : L"",
                        true);
    if (value && events_.edited) events_.edited(static_cast<uint8_t>(row), *value);
    return true;
}

LRESULT CALLBACK RegisterGrid::EditorProcedure(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<RegisterGrid*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    const WNDPROC original = self->editorProcedure_;
    switch (msg) {
    case WM_GETDLGCODE: return DLGC_WANTALLKEYS | CallWindowProcW(original, window, msg, wParam, lParam);
    case WM_KEYDOWN:
        if (wParam == VK_RETURN) {
            self->EndEdit(Ending::Commit);
            return 0;
        }
        if (wParam == VK_TAB) {
            // Hex to binary and back, as a sheet's cells go; past them, back to the list.
            const int row = self->editRow_, column = self->editColumn_;
            const int next = GetKeyState(VK_SHIFT) < 0 ? column - 1 : column + 1;
            if (self->EndEdit(Ending::Commit) && (next == kHexColumn || next == kBinaryColumn)) self->BeginEdit(row, next);
            return 0;
        }
        if (wParam == VK_ESCAPE) {
            self->EndEdit(Ending::Cancel);
            return 0;
        }
        break;
    case WM_CHAR:
        if (wParam == L'\r' || wParam == L'\t' || wParam == 0x1B) return 0;  // no beep for keys handled above
        break;
    case WM_KILLFOCUS: {
        // The edit finishes with its focus first; the window goes after.
        const LRESULT result = CallWindowProcW(original, window, msg, wParam, lParam);
        if (self->editor_ == window) self->EndEdit(Ending::CommitIfValid);
        return result;
    }
    default: break;
    }
    return CallWindowProcW(original, window, msg, wParam, lParam);
}

LRESULT CALLBACK RegisterGrid::ListProcedure(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<RegisterGrid*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (msg == WM_VSCROLL || msg == WM_HSCROLL || msg == WM_MOUSEWHEEL) self->EndEdit(Ending::CommitIfValid);
    return CallWindowProcW(self->listProcedure_, window, msg, wParam, lParam);
}

}  // namespace winhost
