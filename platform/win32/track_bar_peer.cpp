#include "platform/win32/child_peers.h"

#include <commctrl.h>

namespace platform::win32 {

namespace {

// The common controls register their classes on request; once per process is enough, and
// never from the load routine, where the loader lock is held.
bool BarClassesReady() {
    static const bool ready = [] {
        INITCOMMONCONTROLSEX classes{sizeof classes, ICC_BAR_CLASSES};
        return InitCommonControlsEx(&classes) != FALSE;
    }();
    return ready;
}

class TrackBarPeer final : public NativePeer {
public:
    TrackBarPeer(TrackBar& bar, HWND window) : NativePeer(window), bar_(bar) { ShowRange(); }

    void Update(Change what) override {
        if (what == Change::Range) ShowRange();
        if (what == Change::Position) ShowPosition();
    }
    // Every request (a key, a click on the channel, the thumb dragged or let go) has moved
    // the native thumb already; the model fires only when the position really changed.
    void Scroll(WORD) override { bar_.userSetPosition(static_cast<int>(Send(TBM_GETPOS))); }
    Control* FocusControl() override { return &bar_; }

private:
    // A new range may have clamped the position without the model reporting it.
    void ShowRange() {
        Send(TBM_SETRANGEMIN, FALSE, bar_.Min());
        Send(TBM_SETRANGEMAX, TRUE, bar_.Max());
        ShowPosition();
    }
    void ShowPosition() { Send(TBM_SETPOS, TRUE, bar_.Position()); }

    TrackBar& bar_;
};

}  // namespace

std::unique_ptr<NativePeer> CreateTrackBarPeer(TrackBar& bar, const ChildSite& site) {
    if (!BarClassesReady()) return nullptr;
    HWND window = CreateChild(TRACKBAR_CLASSW, TBS_HORZ | TBS_TOP | TBS_AUTOTICKS | WS_TABSTOP, 0, bar, "", site);
    if (window == nullptr) return nullptr;
    return std::make_unique<TrackBarPeer>(bar, window);
}

}  // namespace platform::win32
