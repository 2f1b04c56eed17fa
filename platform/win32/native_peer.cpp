#include "platform/win32/native_peer.h"

#include "platform/form.h"
#include "platform/no_throw.h"
#include "platform/win32/text.h"

#include <unordered_map>

namespace platform::win32 {

namespace {

// Which peer owns which window. A table of our own rather than a window property: every
// message to one of our windows looks its peer up, and under Wine a property read is a round
// trip to the window server. The unload routine destroys every form before statics go.
std::unordered_map<HWND, NativePeer*>& Peers() {
    static std::unordered_map<HWND, NativePeer*> peers;
    return peers;
}

// Static labels, check boxes and group boxes ask their container how to paint their
// background: the form's button face, not the white of a plain window.
LRESULT ButtonFace(HDC dc) {
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
}

}  // namespace

BOOL CALLBACK ReleaseChild(HWND child, LPARAM) noexcept {
    if (NativePeer* peer = NativePeer::Of(child)) peer->Release();
    return TRUE;
}

// Every peer's window runs this. A container hands its children's notifications to their
// peers (dropped while the child obeys the model); anything else goes to the peer's own
// Message, then to the window's native procedure.
LRESULT PeerProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    NativePeer* self = NativePeer::Of(window);
    if (self == nullptr) return DefWindowProcW(window, msg, wParam, lParam);
    // A model event handler may take the peer down; the native procedure outlives it.
    const WNDPROC native = self->native_;
    switch (msg) {
    case WM_COMMAND:
        if (NativePeer* child = NativePeer::Of(reinterpret_cast<HWND>(lParam))) {
            if (child->quiet_ == 0) child->Command(HIWORD(wParam));
            return 0;
        }
        break;
    case WM_HSCROLL:
    case WM_VSCROLL:
        if (NativePeer* child = NativePeer::Of(reinterpret_cast<HWND>(lParam))) {
            if (child->quiet_ == 0) child->Scroll(LOWORD(wParam));
            return 0;
        }
        break;
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        NativePeer* child = header != nullptr ? NativePeer::Of(header->hwndFrom) : nullptr;
        LRESULT result = 0;
        if (child != nullptr && child->quiet_ == 0 && child->Notify(*header, result)) return result;
        break;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        if (NativePeer::Of(reinterpret_cast<HWND>(lParam)) != nullptr) return ButtonFace(reinterpret_cast<HDC>(wParam));
        break;
    case WM_SETFOCUS: self->ReportFocus(); break;
    case WM_NCDESTROY:
        // Destroyed with a parent before the peer let go: the peer lives on without a window.
        self->Release();
        return CallWindowProcW(native, window, msg, wParam, lParam);
    default: break;
    }
    LRESULT result = 0;
    if (self->Message(msg, wParam, lParam, result)) return result;
    return CallWindowProcW(native, window, msg, wParam, lParam);
}

namespace {

// The system calls this, so no exception may leave it: a message whose handling failed is
// dropped, as one the window ignored.
LRESULT CALLBACK GuardedPeerProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
    return NoThrow(LRESULT{0}, [&] { return PeerProc(window, msg, wParam, lParam); });
}

}  // namespace

NativePeer::NativePeer(HWND window) : window_(window) {
    Peers()[window] = this;
    native_ = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&GuardedPeerProc)));
}

NativePeer* NativePeer::Of(HWND window) {
    // Notifications carry window handles from anywhere; only this thread's windows are ours.
    if (window == nullptr || GetWindowThreadProcessId(window, nullptr) != GetCurrentThreadId()) return nullptr;
    const auto found = Peers().find(window);
    return found != Peers().end() ? found->second : nullptr;
}

LRESULT NativePeer::CallNative(UINT msg, WPARAM wParam, LPARAM lParam) {
    return CallWindowProcW(native_, window_, msg, wParam, lParam);
}

LRESULT NativePeer::Send(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (window_ == nullptr) return 0;
    ++quiet_;
    const LRESULT result = SendMessageW(window_, msg, wParam, lParam);
    --quiet_;
    return result;
}

void NativePeer::SetText(const std::string& text) {
    if (window_ == nullptr || WindowText(window_) == text) return;
    Send(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Widen(text).c_str()));
}

void NativePeer::ReportFocus() {
    Control* control = FocusControl();
    Form* form = control != nullptr ? control->OwnerForm() : nullptr;
    if (form != nullptr) form->userFocus(control);
}

void NativePeer::Release() {
    if (window_ == nullptr) return;
    SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(native_));
    Peers().erase(window_);
    window_ = nullptr;
}

void NativePeer::Destroy() {
    HWND window = window_;
    if (window == nullptr) return;
    // Nothing the windows say while they go may reach the model, which is being torn down:
    // the children's peers let go first (whichever order the model destroys peers in).
    EnumChildWindows(window, &ReleaseChild, 0);
    Release();
    DestroyWindow(window);
}

}  // namespace platform::win32
