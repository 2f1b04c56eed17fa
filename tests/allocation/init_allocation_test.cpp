// Allocation failures inside the module, in an executable of their own: it replaces the
// process's operator new, which no other test should run under.
#include "host/common/module/module.h"

#include <qm7140/plugin.h>
#include <qm7140/ui.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <string>

// Every allocation of the process goes through here; a test can make the n-th one fail.
namespace failing_new {
long budget = -1;
}

void* operator new(std::size_t size) {
    if (failing_new::budget == 0) throw std::bad_alloc();
    if (failing_new::budget > 0) --failing_new::budget;
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
// Also the forms that report failure as null (a stable sort's buffer, say): left to the
// runtime, they would hand out memory that the replacement delete cannot take back.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return operator new(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
// The replacement pair is malloc/free by design.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
#pragma GCC diagnostic pop

namespace {

TEST(Exports, AllocationFailureInInitReturnsNullAndLeavesTheTable) {
    host::Module m(QM7140_LIBRARY);
    int failures = 0;
    for (long budget = 0;; ++budget) {
        failing_new::budget = budget;
        QM7140Instance h = m.Init(0, 0, 0, 0);
        failing_new::budget = -1;
        if (h != nullptr) {
            m.FreeCodecInstance(h);
            break;
        }
        ++failures;  // anything half-built and left alive shows as a leak in the sanitizer build
    }
    EXPECT_GT(failures, 10);
    // The failed attempts took no slots: fifteen more fit after the one that succeeded.
    for (int i = 0; i < 15; ++i) EXPECT_NE(m.Init(0, 0, 0, 0), nullptr) << i;
    EXPECT_EQ(m.Init(0, 0, 0, 0), nullptr);
}

// Typing into an edit takes the keys whole or not at all: wherever memory runs out, the text
// is as it was, so a host that retries does not find half of its number already typed.
TEST(UiSeam, TypeIntoAnEditFailsWithNothingTyped) {
    host::Module m(QM7140_LIBRARY);
    QM7140Instance h = m.Init(0, 0, 0, 0);
    ASSERT_NE(h, nullptr);
    m.SelectMenu(h, QM7140_DIALOG_LIMITER);
    int32_t slope = -1;
    ASSERT_EQ(m.Ui.find(h, QM7140_DIALOG_LIMITER, "Slope", &slope), QM7140_UI_OK);
    const auto text = [&] {
        QM7140UiControl c{.size = sizeof c};
        EXPECT_EQ(m.Ui.control(h, QM7140_DIALOG_LIMITER, slope, &c), QM7140_UI_OK);
        return std::string(c.text);
    };
    const std::string before = text();
    const std::string keys(64, '7');
    int failures = 0;
    for (long budget = 0;; ++budget) {
        failing_new::budget = budget;
        const QM7140UiStatus status = m.Ui.type(h, QM7140_DIALOG_LIMITER, slope, keys.c_str());
        failing_new::budget = -1;
        if (status == QM7140_UI_OK) break;
        ASSERT_EQ(status, QM7140_UI_ERR_FAILED);
        ASSERT_EQ(text(), before) << "budget " << budget;
        ++failures;
    }
    EXPECT_GT(failures, 0);
    EXPECT_EQ(text(), before + keys);
    m.FreeCodecInstance(h);
}

}  // namespace
