// The host as the desktop's conventions have it: each device's dialogs owned by the main
// window, named and placed apart; Tab through every region; a refused grid value said; the
// program's manifest; its place kept between runs; unsaved changes marked and asked about.
#include "host_test.h"

#include "host/windows/register_grid.h"
#include "host/windows/settings.h"

#include <set>
#include <string>

namespace {

using winhost::kBinaryColumn;
using winhost::kHexColumn;

// The status bar's text: the one across it while it shows a single one, else its first pane's.
// (Wine gives the single text for part 0, Windows for SB_SIMPLEID.)
std::wstring StatusText(HWND status) {
    wchar_t text[256] = {};
    if (SendMessageW(status, SB_ISSIMPLE, 0, 0)) SendMessageW(status, SB_GETTEXTW, SB_SIMPLEID, reinterpret_cast<LPARAM>(text));
    if (text[0] == 0) SendMessageW(status, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(text));
    return text;
}

RECT PlaceOf(HWND w) {
    RECT r{};
    GetWindowRect(w, &r);
    return r;
}

TEST_F(Host, EachDevicesDialogsAreTheMainWindowsNamedForTheirDeviceAndPlacedApart) {
    Close();
    Open(2);
    const wchar_t* captions[] = {L"Digital Control", L"Limiter / AGC", L"BoostForm"};
    std::set<std::pair<LONG, LONG>> corners;
    for (int d = 0; d < 2; ++d) {
        Menu(winhost::kDeviceMenu + static_cast<unsigned>(d));
        for (unsigned i = 0; i < 3; ++i) {
            SCOPED_TRACE(std::to_string(d) + "/" + std::to_string(i));
            Menu(winhost::kDialogMenu + i);
            const std::wstring title = std::wstring(captions[i]) + L" - device " + std::to_wstring(d + 1);
            HWND form = ShownForm(title.c_str());
            ASSERT_NE(form, nullptr) << winhost::Narrow(title);
            EXPECT_EQ(GetWindow(form, GW_OWNER), main) << "owned: minimised with it, never behind it";
            EXPECT_EQ(GetWindowLongPtrW(form, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
            const RECT r = PlaceOf(form);
            corners.insert({r.left, r.top});
        }
    }
    EXPECT_EQ(corners.size(), 6u) << "no dialog opens on top of another";
    // Shown again, a dialog stays where the person put it.
    HWND boost = ShownForm(L"BoostForm - device 1");
    SetWindowPos(boost, nullptr, 40, 50, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    Menu(winhost::kDeviceMenu);
    Menu(winhost::kDialogMenu + QM7140_DIALOG_BOOST);
    EXPECT_EQ(PlaceOf(boost).left, 40);
    EXPECT_EQ(PlaceOf(boost).top, 50);
}

TEST_F(Host, OneDevicesDialogsKeepTheModulesCaptions) {
    Menu(winhost::kDialogMenu + QM7140_DIALOG_BOOST);
    HWND form = ShownForm(L"BoostForm");
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(GetWindow(form, GW_OWNER), main);
}

TEST_F(Host, TabGoesThroughEveryRegionAndBack) {
    HWND log = GetDlgItem(main, winhost::kLogId);
    const HWND order[] = {Strip(), Grid(), log, Strip()};
    SetFocus(Strip());
    Pump();
    for (size_t i = 1; i < std::size(order); ++i) {
        SCOPED_TRACE(i);
        Key(GetFocus(), VK_TAB);
        EXPECT_EQ(GetFocus(), order[i]);
    }
    // And backwards, with Shift.
    const HWND back[] = {Strip(), log, Grid(), Strip()};
    for (size_t i = 1; i < std::size(back); ++i) {
        SCOPED_TRACE(i);
        BYTE keys[256] = {};
        GetKeyboardState(keys);
        keys[VK_SHIFT] = 0x80;
        SetKeyboardState(keys);
        Key(GetFocus(), VK_TAB);
        keys[VK_SHIFT] = 0;
        SetKeyboardState(keys);
        EXPECT_EQ(GetFocus(), back[i]);
    }
}

TEST_F(Host, TheFiguresTakeTheKeyboard) {
    Close();
    Open(2);
    SetFocus(Strip());
    Key(Strip(), VK_RIGHT);
    EXPECT_EQ(window->Current(), 1);
    Key(Strip(), VK_RETURN);
    EXPECT_NE(ShownForm(L"Digital Control - device 2"), nullptr);
}

TEST_F(Host, ABadGridValueSaysWhyAndKeepsTheText) {
    const struct {
        int column;
        const wchar_t* typed;
        const wchar_t* reason;
    } rows[] = {
        {kHexColumn, L"zz", L"\"zz\" is not a byte. Hex: one byte, 0x00 to 0xFF (0x3F, 3f)."},
        {kHexColumn, L"1FF", L"\"1FF\" is not a byte. Hex: one byte, 0x00 to 0xFF (0x3F, 3f)."},
        {kBinaryColumn, L"0102", L"\"0102\" is not a byte. Binary: up to eight 0s and 1s (0011 1111)."},
    };
    HWND status = GetDlgItem(main, winhost::kStatusId);
    for (const auto& r : rows) {
        SCOPED_TRACE(winhost::Narrow(r.typed));
        SetFocus(Grid());
        ListView_SetItemState(Grid(), 5, LVIS_FOCUSED | LVIS_SELECTED, LVIS_FOCUSED | LVIS_SELECTED);
        Key(Grid(), VK_RETURN);
        if (r.column == kBinaryColumn) Key(GetFocus(), VK_TAB);  // from the hex cell to the binary one
        HWND editor = GetDlgItem(Grid(), winhost::kCellEditorId);
        ASSERT_NE(editor, nullptr);
        ASSERT_EQ(GetFocus(), editor);
        SetWindowTextW(editor, r.typed);
        Key(editor, VK_RETURN);
        EXPECT_EQ(GetDlgItem(Grid(), winhost::kCellEditorId), editor) << "kept for mending";
        EXPECT_EQ(StatusText(status), r.reason);
        // Leaving drops it, and says so.
        SetFocus(Strip());
        Pump();
        EXPECT_EQ(GetDlgItem(Grid(), winhost::kCellEditorId), nullptr);
        EXPECT_EQ(LastLog(), "0x05 left as it was: " + winhost::Narrow(r.reason));
        EXPECT_EQ(Register(5), 0);
        EXPECT_NE(StatusText(status).find(L"Device 1 of 1"), std::wstring::npos) << "the status is back";
    }
    // An editor opened and left as it was writes nothing.
    const size_t logged = LogLines().size();
    SetFocus(Grid());
    Key(Grid(), VK_RETURN);
    Key(GetFocus(), VK_RETURN);
    EXPECT_EQ(LogLines().size(), logged);
    // The binary cell from the keyboard.
    Key(Grid(), VK_RETURN);
    Key(GetFocus(), VK_TAB);
    SetWindowTextW(GetFocus(), L"0000 0011");
    Key(GetFocus(), VK_RETURN);
    EXPECT_EQ(Register(5), 3);
}

TEST(HostFiles, TheProgramsManifestAsksForPerMonitorDpiAndCommonControls6AndItHasAnIcon) {
    HMODULE program = LoadLibraryExW(L"qm7140host.exe", nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(program, nullptr);
    HRSRC found = FindResourceW(program, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
    ASSERT_NE(found, nullptr) << "no manifest";
    const auto* bytes = static_cast<const char*>(LockResource(LoadResource(program, found)));
    const std::string manifest(bytes, SizeofResource(program, found));
    EXPECT_NE(manifest.find(">PerMonitorV2"), std::string::npos);
    EXPECT_NE(manifest.find(">true/pm<"), std::string::npos);
    EXPECT_NE(manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""), std::string::npos);
    EXPECT_NE(FindResourceW(program, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(14)), nullptr) << "no icon";  // RT_GROUP_ICON
    FreeLibrary(program);
}

TEST_F(Host, TheWindowsPlaceAndTheRecentFilesAreKeptAcrossRuns) {
    const auto ini = std::filesystem::temp_directory_path() / "qm7140-host-test" / "host.ini";
    std::filesystem::remove_all(ini.parent_path());
    EXPECT_FALSE(window->RememberIn(ini));
    SetWindowPos(main, nullptr, 31, 42, 600, 500, SWP_NOZORDER);
    const auto state = std::filesystem::temp_directory_path() / "qm7140-recent.txt";
    saveTo = state;
    Menu(winhost::kSaveState);
    Close();
    Open(1);
    EXPECT_FALSE(window->RememberIn(ini));
    const RECT r = PlaceOf(main);
    EXPECT_EQ(r.left, 31);
    EXPECT_EQ(r.top, 42);
    EXPECT_EQ(r.right - r.left, 600);
    EXPECT_EQ(r.bottom - r.top, 500);
    // The file saved is the first recent one; its entry loads it.
    HMENU file = GetSubMenu(GetMenu(main), 0);
    wchar_t text[MAX_PATH * 2] = {};
    GetMenuStringW(file, winhost::kRecentFile, text, MAX_PATH * 2, MF_BYCOMMAND);
    EXPECT_EQ(std::wstring(text), L"&1 " + state.wstring());
    window->SetRegister(2, 0x40);
    Menu(winhost::kRecentFile);
    EXPECT_EQ(Register(2), 0);
    // A place on no screen is not taken.
    Close();
    winhost::WriteSettings(ini, {RECT{-30000, -30000, -29000, -29000}, false, {}});
    Open(1);
    window->RememberIn(ini);
    EXPECT_GT(PlaceOf(main).left, -1000);
    std::filesystem::remove_all(ini.parent_path());
    std::filesystem::remove(state);
}

TEST_F(Host, ChangesNotSavedAreMarkedAndExitAsksFirst) {
    EXPECT_EQ(TextOf(main), L"QM7140 Host");
    Menu(winhost::kExit);
    EXPECT_TRUE(questions.empty()) << "nothing to lose";
    Close();
    Open(1);
    window->SetRegister(2, 0x40);
    EXPECT_EQ(TextOf(main), L"*QM7140 Host");
    yes = false;
    Menu(winhost::kExit);
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0], L"The device has changes that are not saved. Exit without saving them?");
    EXPECT_TRUE(IsWindow(main)) << "the person said no";
    // Ctrl+S saves, with a name to start from, and the mark goes.
    const auto state = std::filesystem::temp_directory_path() / "qm7140-unsaved.txt";
    saveTo = state;
    SetFocus(Grid());
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    Key(Grid(), 'S');
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
    EXPECT_EQ(suggested.filename(), "qm7140-state.txt");
    EXPECT_FALSE(window->Unsaved(0));
    EXPECT_EQ(TextOf(main), L"QM7140 Host");
    std::filesystem::remove(state);
}

TEST_F(Host, ReplayPlaysAScriptOntoTheCurrentDevice) {
    const auto script = std::filesystem::temp_directory_path() / "qm7140-replay.txt";
    {
        std::ofstream out(script);
        out << "w 0x80 0x02 0x40\nd 5\nw 0x80 0x03 0x11\n";
    }
    scriptFrom = script;
    Menu(winhost::kReplay);
    EXPECT_TRUE(PumpUntil([this] { return Register(3) == 0x11; }));
    EXPECT_EQ(Register(2), 0x40);
    EXPECT_EQ(LastLog(), "replay: done");
    // A bad script is refused by name, nothing sent.
    {
        std::ofstream out(script);
        out << "w 0x80 0x02 0x00\nnonsense\n";
    }
    Menu(winhost::kReplay);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].rfind(L"qm7140-replay.txt was not replayed; nothing was sent.", 0), 0u);
    EXPECT_EQ(Register(2), 0x40);
    std::filesystem::remove(script);
}

}  // namespace
