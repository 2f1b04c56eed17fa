#include "host/windows/prompts.h"

#include "host/windows/ids.h"
#include "host/windows/text.h"

#include <commdlg.h>

#include <cstring>
#include <cwchar>
#include <string_view>
#include <vector>

namespace winhost {

namespace {

// A file dialog of its own kind: its filter, its title, a name to start with when saving
// and the folder to start in; never the read-only box.
std::optional<std::filesystem::path> AskForFile(HWND owner, bool save, const wchar_t* filter, const wchar_t* title,
                                                const std::filesystem::path& suggested, const wchar_t* extension = L"txt") {
    std::wstring file(32768, L'\0');
    const bool folder = suggested.empty() || !suggested.has_extension();
    const std::wstring start = folder ? suggested.wstring() : suggested.parent_path().wstring();
    if (save && !folder) suggested.filename().wstring().copy(file.data(), file.size() - 1);
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrInitialDir = start.empty() ? nullptr : start.c_str();
    ofn.lpstrDefExt = extension;
    ofn.lpstrTitle = title;
    ofn.Flags = OFN_NOCHANGEDIR | OFN_HIDEREADONLY | (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
    if (!(save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn))) return std::nullopt;
    return std::filesystem::path(file.c_str());
}

std::optional<std::filesystem::path> AskForStateFile(HWND owner, bool save, const std::filesystem::path& suggested) {
    return AskForFile(owner, save, L"QM7140 state files (*.txt)\0*.txt\0All files (*.*)\0*.*\0",
                      save ? L"Save the device's state" : L"Load a device's state", suggested);
}

std::optional<std::filesystem::path> AskForScript(HWND owner, const std::filesystem::path& folder) {
    return AskForFile(owner, false, L"Register scripts (*.txt)\0*.txt\0All files (*.*)\0*.*\0",
                      L"Replay a register script", folder);
}

// The extension names the format; the type picked from the list adds its own when none is typed.
std::optional<std::filesystem::path> AskForLogFile(HWND owner, const std::filesystem::path& suggested) {
    return AskForFile(owner, true, L"CSV, one row per transfer (*.csv)\0*.csv\0Capture, I2C link type (*.pcap)\0*.pcap\0",
                      L"Save the transfer log", suggested, L"csv");
}

struct NameQuestion {
    const std::wstring* question;
    std::wstring answer;
};

INT_PTR CALLBACK NameProcedure(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_INITDIALOG: {
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        const auto& asked = *reinterpret_cast<NameQuestion*>(lParam);
        const HFONT font = reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0));
        // Laid out in dialog units, as a template would.
        const auto make = [&](const wchar_t* kind, const wchar_t* text, DWORD style, int id, RECT r) {
            MapDialogRect(dialog, &r);
            HWND child = CreateWindowExW(std::wcscmp(kind, L"EDIT") == 0 ? WS_EX_CLIENTEDGE : 0, kind, text,
                                         WS_CHILD | WS_VISIBLE | style, r.left, r.top, r.right - r.left, r.bottom - r.top, dialog,
                                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
            SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
            return child;
        };
        make(L"STATIC", asked.question->c_str(), 0, -1, {7, 7, 193, 17});
        HWND edit = make(L"EDIT", L"", WS_TABSTOP | ES_AUTOHSCROLL, kNameEditId, {7, 19, 193, 31});
        make(L"BUTTON", L"OK", WS_TABSTOP | BS_DEFPUSHBUTTON, IDOK, {89, 38, 139, 52});
        make(L"BUTTON", L"Cancel", WS_TABSTOP, IDCANCEL, {143, 38, 193, 52});
        SetFocus(edit);
        return FALSE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            if (LOWORD(wParam) == IDOK) {
                auto& asked = *reinterpret_cast<NameQuestion*>(GetWindowLongPtrW(dialog, DWLP_USER));
                HWND edit = GetDlgItem(dialog, kNameEditId);
                asked.answer.assign(static_cast<size_t>(GetWindowTextLengthW(edit)) + 1, L'\0');
                asked.answer.resize(static_cast<size_t>(GetWindowTextW(edit, asked.answer.data(), static_cast<int>(asked.answer.size()))));
            }
            EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        }
        return FALSE;
    default: return FALSE;
    }
}

std::optional<std::wstring> AskForName(HWND owner, const std::wstring& question) {
    DLGTEMPLATE frame{};
    frame.style = DS_MODALFRAME | DS_SETFONT | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU;
    frame.cx = 200;
    frame.cy = 59;
    std::vector<WORD> t(sizeof frame / sizeof(WORD));
    std::memcpy(t.data(), &frame, sizeof frame);
    t.push_back(0);  // no menu
    t.push_back(0);  // the dialog class
    for (const wchar_t c : std::wstring_view(kProgramTitle)) t.push_back(c);
    t.push_back(0);
    t.push_back(8);  // points
    for (const wchar_t c : std::wstring_view(L"MS Shell Dlg")) t.push_back(c);
    t.push_back(0);
    NameQuestion asked{&question, {}};
    const INT_PTR result = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), reinterpret_cast<const DLGTEMPLATE*>(t.data()), owner,
                                                   NameProcedure, reinterpret_cast<LPARAM>(&asked));
    if (result != IDOK) return std::nullopt;
    return asked.answer;
}

// The format is the file type the user picked from the list.
std::optional<ExportChoice> AskForExportFile(HWND owner) {
    std::wstring filter;
    for (const host::ExportFormatInfo& f : host::ExportFormats()) {
        const std::wstring pattern = L"*." + Widen(f.extension);
        filter += Widen(f.title) + L" (" + pattern + L")" + L'\0' + pattern + L'\0';
    }
    filter += L'\0';
    std::wstring file(32768, L'\0');
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrDefExt = L"h";  // the dialog follows the type picked
    ofn.lpstrTitle = L"Export registers 0x00 to 0x1F";
    ofn.Flags = OFN_NOCHANGEDIR | OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY;
    if (!GetSaveFileNameW(&ofn)) return std::nullopt;
    const auto formats = host::ExportFormats();
    const size_t index = ofn.nFilterIndex >= 1 && ofn.nFilterIndex <= formats.size() ? ofn.nFilterIndex - 1 : 0;
    return ExportChoice{std::filesystem::path(file.c_str()), formats[index].format};
}

}  // namespace

Prompts SystemPrompts() {
    return {AskForStateFile,
            [](HWND owner, const std::wstring& text) { MessageBoxW(owner, text.c_str(), kProgramTitle, MB_OK | MB_ICONERROR); },
            AskForExportFile, AskForScript,
            [](HWND owner, const std::wstring& question) {
                return MessageBoxW(owner, question.c_str(), kProgramTitle, MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES;
            },
            AskForName, AskForLogFile};
}

}  // namespace winhost
