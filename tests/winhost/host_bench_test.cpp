// The bench workflow in the host's menus and keys: a state applied to the chip, undone and
// redone, presets kept and compared, and the transfer log shown with its times and saved.
#include "host_test.h"

#include <fstream>
#include <regex>
#include <sstream>

namespace {

std::filesystem::path TempPath(const std::string& name) {
    return std::filesystem::temp_directory_path() / ("qm7140bench-" + std::to_string(GetCurrentProcessId()) + "-" + name);
}

std::string Read(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

// Ctrl and a letter, as the keyboard gives them to the focused grid.
void CtrlKey(HWND target, WPARAM key) {
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    SetFocus(target);
    PostMessageW(target, WM_KEYDOWN, key, 1);
    PostMessageW(target, WM_KEYUP, key, 1 | (3L << 30));
    winhost::PumpMessages();
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
}

std::wstring StatusText(HWND main) {
    wchar_t text[512] = {};
    SendMessageW(GetDlgItem(main, winhost::kStatusId), SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(text));
    return text;
}

std::vector<std::vector<std::wstring>> Rows(HWND compare) {
    HWND list = GetDlgItem(compare, winhost::kCompareListId);
    std::vector<std::vector<std::wstring>> rows;
    const auto count = SendMessageW(list, LVM_GETITEMCOUNT, 0, 0);
    for (int row = 0; row < count; ++row) {
        std::vector<std::wstring> cells;
        for (int column = 0; column < 3; ++column) {
            wchar_t text[128] = {};
            LVITEMW item{};
            item.iSubItem = column;
            item.pszText = text;
            item.cchTextMax = 128;
            SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
            cells.push_back(text);
        }
        rows.push_back(cells);
    }
    return rows;
}

TEST_F(Host, AStateAppliedToTheChipIsUndoneAndRedoneWithTheKeys) {
    Menu(winhost::kDialogMenu + QM7140_DIALOG_BOOST);
    HWND enable = FindControl(ShownForm(L"BoostForm"), L"Button", L"Enable Boost");
    ASSERT_FALSE(Checked(enable));
    const auto file = TempPath("apply.txt");
    std::ofstream(file) << "0x02 0x40\n0x14 0x0B\n";
    loadFrom = file;
    Menu(winhost::kApplyState);
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(Register(2), 0x40);
    EXPECT_EQ(Register(0x14), 0x0B);
    EXPECT_TRUE(Checked(enable)) << "the dialog follows";
    EXPECT_EQ(window->DeviceAt(0).Changes().Undoable(), 1u);

    // The whole apply is one step.
    CtrlKey(Grid(), 'Z');
    EXPECT_EQ(Register(2), 0x00);
    EXPECT_EQ(Register(0x14), 0x00);
    EXPECT_FALSE(Checked(enable));
    CtrlKey(Grid(), 'Y');
    EXPECT_EQ(Register(2), 0x40);
    EXPECT_EQ(Register(0x14), 0x0B);

    // A file that is not a state changes nothing and says so with its name.
    std::ofstream(file) << "0x02 nonsense\n";
    Menu(winhost::kApplyState);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find(file.filename().wstring() + L" was not applied"), std::wstring::npos);
    EXPECT_EQ(Register(2), 0x40);
    std::filesystem::remove(file);
}

TEST_F(Host, EachClickInADialogIsOneUndoStep) {
    Menu(winhost::kDialogMenu + QM7140_DIALOG_BOOST);
    HWND enable = FindControl(ShownForm(L"BoostForm"), L"Button", L"Enable Boost");
    SendMessageW(enable, BM_CLICK, 0, 0);
    Pump();
    const uint8_t on = Register(2);
    SendMessageW(enable, BM_CLICK, 0, 0);
    Pump();
    ASSERT_NE(Register(2), on);
    Menu(winhost::kUndo);
    EXPECT_EQ(Register(2), on) << "the second click alone";
    EXPECT_TRUE(Checked(enable));
    Menu(winhost::kUndo);
    EXPECT_FALSE(Checked(enable));
    Menu(winhost::kUndo);
    EXPECT_EQ(LastLog(), "undo: nothing to undo");
}

TEST_F(Host, APresetIsSavedAppliedComparedAndDeleted) {
    const auto shelf = TempPath("presets");
    window->UsePresetShelf(shelf);
    EXPECT_TRUE(window->PresetNames().empty());
    window->SetRegister(2, 0x40);
    typedName = L"golden";
    Menu(winhost::kSavePreset);
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(window->PresetNames(), std::vector<std::string>{"golden"});
    EXPECT_TRUE(std::filesystem::exists(shelf / "golden.txt"));
    EXPECT_NE(StatusText(main).find(L"as preset \"golden\""), std::wstring::npos) << winhost::Narrow(StatusText(main));

    window->SetRegister(2, 0x00);
    EXPECT_NE(StatusText(main).find(L"changed since \"golden\""), std::wstring::npos) << winhost::Narrow(StatusText(main));
    // Compared as a table: the register, the chip's byte, the preset's.
    Menu(winhost::kPresetCompare + 0);
    ASSERT_NE(window->ComparisonWindow(), nullptr);
    const auto rows = Rows(window->ComparisonWindow());
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows[0], (std::vector<std::wstring>{L"reg 0x02", L"0x00", L"0x40"}));

