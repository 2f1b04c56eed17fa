#include "host/windows/prompts.h"

#include "host/windows/text.h"

#include <commdlg.h>

namespace winhost {

namespace {

std::optional<std::filesystem::path> AskForStateFile(HWND owner, bool save) {
    std::wstring file(32768, L'\0');
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = L"State files (*.txt)\0*.txt\0All files (*.*)\0*.*\0";
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrDefExt = L"txt";
    ofn.lpstrTitle = save ? L"Save the device's state" : L"Load a device's state";
    ofn.Flags = OFN_NOCHANGEDIR | (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
    if (!(save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn))) return std::nullopt;
    return std::filesystem::path(file.c_str());
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
    ofn.Flags = OFN_NOCHANGEDIR | OFN_OVERWRITEPROMPT;
    if (!GetSaveFileNameW(&ofn)) return std::nullopt;
    const auto formats = host::ExportFormats();
    const size_t index = ofn.nFilterIndex >= 1 && ofn.nFilterIndex <= formats.size() ? ofn.nFilterIndex - 1 : 0;
    return ExportChoice{std::filesystem::path(file.c_str()), formats[index].format};
}

}  // namespace

Prompts SystemPrompts() {
    return {AskForStateFile,
            [](HWND owner, const std::wstring& text) { MessageBoxW(owner, text.c_str(), kProgramTitle, MB_OK | MB_ICONERROR); },
            AskForExportFile};
}

}  // namespace winhost
