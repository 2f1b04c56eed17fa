// Peers for the controls inside a form, each on the standard Win32 class of its kind so
// that keyboard navigation, UI automation and accessibility tools know them.
#pragma once

#include "platform/win32/native_peer.h"

#include <memory>
#include <string_view>

namespace platform::win32 {

// Where a child window goes: its container's window, the form's font, its control id.
struct ChildSite {
    HWND parent;
    HFONT font;
    int id;
};

// Visible, at the control's geometry within its container, in the form's font; null when
// the window cannot be created.
HWND CreateChild(const wchar_t* windowClass, DWORD style, DWORD exStyle, const Control& control,
                 std::string_view text, const ChildSite& site);
// The same at a place of the peer's choosing, for the parts of a control.
HWND CreateChild(const wchar_t* windowClass, DWORD style, DWORD exStyle, const Rect& at, std::string_view text,
                 const ChildSite& site);

// Null for a kind that has no native peer, or when its window cannot be created.
std::unique_ptr<NativePeer> CreateChildPeer(Control& control, const ChildSite& site);

std::unique_ptr<NativePeer> CreateCheckBoxPeer(CheckBox& box, const ChildSite& site);
std::unique_ptr<NativePeer> CreateComboBoxPeer(ComboBox& combo, const ChildSite& site);
std::unique_ptr<NativePeer> CreateRadioGroupPeer(RadioGroup& group, const ChildSite& site);
std::unique_ptr<NativePeer> CreateEditPeer(Edit& edit, const ChildSite& site);
std::unique_ptr<NativePeer> CreateButtonPeer(Button& button, const ChildSite& site);
std::unique_ptr<NativePeer> CreateLabelPeer(Label& label, const ChildSite& site);
std::unique_ptr<NativePeer> CreateGroupBoxPeer(GroupBox& group, const ChildSite& site);
std::unique_ptr<NativePeer> CreateTrackBarPeer(TrackBar& bar, const ChildSite& site);
std::unique_ptr<NativePeer> CreatePaintBoxPeer(PaintBox& box, const ChildSite& site);

}  // namespace platform::win32
