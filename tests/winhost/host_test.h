// The Windows host in-process: the real QM7140.dll loaded by path as the program loads it,
// the host's window shown, and the user's actions sent to it as window messages, pumped
// through the host's own message routing. The file prompts answer from the test.
#pragma once

#include "host/common/bus/simulated_adapter.h"
#include "host/common/module/module.h"
#include "host/windows/host_window.h"
#include "host/windows/ids.h"
#include "host/windows/message_loop.h"
#include "host/windows/text.h"
#include "tests/win32/screen.h"

#include <windows.h>
// After windows.h, which GDI+ needs.
#include <commctrl.h>
#include <gdiplus.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

// The visible top-level window of this thread with that caption: with several devices,
// each instance has a window of each dialog.
inline HWND ShownForm(const wchar_t* caption) {
    for (HWND w = FindWindowExW(nullptr, nullptr, nullptr, caption); w != nullptr;
         w = FindWindowExW(nullptr, w, nullptr, caption))
        if (GetWindowThreadProcessId(w, nullptr) == GetCurrentThreadId() && IsWindowVisible(w)) return w;
    return nullptr;
}

inline bool Checked(HWND button) { return SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED; }

class Host : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
        InitCommonControlsEx(&controls);
        Gdiplus::GdiplusStartupInput input;
        Gdiplus::GdiplusStartup(&gdiplus, &input, nullptr);
    }
    static void TearDownTestSuite() { Gdiplus::GdiplusShutdown(gdiplus); }

    void SetUp() override { Open(1); }
    void TearDown() override { Close(); }

    void Open(int devices) {
        std::vector<host::Bus> buses;
        for (int d = 0; d < devices; ++d) buses.push_back(host::SimulatedBus());
        Open(std::move(buses));
    }
    // A device per bus.
    void Open(std::vector<host::Bus> buses, bool verify = false,
              std::shared_ptr<host::AdapterPool> adapters = nullptr) {
        module = std::make_unique<host::Module>(host::DefaultModulePath());
        winhost::Prompts prompts{[this](HWND, bool save, const std::filesystem::path& from) {
                                     suggested = from;
                                     return save ? saveTo : loadFrom;
                                 },
                                 [this](HWND, const std::wstring& text) { errors.push_back(text); },
                                 [this](HWND) { return exportTo; },
                                 [this](HWND, const std::filesystem::path&) { return scriptFrom; },
                                 [this](HWND, const std::wstring& question) {
                                     questions.push_back(question);
                                     return yes;
                                 },
                                 [this](HWND, const std::wstring&) { return typedName; },
                                 [this](HWND, const std::filesystem::path& from) {
                                     suggested = from;
                                     return logTo;
                                 }};
        window = std::make_unique<winhost::HostWindow>(*module, std::move(buses), prompts, verify, std::move(adapters));
        main = window->Window();
        ShowWindow(main, SW_SHOW);
        Pump();
    }
    // Instances first, then the module: the next Open starts a fresh load.
    void Close() {
        window.reset();
        module.reset();
        Pump();
    }

    static void Pump() { winhost::PumpMessages(); }
    // Pumps until `done` holds or a few seconds passed; whether it held.
    static bool PumpUntil(const std::function<bool()>& done) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!done() && std::chrono::steady_clock::now() < end) {
            Pump();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return done();
    }

    void Menu(unsigned id) {
        SendMessageW(main, WM_COMMAND, id, 0);
        Pump();
    }
    HWND Grid() const { return GetDlgItem(main, winhost::kGridId); }
    HWND Strip() const { return GetDlgItem(main, winhost::kFigureStripId); }
    std::wstring Cell(int row, int column) const {
        wchar_t text[32] = {};
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = text;
        item.cchTextMax = 32;
        SendMessageW(Grid(), LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
        return text;
    }
    // The log's lines without their times (and a transfer's duration).
    std::vector<std::string> LogLines() const {
        const std::wstring text = TextOf(GetDlgItem(main, winhost::kLogId));
        std::vector<std::string> lines;
        for (size_t start = 0; start < text.size();) {
            size_t end = text.find(L"\r\n", start);
            if (end == std::wstring::npos) end = text.size();
            const std::wstring line = text.substr(start, end - start);
            const size_t after = line.find(L"  ");
            lines.push_back(winhost::Narrow(after == std::wstring::npos ? std::wstring() : line.substr(after + 2)));
            start = end + 2;
        }
        return lines;
    }
    std::string LastLog() const {
        const auto lines = LogLines();
        return lines.empty() ? "" : lines.back();
    }
    uint8_t Register(uint8_t reg, int device = 0) { return window->DeviceAt(device).Chip().Registers().bytes[reg]; }

    // A key as the keyboard driver posts it; the loop makes the character.
    static void Key(HWND target, WPARAM key) {
        const auto scan = static_cast<LPARAM>(MapVirtualKeyW(static_cast<UINT>(key), MAPVK_VK_TO_VSC));
        PostMessageW(target, WM_KEYDOWN, key, 1 | (scan << 16));
        PostMessageW(target, WM_KEYUP, key, 1 | (scan << 16) | (3L << 30));
        Pump();
    }

    inline static ULONG_PTR gdiplus = 0;
    std::unique_ptr<host::Module> module;
    std::unique_ptr<winhost::HostWindow> window;
    HWND main = nullptr;
    std::optional<std::filesystem::path> saveTo, loadFrom, scriptFrom, logTo;
    std::optional<std::wstring> typedName;  // what is typed when a name is asked
    std::filesystem::path suggested;  // where the last file dialog would have started
    std::vector<std::wstring> questions;
    bool yes = true;  // what a question is answered
    std::optional<winhost::ExportChoice> exportTo;
    std::vector<std::wstring> errors;
};
