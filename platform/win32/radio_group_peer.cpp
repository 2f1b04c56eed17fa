#include "platform/win32/child_peers.h"

#include <algorithm>
#include <vector>

namespace platform::win32 {

namespace {

// One button of a group: a click picks its item, and the focus on it is on the group.
class RadioButtonPeer final : public NativePeer {
public:
    RadioButtonPeer(RadioGroup& group, int index, HWND window) : NativePeer(window), group_(group), index_(index) {}

    void Update(Change) override {}
    void Command(WORD code) override {
        if (code == BN_CLICKED) group_.userSelect(index_);
    }
    Control* FocusControl() override { return &group_; }

    // Every button is told, checked or not: the system moves a radio button's tab stop with
    // its check, so a group with none checked is no tab stop at all. A dialog's first focus
    // or a tab landing on an unchecked button would otherwise select it by itself.
    void ShowChecked(bool checked) { Send(BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED); }

private:
    RadioGroup& group_;
    int index_;
};

int TextHeight(HFONT font) {
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return static_cast<int>(metrics.tmHeight);
}

// A frame with a radio button per item, laid out in columns as the framework does it.
class RadioGroupPeer final : public NativePeer {
public:
    RadioGroupPeer(RadioGroup& group, HWND frame, HFONT font) : NativePeer(frame), group_(group), font_(font) {
        MakeButtons();
    }

    void Update(Change what) override {
        switch (what) {
        case Change::Caption: SetText(group_.Caption()); break;
        case Change::Items: MakeButtons(); break;
        case Change::ItemIndex: ShowChecked(); break;
        default: break;
        }
    }

private:
    void MakeButtons() {
        buttons_.clear();
        HWND frame = Window();
        const int count = static_cast<int>(group_.Items().size());
        if (frame == nullptr || count == 0) return;
        const int columns = std::max(1, group_.Columns);
        const int perColumn = (count + columns - 1) / columns;
        const int width = (group_.Bounds.Width - 10) / columns;
        const int fontHeight = TextHeight(font_);
        const int room = group_.Bounds.Height - fontHeight - 5;
        const int height = room / perColumn;
        const int top = fontHeight + 1 + (room % perColumn) / 2;
        for (int i = 0; i < count; ++i) {
            const Rect at{(i / perColumn) * width + 8, (i % perColumn) * height + top, width, height};
            const DWORD style = BS_AUTORADIOBUTTON | (i == 0 ? WS_GROUP | WS_TABSTOP : 0);
            HWND button = CreateChild(L"BUTTON", style, 0, at, group_.Items()[static_cast<size_t>(i)],
                                      {frame, font_, i + 1});
            if (button != nullptr) buttons_.push_back(std::make_unique<RadioButtonPeer>(group_, i, button));
        }
        ShowChecked();
    }
    void ShowChecked() {
        for (size_t i = 0; i < buttons_.size(); ++i) buttons_[i]->ShowChecked(static_cast<int>(i) == group_.ItemIndex());
    }

    RadioGroup& group_;
    HFONT font_;
    std::vector<std::unique_ptr<RadioButtonPeer>> buttons_;
};

}  // namespace

std::unique_ptr<NativePeer> CreateRadioGroupPeer(RadioGroup& group, const ChildSite& site) {
    // Like a group box, a real parent: the dialog manager's tab walk goes into it.
    HWND frame = CreateChild(L"BUTTON", BS_GROUPBOX, WS_EX_CONTROLPARENT, group, group.Caption(), site);
    if (frame == nullptr) return nullptr;
    return std::make_unique<RadioGroupPeer>(group, frame, site.font);
}

}  // namespace platform::win32
