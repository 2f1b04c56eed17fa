// A dialog of the loaded DLL, connected as a host connects it, its real window found on the
// screen and driven with the messages a user's actions produce.
#pragma once

#include "instance_test.h"
#include "screen.h"
#include "test_host.h"

#include <gtest/gtest.h>

#include <string>

class DialogTest : public InstanceTest {
protected:
    DialogTest(int32_t dialog, const wchar_t* caption) : dialog_(dialog), caption_(caption) {}

    void SetUp() override {
        InstanceTest::SetUp();
        if (HasFatalFailure()) return;
        window = module.GetI2CObject(instance, dialog_);
        ASSERT_NE(window, nullptr);
        host.Connect(*window);
        form = FindForm(caption_);
        // A display belongs to this test's set-up: without one it fails, it does not skip.
        ASSERT_NE(form, nullptr) << "the dialog has no window (no display?)";
    }
    void Show() {
        module.SelectMenu(instance, dialog_);
        Pump();
    }
    void Notify(uint32_t reg) {
        NotifyChanged(window, 128, 0, reg);
        Pump();
    }
    HWND Find(HWND in, const wchar_t* windowClass, const wchar_t* text) const {
        HWND control = FindControl(in, windowClass, text);
        EXPECT_NE(control, nullptr) << "no control " << std::string(text, text + wcslen(text));
        return control;
    }
    // Controls without a caption, by their place in their parent.
    static HWND ChildAt(HWND parent, int left, int top) {
        for (HWND child : ChildrenOf(parent))
            if (const Placement at = PlacementOf(child); at.left == left && at.top == top) return child;
        ADD_FAILURE() << "nothing at " << left << "," << top;
        return nullptr;
    }
    // The user replaces an edit's text, key by key.
    static void Type(HWND edit, const std::wstring& text) {
        SetFocus(edit);
        SendMessageW(edit, EM_SETSEL, 0, -1);
        SendMessageW(edit, WM_CLEAR, 0, 0);
        for (wchar_t key : text) SendMessageW(edit, WM_CHAR, key, 1);
        Pump();
    }
    static bool Checked(HWND button) { return SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED; }
    BusWrite Write(uint32_t reg, uint8_t cached) const { return {128, 0, reg, 1, cached, host.Context()}; }

    // The width of a text (the window's own by default) as drawn in the window's font on one line.
    static int ShownWidth(HWND window, const std::wstring& text = {}, UINT format = 0) {
        HDC dc = GetDC(window);
        HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(window, WM_GETFONT, 0, 0)));
        RECT needed{};
        DrawTextW(dc, (text.empty() ? TextOf(window) : text).c_str(), -1, &needed, DT_CALCRECT | DT_SINGLELINE | format);
        SelectObject(dc, old);
        ReleaseDC(window, dc);
        return static_cast<int>(needed.right);
    }
    // Labels neither wrap nor clip their text in the form's font.
    void ExpectLabelsFit() const {
        for (HWND label : DescendantsOf(form)) {
            if (lstrcmpiW(ClassOf(label).c_str(), L"Static") != 0) continue;
            RECT r;
            GetClientRect(label, &r);
            EXPECT_LE(ShownWidth(label), r.right) << TextOf(label).size();
        }
    }

    TestHost host;
    QM7140RegisterWindow* window = nullptr;
    HWND form = nullptr;

private:
    int32_t dialog_;
    const wchar_t* caption_;
};
