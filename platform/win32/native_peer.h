// A native window that mirrors one model control. The peer subclasses its window with one
// procedure for every kind: a container (form, group box) routes its children's
// notifications to their peers, and a window destroyed under the peer is noticed.
#pragma once

#include "platform/controls.h"

#include <windows.h>

#include <string>

namespace platform::win32 {

class NativePeer : public Peer {
public:
    // Takes over a freshly created window.
    explicit NativePeer(HWND window);
    ~NativePeer() override { Destroy(); }
    NativePeer(const NativePeer&) = delete;
    NativePeer& operator=(const NativePeer&) = delete;

    // Null once the window is gone (a parent destroyed it first).
    HWND Window() const { return window_; }
    // The peer of one of this thread's windows, or null.
    static NativePeer* Of(HWND window);

    // What the control reports to its container, as the user's doing: WM_COMMAND codes,
    // WM_HSCROLL / WM_VSCROLL requests, WM_NOTIFY (true when it answered).
    virtual void Command(WORD) {}
    virtual void Scroll(WORD) {}
    virtual bool Notify(const NMHDR&, LRESULT&) { return false; }
    // The control whose form hears that the focus arrived when this window takes it; null
    // for windows the user cannot focus.
    virtual Control* FocusControl() { return nullptr; }

protected:
    // A message to this window itself, before its native procedure; true when handled.
    virtual bool Message(UINT, WPARAM, LPARAM, LRESULT&) { return false; }
    LRESULT CallNative(UINT msg, WPARAM wParam, LPARAM lParam);
    // Model to native. Whatever the control reports while it obeys is not the user's doing
    // and is not routed back to the model.
    LRESULT Send(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
    // Only when it differs: rewriting an edit's own text would move the caret.
    void SetText(const std::string& text);
    // Now rather than in ~NativePeer, for a peer whose members must outlive the window.
    void Destroy();
    // For a part of the control that takes the focus in its stead (a combo box's field).
    void ReportFocus();

private:
    friend LRESULT PeerProc(HWND, UINT, WPARAM, LPARAM);
    friend BOOL CALLBACK ReleaseChild(HWND, LPARAM) noexcept;
    // Gives the window back its own procedure and forgets it; it tells this peer nothing more.
    void Release();

    HWND window_;
    WNDPROC native_ = nullptr;
    int quiet_ = 0;
};

}  // namespace platform::win32
