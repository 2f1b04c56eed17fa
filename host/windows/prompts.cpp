#include "host/windows/prompts.h"

#include "host/windows/text.h"

#include <commdlg.h>

namespace winhost {

namespace {

// A file dialog of its own kind: its filter, its title, a name to start with when saving
// and the folder to start in; never the read-only box.
std::optional<std::filesystem::path> AskForFile(HWND owner, bool save, const wchar_t* filter, const wchar_t* title,
                                                const std::filesystem::path& suggested) {
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
    ofn.lpstrDefExt = L"txt";
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
            }};
}

}  // namespace winhost
