// The module as a host sees it: libqm7140.so loaded by path, every export by its name.
#include "host/common/module/module.h"
#include "platform/form.h"

#include <qm7140/plugin.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace {

// The hosts' loader, on the library this build made.
struct Module : host::Module {
    Module() : host::Module(QM7140_LIBRARY) {}
    QM7140Instance New() const { return Init(0, 0, 0, 0); }
};

// An instance's forms, found as a host finds them: each window's owner is its dialog.
std::vector<platform::Form*> FormsOf(const Module& m, QM7140Instance h) {
    std::vector<platform::Form*> forms;
    for (int32_t i = 0; i < 3; ++i) forms.push_back(static_cast<platform::Form*>(m.GetI2CObject(h, i)->OwnerDialog));
    return forms;
}

std::set<std::string> VisibleForms(const Module& m, QM7140Instance h) {
    std::set<std::string> names;
    for (platform::Form* f : FormsOf(m, h))
        if (f->Visible()) names.insert(f->Caption());
    return names;
}

void HideAll(const Module& m, QM7140Instance h) {
    for (platform::Form* f : FormsOf(m, h)) f->Hide();
}

TEST(Exports, EveryNameResolvesAndTheDataSymbolsAreNull) {
    Module m;
    for (auto* fn : {reinterpret_cast<void*>(m.Init), reinterpret_cast<void*>(m.FreeCodecInstance), reinterpret_cast<void*>(m.GetI2CObject),
                     reinterpret_cast<void*>(m.SetSampleRate), reinterpret_cast<void*>(m.SetCodecName),
                     reinterpret_cast<void*>(m.GetMenuItem), reinterpret_cast<void*>(m.SelectMenu), reinterpret_cast<void*>(m.ShowDialog)})
        EXPECT_NE(fn, nullptr);
    for (const char* data : {"_BoostForm", "_LimiterForm"}) {
        auto* symbol = static_cast<void**>(m.Export(data));
        ASSERT_NE(symbol, nullptr) << data;
        EXPECT_EQ(*symbol, nullptr);
    }
    for (const char* hidden : {"Init", "qm_Init", "_ZN5csapi4InitEv"}) EXPECT_EQ(m.Export(hidden), nullptr) << hidden;
}

TEST(Exports, MenuCaptionsByUnsignedIndex) {
    Module m;
    EXPECT_STREQ(m.GetMenuItem(0), "Digital Control...");
    EXPECT_STREQ(m.GetMenuItem(1), "Limiter...");
    EXPECT_STREQ(m.GetMenuItem(2), "Boost...");
    EXPECT_EQ(m.GetMenuItem(0), m.GetMenuItem(0)) << "static strings";
    for (uint32_t odd : {3u, 1000u, 0xFFFFFFFFu}) EXPECT_EQ(m.GetMenuItem(odd), nullptr);
}

TEST(Exports, SixteenInstancesPerLoadFreedOnesIncluded) {
    Module m;
    std::set<QM7140Instance> handles;
    for (int i = 0; i < 16; ++i) handles.insert(m.New());
    EXPECT_EQ(handles.size(), 16u);
    EXPECT_EQ(handles.count(nullptr), 0u);
    m.FreeCodecInstance(*handles.begin());
    m.FreeCodecInstance(*handles.rbegin());
    EXPECT_EQ(m.New(), nullptr);
    m.FreeCodecInstance(nullptr);
}

TEST(Exports, FreeDestroysOnceAndUnloadDestroysTheRest) {
    Module m;
    QM7140Instance a = m.New();
    QM7140Instance b = m.New();
    m.FreeCodecInstance(a);
    m.SelectMenu(b, 2);
    // Unloaded on the way out: the sanitizer build would report a double destruction of a,
    // or a leak of b.
}

TEST(Exports, AFreedHandleNeverComesBackWithinOneLoad) {
    Module m;
    std::set<QM7140Instance> seen;
    for (int i = 0; i < 16; ++i) {
        QM7140Instance h = m.New();
        EXPECT_TRUE(seen.insert(h).second) << "creation " << i << " reused a freed instance's address";
        m.FreeCodecInstance(h);
    }
}

