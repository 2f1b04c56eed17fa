// What the host keeps on disk and shows of itself: state files shared with the terminal
// host, the refusal of a bad one, the version resources, the command line, the program.
#include "host_test.h"

#include "host/common/text/files.h"
#include "host/common/chip/register_export.h"
#include "host/common/module/register_file.h"
#include "host/windows/options.h"

#include <fstream>
#include <sstream>

namespace {

std::filesystem::path TempFile(const std::string& name) {
    return std::filesystem::temp_directory_path() / ("qm7140host-" + std::to_string(GetCurrentProcessId()) + "-" + name);
}

void Write(const std::filesystem::path& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}

std::string Read(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

TEST_F(Host, AStateFileInTheTerminalHostsFormatLoadsAndSavesBack) {
    Menu(winhost::kDialogMenu + QM7140_DIALOG_BOOST);
    HWND enable = FindControl(ShownForm(L"BoostForm"), L"Button", L"Enable Boost");
    // As the terminal host saves it (registers left out keep their value), with the line
    // ends of a Windows editor on one line.
    const auto file = TempFile("state.txt");
    Write(file, "# QM7140 registers: register value (hex)\n0x00 0x00\n0x02 0x40\r\n\n0x14 0x0B\n0xFF 0xA5\n");
    window->DeviceAt(0).Chip().Registers().bytes[0x30] = 0x77;
    loadFrom = file;
    Menu(winhost::kLoadState);
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(Register(2), 0x40);
    EXPECT_EQ(Register(20), 0x0B);
    EXPECT_EQ(Register(255), 0xA5);
    EXPECT_EQ(Register(0x30), 0x77);
    EXPECT_TRUE(Checked(enable)) << "the dialog reloaded";
    EXPECT_EQ(Cell(255, winhost::kBinaryColumn), L"1010 0101");
    EXPECT_EQ(LastLog(), "loaded " + host::PathText(file) + ": 4 register(s)");

    // Saved whole in the same format, over the file that is there.
    saveTo = file;
    Menu(winhost::kSaveState);
    EXPECT_TRUE(errors.empty());
    std::ostringstream expected;
    window->DeviceAt(0).Chip().Registers().Save(expected);
    const std::string saved = Read(file);
    EXPECT_EQ(saved, expected.str());
    EXPECT_NE(saved.find("\n0x02 0x40\n"), std::string::npos);
    EXPECT_NE(saved.find("\n0x30 0x77\n"), std::string::npos);
    EXPECT_EQ(LastLog(), "saved " + host::PathText(file));

    // And read back after the device changed.
    window->SetRegister(2, 0);
    EXPECT_FALSE(Checked(enable));
    Menu(winhost::kLoadState);
    EXPECT_EQ(Register(2), 0x40);
    EXPECT_TRUE(Checked(enable));
    std::filesystem::remove(file);
}

TEST_F(Host, ABadStateFileIsRefusedWithItsLineAndChangesNothing) {
    Menu(winhost::kDialogMenu + QM7140_DIALOG_BOOST);
    HWND enable = FindControl(ShownForm(L"BoostForm"), L"Button", L"Enable Boost");
    window->SetRegister(2, 0x40);
    const auto file = TempFile("bad.txt");
    const struct {
        std::string content;
        std::string error;  // after the path
    } rows[] = {
        {"0x02 0x00\n0x14 0x100\n", ":2: value 0x100 is above 255"},
        {"0x02 0x00\n# fine\n0x03\n", ":3: expected REGISTER VALUE"},
        {"0x02 0x00 0x01\n", ":1: expected REGISTER VALUE"},
        {"0x02 0x00\nzz 0x01\n", ":2: register \"zz\" is not a number"},
        {"0x02 0x00\n0x300 0x01\n", ":2: register 0x300 is above 255"},
        {std::string(5000, '0') + "\n", ":1: a line longer than 4096 bytes"},
        {std::string(70000, '\n'), ": larger than 65536 bytes"},
        {"", ""},
        {"# only a comment\n", ""},
    };
    const host::RegisterFile before = window->DeviceAt(0).Chip().Registers();
    const size_t logged = LogLines().size();
    for (const auto& r : rows) {
        SCOPED_TRACE(r.error);
        Write(file, r.content);
        loadFrom = file;
        errors.clear();
        Menu(winhost::kLoadState);
        ASSERT_EQ(errors.size(), 1u);
        EXPECT_NE(errors[0].find(winhost::Widen(host::PathText(file) + r.error)), std::wstring::npos)
            << winhost::Narrow(errors[0]);
        EXPECT_EQ(errors[0].rfind(file.filename().wstring() + L" was not loaded; nothing changed.", 0), 0u)
            << "the file named first: " << winhost::Narrow(errors[0]);
        EXPECT_EQ(window->DeviceAt(0).Chip().Registers().bytes, before.bytes);
        EXPECT_TRUE(Checked(enable));
    }
    // A file that is not there, and a save where no file can be.
    loadFrom = TempFile("missing.txt");
    errors.clear();
    Menu(winhost::kLoadState);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find(L"cannot read"), std::wstring::npos);
    saveTo = TempFile("no-such-folder") / "state.txt";
    Menu(winhost::kSaveState);
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_NE(errors[1].find(L"cannot write"), std::wstring::npos);
    EXPECT_EQ(LogLines().size(), logged);
    std::filesystem::remove(file);
}

TEST_F(Host, FileExportWritesTheCurrentDevicesRegistersInTheFormatPicked) {
    window->SetRegister(2, 0x40);
    for (const host::ExportFormatInfo& f : host::ExportFormats()) {
        const auto file = TempFile("export." + std::string(f.extension));
        exportTo = winhost::ExportChoice{file, f.format};
        Menu(winhost::kExport);
        EXPECT_EQ(Read(file), host::Export(f.format, window->DeviceAt(0).Chip().Registers(), 0x40)) << f.name;
        std::filesystem::remove(file);
    }
}

std::wstring VersionString(const std::vector<BYTE>& info, const wchar_t* name) {
    wchar_t* value = nullptr;
    UINT length = 0;
    const std::wstring key = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
    if (!VerQueryValueW(info.data(), key.c_str(), reinterpret_cast<void**>(&value), &length) || value == nullptr) return {};
    return value;
}

TEST(HostFiles, TheDllAndTheHostCarryTheProductsVersionResource) {
    const struct {
        const wchar_t* file;
        DWORD type;
        const wchar_t* description;
    } rows[] = {{L"QM7140.dll", VFT_DLL, L"QM7140 device plug-in module"},
                {L"qm7140host.exe", VFT_APP, L"QM7140 host: the module with simulated devices"}};
    for (const auto& r : rows) {
        SCOPED_TRACE(winhost::Narrow(r.file));
        DWORD ignored = 0;
        std::vector<BYTE> info(GetFileVersionInfoSizeW(r.file, &ignored));
        ASSERT_FALSE(info.empty());
        ASSERT_TRUE(GetFileVersionInfoW(r.file, 0, static_cast<DWORD>(info.size()), info.data()));
        EXPECT_EQ(VersionString(info, L"ProductName"), L"QM7140");
        EXPECT_EQ(VersionString(info, L"FileDescription"), r.description);
        const std::wstring version = VersionString(info, L"FileVersion");
        EXPECT_EQ(VersionString(info, L"ProductVersion"), version);
        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT length = 0;
        ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
        EXPECT_EQ(fixed->dwFileType, r.type);
        // The numbers and the text tell the same version; between releases the text adds the commit.
        const std::wstring numbers = std::to_wstring(HIWORD(fixed->dwFileVersionMS)) + L"." +
                                     std::to_wstring(LOWORD(fixed->dwFileVersionMS)) + L"." +
                                     std::to_wstring(HIWORD(fixed->dwFileVersionLS));
        EXPECT_TRUE(version == numbers || version.starts_with(numbers + L"+g")) << winhost::Narrow(version);
    }
}

TEST(HostFiles, TheCommandLineTakesADeviceCountAndAModulePath) {
    const struct {
        std::vector<std::wstring> args;
        int devices;
        std::wstring module;  // empty: the one beside the program
        std::wstring error;   // part of it; empty: none
    } rows[] = {
        {{}, 1, L"", L""},
        {{L"--devices", L"16"}, 16, L"", L""},
        {{L"--devices=3", L"C:\\m\\QM7140.dll"}, 3, L"C:\\m\\QM7140.dll", L""},
        {{L"D:\\QM7140.dll", L"--devices", L"2"}, 2, L"D:\\QM7140.dll", L""},
        {{L"--devices", L"17"}, 0, L"", L"--devices takes 1 to 16, not \"17\""},
        {{L"--devices", L"0"}, 0, L"", L"not \"0\""},
        {{L"--devices=-1"}, 0, L"", L"not \"-1\""},
        {{L"--devices", L"1x"}, 0, L"", L"not \"1x\""},
        {{L"--devices"}, 0, L"", L"--devices needs N"},
        {{L"--verbose"}, 0, L"", L"unknown option --verbose"},
        {{L"a.dll", L"b.dll"}, 0, L"", L"unexpected argument \"b.dll\""},
        {{L"--device", L"sim", L"--device=sim", L"--verify"}, 2, L"", L""},
        {{L"--devices", L"2", L"--device", L"sim"}, 0, L"", L"--devices and --device do not go together"},
        {{L"--device", L"i2c:/dev/i2c-1"}, 0, L"", L"i2c:/dev/i2c-1"},
        {{L"--device", L"usb"}, 0, L"", L"usb"},
        {{L"--device", L"hid:10C4:EA90@0x41", L"--speed", L"400"}, 1, L"", L""},
        {{L"--speed=250"}, 0, L"", L"--speed \"250\": a bus runs at 100 or 400 (kHz)"},
    };
    for (const auto& r : rows) {
        const winhost::Options options = winhost::ParseOptions(r.args);
        SCOPED_TRACE(winhost::Narrow(r.args.empty() ? L"(none)" : r.args[0]));
        if (!r.error.empty()) {
            EXPECT_NE(options.error.find(r.error), std::wstring::npos) << winhost::Narrow(options.error);
            continue;
        }
        EXPECT_EQ(options.error, L"");
        EXPECT_EQ(options.places.size(), static_cast<size_t>(r.devices));
        EXPECT_EQ(options.devices.adapters.speedKhz, r.args.size() > 2 && r.args[2] == L"--speed" ? 400u : 100u);
        EXPECT_EQ(options.module, r.module.empty() ? host::DefaultModulePath() : std::filesystem::path(r.module));
    }
    EXPECT_TRUE(winhost::ParseOptions({L"--help"}).help);
    EXPECT_TRUE(winhost::ParseOptions({L"--version"}).version);
}

struct Search {
    DWORD process;
    const wchar_t* windowClass;
    HWND found;
};

BOOL CALLBACK Visit(HWND w, LPARAM p) {
    auto& s = *reinterpret_cast<Search*>(p);
    DWORD owner = 0;
    GetWindowThreadProcessId(w, &owner);
    if (owner != s.process || ClassOf(w) != s.windowClass || !IsWindowVisible(w)) return TRUE;
    s.found = w;
    return FALSE;
}

// A visible top-level window of another process, by class.
HWND WindowOf(DWORD process, const wchar_t* windowClass) {
    Search search{process, windowClass, nullptr};
    EnumWindows(&Visit, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Starts the program with `flags` and standard handles of the test's choosing, and closes
// what it shows once it is there: its window, or a box holding `text` (all of it, else the
// test fails). Gives the exit status.
DWORD RunShown(const std::wstring& args, DWORD flags, STARTUPINFOW startup, const wchar_t* window, const std::wstring& text) {
    std::wstring command = L"qm7140host.exe " + args;
    PROCESS_INFORMATION process{};
    startup.cb = sizeof startup;
    const BOOL inherit = (startup.dwFlags & STARTF_USESTDHANDLES) != 0;
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, inherit, flags, nullptr, nullptr, &startup, &process)) {
        ADD_FAILURE() << "cannot start " << winhost::Narrow(command);
        return STILL_ACTIVE;
    }
    HWND shown = nullptr;
    for (int i = 0; i < 200 && shown == nullptr && window != nullptr; ++i) {
        if (WaitForSingleObject(process.hProcess, 50) == WAIT_OBJECT_0) break;
        shown = WindowOf(process.dwProcessId, window);
    }
    if (window != nullptr) {
        EXPECT_NE(shown, nullptr);
    }
    if (shown != nullptr && !text.empty()) {
        std::wstring inside;
        for (HWND child : ChildrenOf(shown)) inside += TextOf(child) + L"\n";
        EXPECT_NE(inside.find(text), std::wstring::npos) << winhost::Narrow(inside);
    }
    if (shown != nullptr) PostMessageW(shown, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 10000), WAIT_OBJECT_0);
    DWORD status = STILL_ACTIVE;
    GetExitCodeProcess(process.hProcess, &status);
    if (status == STILL_ACTIVE) TerminateProcess(process.hProcess, 99);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return status;
}

