#include "screen.h"
#include "host/common/module/module.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace {

// Names in the DLL's export directory, read from the PE headers of the loaded image.
std::vector<std::string> ExportNames(HMODULE module) {
    auto* base = reinterpret_cast<const BYTE*>(module);
    auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    auto* exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + dir.VirtualAddress);
    auto* names = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
    std::vector<std::string> result;
    for (DWORD i = 0; i < exports->NumberOfNames; ++i) result.emplace_back(reinterpret_cast<const char*>(base + names[i]));
    std::sort(result.begin(), result.end());
    return result;
}

TEST(Exports, TableHoldsExactlyTheTenNamesAndTheDataSymbolsAreNull) {
    host::Module m(host::DefaultModulePath());
    const HMODULE loaded = GetModuleHandleA("QM7140.dll");
    ASSERT_NE(loaded, nullptr);
    const std::vector<std::string> expected{"_BoostForm", "_FreeCodecInstance", "_GetI2CObject", "_GetMenuItem", "_Init",
                                            "_LimiterForm", "_SelectMenu", "_SetCodecName", "_SetSampleRate", "_ShowDialog"};
    EXPECT_EQ(ExportNames(loaded), expected);
    for (const char* twin : {"Init", "FreeCodecInstance", "GetMenuItem", "ShowDialog", "BoostForm", "qm_Init"})
        EXPECT_EQ(m.Export(twin), nullptr) << twin;
    // The two data symbols are null pointers.
    for (const char* name : {"_BoostForm", "_LimiterForm"}) {
        auto* symbol = static_cast<void* const*>(m.Export(name));
        ASSERT_NE(symbol, nullptr) << name;
        EXPECT_EQ(*symbol, nullptr) << name;
    }
}

// Unloading with live instances destroys them, windows included, and the module can be
// loaded again in the same process (its window class registers afresh).
TEST(Exports, UnloadDestroysLiveInstancesAndTheModuleLoadsAgain) {
    for (int load = 0; load < 2; ++load) {
        SCOPED_TRACE(load);
        auto m = std::make_optional<host::Module>(host::DefaultModulePath());
        QM7140Instance instance = m->Init(0, 0, 0, 0);
        ASSERT_NE(instance, nullptr);
        m->SelectMenu(instance, QM7140_DIALOG_BOOST);
        HWND boost = FindForm(L"BoostForm");
        ASSERT_NE(boost, nullptr) << "no display?";
        EXPECT_TRUE(IsWindowVisible(boost));
        m.reset();
        EXPECT_FALSE(IsWindow(boost));
        EXPECT_EQ(FindForm(L"BoostForm"), nullptr);
    }
}

}  // namespace