// A host that returns from main with instances alive and shown: the unload routine at
// process exit must find the module's state intact (the sanitizer build reports otherwise).
TEST(ExportsDeathTest, ExitWithLiveShownInstancesIsClean) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            static Module* m = new Module;  // never unloaded: the process exit does it
            QM7140Instance h = m->New();
            m->New();
            for (int32_t i = 0; i < 3; ++i) m->SelectMenu(h, i);
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(Exports, WindowsByIndexAreStableAndOfTheirDialogs) {
    Module m;
    QM7140Instance h = m.New();
    const uint32_t counts[] = {32, 16, 21};
    for (int32_t i = 0; i < 3; ++i) {
        QM7140RegisterWindow* w = m.GetI2CObject(h, i);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w, m.GetI2CObject(h, i));
        EXPECT_EQ(w->DeviceAddress, 128);
        EXPECT_EQ(w->RegisterCount, counts[i]);
        EXPECT_EQ(w->Cache, &w->InlineCache);
        EXPECT_NE(w->OwnerDialog, nullptr);
    }
    for (int32_t odd : {3, -1, 1 << 30}) EXPECT_EQ(m.GetI2CObject(h, odd), nullptr);
    EXPECT_NE(m.GetI2CObject(m.New(), 0), m.GetI2CObject(h, 0));
}

TEST(Exports, SelectMenuShowsByIndex) {
    Module m;
    QM7140Instance h = m.New();
    m.SelectMenu(h, 3);
    m.SelectMenu(h, -1);
    EXPECT_TRUE(VisibleForms(m, h).empty());
    m.SelectMenu(h, 2);
    EXPECT_EQ(VisibleForms(m, h), std::set<std::string>{"BoostForm"});
    m.SelectMenu(h, 0);
    m.SelectMenu(h, 1);
    EXPECT_EQ(VisibleForms(m, h), (std::set<std::string>{"BoostForm", "Digital Control", "Limiter / AGC"}));
    HideAll(m, h);
}

TEST(Exports, ShowDialogMatchesNamesInAnyCaseAndAlwaysReturnsZero) {
    Module m;
    QM7140Instance h = m.New();
    for (const char* miss : {"Digital Control", "", "Boost ", "Boos", "BoostForm", "Limiter...", static_cast<const char*>(nullptr)}) {
        EXPECT_EQ(m.ShowDialog(h, miss, 0, 0, nullptr), 0);
        EXPECT_TRUE(VisibleForms(m, h).empty()) << (miss ? miss : "null");
    }
    const std::pair<const char*, const char*> hits[] = {
        {"boost", "BoostForm"}, {"BOOST", "BoostForm"}, {"bOoSt", "BoostForm"}, {"limiter", "Limiter / AGC"},
        {"LIMITER", "Limiter / AGC"}, {"digitalcontrol", "Digital Control"}, {"DIGITALCONTROL", "Digital Control"},
        {"DigitalControl", "Digital Control"}};
    for (auto [name, caption] : hits) {
        EXPECT_EQ(m.ShowDialog(h, name, 1, 2, nullptr), 0);
        EXPECT_EQ(VisibleForms(m, h), std::set<std::string>{caption}) << name;
        HideAll(m, h);
    }
}

// A host's stale second free, or any call on a handle it never had, hits nothing.
TEST(Exports, HandlesThatAreNotLiveInstancesAreRefused) {
    Module m;
    QM7140Instance freed = m.New();
    QM7140Instance live = m.New();
    m.FreeCodecInstance(freed);
    int foreign = 0;
    for (QM7140Instance bad : {freed, static_cast<QM7140Instance>(&foreign), static_cast<QM7140Instance>(nullptr)}) {
        m.FreeCodecInstance(bad);  // a double free would be reported by the sanitizer build
        EXPECT_EQ(m.GetI2CObject(bad, 0), nullptr);
        m.SelectMenu(bad, 2);
        EXPECT_EQ(m.ShowDialog(bad, "Boost", 0, 0, nullptr), 0);
        m.SetCodecName(bad, "x");
    }
    EXPECT_EQ(foreign, 0);
    EXPECT_TRUE(VisibleForms(m, live).empty());
    EXPECT_NE(m.GetI2CObject(live, 2), nullptr);
}

TEST(Exports, CodecNameIsABoundedCopy) {
    Module m;
    QM7140Instance h = m.New();
    auto* name = reinterpret_cast<const char*>(static_cast<void**>(h) + 3);
    m.SetCodecName(h, std::string(300, 'x').c_str());
    EXPECT_EQ(std::string(name, 256), std::string(256, 'x'));
    m.SetCodecName(h, "QM7140 left");
    EXPECT_STREQ(name, "QM7140 left");
    for (int i = 11; i < 256; ++i) ASSERT_EQ(name[i], 0) << i;
    m.SetCodecName(h, nullptr);
    for (int i = 0; i < 256; ++i) ASSERT_EQ(name[i], 0) << i;
    m.SetSampleRate(48000);
}

}  // namespace