TEST(HostProgram, StartsShowsItsWindowAndEndsWithItsStatus) {
    for (const std::wstring args : {L"--devices 2", L"--device hid:10C4:EA90@0x40"}) {  // no bridge under Wine: offline
        SCOPED_TRACE(winhost::Narrow(args));
        EXPECT_EQ(RunShown(args, 0, {}, L"QM7140Host", L""), 0u);
    }
}

// From a script or a console, what the host says before it has a window is printed, and it
// ends at once; nobody is left to close a box on a screen no one sees.
TEST(HostProgram, SaysHelpVersionAndProblemsOnItsOutputsAndEnds) {
    const struct {
        std::wstring args;
        DWORD status;
        std::string out, err;  // what each holds
    } rows[] = {
        {L"--help", 0, "Usage: qm7140host [--device PLACE]... [--devices N]", ""},
        {L"/?", 0, "--verify", ""},
        {L"--version", 0, "QM7140 Host ", ""},
        {L"--devices 17", 2, "", "error: --devices takes 1 to 16, not \"17\""},
        {L"C:\\nowhere\\QM7140.dll", 1, "", "error: cannot load C:\\nowhere\\QM7140.dll"},
    };
    const auto outFile = TempFile("out.txt"), errFile = TempFile("err.txt");
    for (const auto& r : rows) {
        SCOPED_TRACE(winhost::Narrow(r.args));
        SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
        auto create = [&](const std::filesystem::path& path) {
            return CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inheritable, CREATE_ALWAYS, 0, nullptr);
        };
        STARTUPINFOW startup{};
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = create(outFile);
        startup.hStdError = create(errFile);
        EXPECT_EQ(RunShown(r.args, 0, startup, nullptr, L""), r.status);
        CloseHandle(startup.hStdOutput);
        CloseHandle(startup.hStdError);
        const std::string out = Read(outFile), err = Read(errFile);
        EXPECT_TRUE(r.out.empty() ? out.empty() : out.find(r.out) != std::string::npos) << out;
        EXPECT_TRUE(r.err.empty() ? err.empty() : err.find(r.err) != std::string::npos) << err;
    }
    std::filesystem::remove(outFile);
    std::filesystem::remove(errFile);
}

// Started with no console and no standard handles, as from the desktop, it shows a box.
TEST(HostProgram, WithNowhereToPrintShowsABox) {
    STARTUPINFOW startup{};
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = startup.hStdOutput = startup.hStdError = INVALID_HANDLE_VALUE;
    EXPECT_EQ(RunShown(L"--help", DETACHED_PROCESS, startup, L"#32770", L"--speed 100|400"), 0u);
    EXPECT_EQ(RunShown(L"--devices 0", DETACHED_PROCESS, startup, L"#32770", L"--devices takes 1 to 16"), 2u);
}

}  // namespace
