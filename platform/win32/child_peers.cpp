#include "platform/win32/child_peers.h"

#include "platform/win32/module_instance.h"
#include "platform/win32/text.h"

namespace platform::win32 {

HWND CreateChild(const wchar_t* windowClass, DWORD style, DWORD exStyle, const Control& control,
                 std::string_view text, const ChildSite& site) {
    return CreateChild(windowClass, style, exStyle, control.Bounds, text, site);
}

HWND CreateChild(const wchar_t* windowClass, DWORD style, DWORD exStyle, const Rect& r, std::string_view text,
                 const ChildSite& site) {
    HWND window = CreateWindowExW(exStyle, windowClass, Widen(text).c_str(), WS_CHILD | WS_VISIBLE | style, r.Left,
                                  r.Top, r.Width, r.Height, site.parent,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(site.id)), ModuleInstance(), nullptr);
    if (window != nullptr) SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(site.font), FALSE);
    return window;
}

std::unique_ptr<NativePeer> CreateChildPeer(Control& control, const ChildSite& site) {
    switch (control.kind()) {
    case Kind::CheckBox: return CreateCheckBoxPeer(static_cast<CheckBox&>(control), site);
    case Kind::ComboBox: return CreateComboBoxPeer(static_cast<ComboBox&>(control), site);
    case Kind::RadioGroup: return CreateRadioGroupPeer(static_cast<RadioGroup&>(control), site);
    case Kind::Edit: return CreateEditPeer(static_cast<Edit&>(control), site);
    case Kind::Button: return CreateButtonPeer(static_cast<Button&>(control), site);
    case Kind::Label: return CreateLabelPeer(static_cast<Label&>(control), site);
    case Kind::GroupBox: return CreateGroupBoxPeer(static_cast<GroupBox&>(control), site);
    case Kind::TrackBar: return CreateTrackBarPeer(static_cast<TrackBar&>(control), site);
    case Kind::PaintBox: return CreatePaintBoxPeer(static_cast<PaintBox&>(control), site);
    case Kind::Form: break;
    }
    return nullptr;
}

}  // namespace platform::win32