    Menu(winhost::kPresetApply + 0);
    EXPECT_EQ(Register(2), 0x40);
    EXPECT_NE(StatusText(main).find(L"as preset \"golden\""), std::wstring::npos);
    Menu(winhost::kPresetCompare + 0);
    EXPECT_EQ(Rows(window->ComparisonWindow()).size(), 1u) << "equal, said in one line";

    // Saving over it asks first; no keeps the file as it was.
    window->SetRegister(2, 0x11);
    yes = false;
    Menu(winhost::kSavePreset);
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0], L"A preset named \"golden\" exists. Replace it?");
    EXPECT_NE(Read(shelf / "golden.txt").find("0x02 0x40"), std::string::npos);
    // A name that is a path is refused, and nothing is written outside the shelf.
    typedName = L"sub\\outside";
    Menu(winhost::kSavePreset);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find(L"path separator"), std::wstring::npos) << winhost::Narrow(errors[0]);
    EXPECT_FALSE(std::filesystem::exists(shelf / "sub" / "outside.txt"));

    yes = true;
    Menu(winhost::kPresetDelete + 0);
    EXPECT_TRUE(window->PresetNames().empty());
    EXPECT_FALSE(std::filesystem::exists(shelf / "golden.txt"));
    std::filesystem::remove_all(shelf);
}

TEST_F(Host, TheLogShowsEachTransfersTimeAndSavesAsCsvAndPcap) {
    window->SetRegister(2, 0x40);
    window->SetRegister(0x14, 0x0B);
    const std::wstring text = TextOf(GetDlgItem(main, winhost::kLogId));
    const std::string last = winhost::Narrow(text.substr(text.rfind(L"\r\n", text.size() - 3) + 2));
    EXPECT_TRUE(std::regex_search(last, std::regex(R"(^\d\d:\d\d:\d\d\.\d{3} \(\d+(\.\d+)? (us|ms|s)\)  W 0x80/0 reg 0x14 = 0x0B)")))
        << last;

    // The rows are the transfers, oldest first.
    logTo = TempPath("log.csv");
    Menu(winhost::kSaveLog);
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(suggested.filename(), "qm7140-log.csv");
    std::istringstream csv(Read(*logTo));
    std::vector<std::string> rows;
    for (std::string row; std::getline(csv, row);) rows.push_back(row);
    ASSERT_EQ(rows.size(), 1 + window->DeviceAt(0).TransferLog().size());
    EXPECT_EQ(rows[0].rfind("time,duration,device,address,register,direction,value,result,source", 0), 0u);
    ASSERT_GE(rows.size(), 3u);
    EXPECT_NE(rows[rows.size() - 2].find(",0x02,write,0x40,done,"), std::string::npos) << rows[rows.size() - 2];
    EXPECT_NE(rows.back().find(",0x14,write,0x0B,done,"), std::string::npos) << rows.back();

    // A capture by its extension; another extension is refused and writes nothing.
    const auto capture = TempPath("log.pcap");
    logTo = capture;
    Menu(winhost::kSaveLog);
    EXPECT_EQ(Read(capture).substr(0, 4), std::string("\x4D\x3C\xB2\xA1", 4));
    logTo = TempPath("log.doc");
    Menu(winhost::kSaveLog);
    EXPECT_EQ(errors.size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(*logTo));
    std::filesystem::remove(TempPath("log.csv"));
    std::filesystem::remove(capture);
}

}  // namespace
