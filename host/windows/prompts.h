// What the host asks and tells the user in windows of the system's: the file dialogs and a
// message box. Tests answer in their place.
#pragma once

#include "host/common/chip/register_export.h"

#include <windows.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace winhost {

// The main window's title, and the caption of the boxes it shows.
constexpr const wchar_t* kProgramTitle = L"QM7140 Host";

struct ExportChoice {
    std::filesystem::path path;
    host::ExportFormat format;
};

// What the host asks and tells the user in windows of the system's; tests answer instead.
struct Prompts {
    // A state file to save to or load from, starting at `suggested` (a folder, or a file's
    // name in one); nothing when the user cancels.
    std::function<std::optional<std::filesystem::path>(HWND owner, bool save, const std::filesystem::path& suggested)> stateFile;
    std::function<void(HWND owner, const std::wstring& text)> error;
    // A file to export the registers to, and in which format.
    std::function<std::optional<ExportChoice>(HWND owner)> exportFile;
    // A register script to replay, starting in `folder`.
    std::function<std::optional<std::filesystem::path>(HWND owner, const std::filesystem::path& folder)> script;
    // A yes-or-no question; yes when nobody is asked.
    std::function<bool(HWND owner, const std::wstring& question)> ask;
    // A name typed in answer to `question` (a preset's); nothing when the user cancels.
    std::function<std::optional<std::wstring>(HWND owner, const std::wstring& question)> name;
    // A file to save the transfer log to, .csv or .pcap, starting at `suggested`.
    std::function<std::optional<std::filesystem::path>(HWND owner, const std::filesystem::path& suggested)> logFile;
};
// The common file dialogs and a message box.
Prompts SystemPrompts();

}  // namespace winhost
