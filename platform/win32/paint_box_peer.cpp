#include "platform/win32/child_peers.h"

#include "platform/no_throw.h"
#include "platform/win32/gdi_canvas.h"
#include "platform/win32/window_class.h"

namespace platform::win32 {

namespace {

constexpr const wchar_t* kPaintBoxClass = L"QM7140PaintBox";
constexpr WPARAM kAnyButton = MK_LBUTTON | MK_RBUTTON | MK_MBUTTON;

// Client coordinates are signed: a captured pointer may be left of or above the box.
int PointerX(LPARAM lParam) { return static_cast<short>(LOWORD(lParam)); }
int PointerY(LPARAM lParam) { return static_cast<short>(HIWORD(lParam)); }

// A bitmap the size of the client area in a memory context, kept from paint to paint (a
// drag repaints on every mouse move) and made anew when the size changes.
class OffScreen {
public:
    OffScreen() = default;
    ~OffScreen() { Drop(); }
    OffScreen(const OffScreen&) = delete;
    OffScreen& operator=(const OffScreen&) = delete;

    // Null when the context or the bitmap could not be made.
    HDC For(HDC screen, int width, int height) {
        if (dc_ != nullptr && width == width_ && height == height_) return dc_;
        Drop();
        HDC dc = CreateCompatibleDC(screen);
        bitmap_ = CreateCompatibleBitmap(screen, width, height);
        if (dc == nullptr || bitmap_ == nullptr) {
            if (dc != nullptr) DeleteDC(dc);
            Drop();
            return nullptr;
        }
        old_ = SelectObject(dc, bitmap_);
        dc_ = dc;
        width_ = width;
        height_ = height;
        return dc_;
    }

private:
    void Drop() {
        if (dc_ != nullptr) {
            SelectObject(dc_, old_);
            DeleteDC(dc_);
        }
        if (bitmap_ != nullptr) DeleteObject(bitmap_);
        dc_ = nullptr;
        bitmap_ = nullptr;
        old_ = nullptr;
    }

    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
    int width_ = 0, height_ = 0;
};

// A window of its own for the box: the model paints the whole client area into a bitmap
// that goes to the screen in one piece, so a drag never shows a half-drawn picture.
class PaintBoxPeer final : public NativePeer {
public:
    PaintBoxPeer(PaintBox& box, HWND window) : NativePeer(window), box_(box) {}

    // Painted before the model's handler returns.
    void Update(Change what) override {
        HWND window = Window();
        if (what != Change::Repaint || window == nullptr) return;
        FollowBounds();
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    }

protected:
    bool Message(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
        result = 0;
        switch (msg) {
        case WM_ERASEBKGND: result = 1; return true;  // the paint covers every pixel
        case WM_PAINT: Paint(); return true;
        case WM_SIZE: Resized(LOWORD(lParam), HIWORD(lParam)); return true;
        case WM_LBUTTONDOWN: Press(MouseButton::Left, lParam); return true;
        case WM_RBUTTONDOWN: Press(MouseButton::Right, lParam); return true;
        case WM_MBUTTONDOWN: Press(MouseButton::Middle, lParam); return true;
        case WM_LBUTTONUP: Release(MouseButton::Left, wParam, lParam); return true;
        case WM_RBUTTONUP: Release(MouseButton::Right, wParam, lParam); return true;
        case WM_MBUTTONUP: Release(MouseButton::Middle, wParam, lParam); return true;
        case WM_MOUSEMOVE:
            last_ = lParam;
            box_.userMouseMove(PointerX(lParam), PointerY(lParam));
            return true;
        case WM_CAPTURECHANGED:
            if (reinterpret_cast<HWND>(lParam) != Window()) CaptureLost();
            return true;
        default: return false;
        }
    }

private:
    void Paint() {
        HWND window = Window();
        PAINTSTRUCT ps;
        HDC screen = BeginPaint(window, &ps);
        RECT client;
        GetClientRect(window, &client);
        if (HDC dc = buffer_.For(screen, client.right, client.bottom)) {
            // A painter that fails still ends the paint: an update region left behind would
            // bring the same paint back for ever. Whatever it drew goes to the screen.
            NoThrow([&] {
                GdiCanvas canvas(dc);
                box_.PaintOn(canvas);
            });
            BitBlt(screen, 0, 0, client.right, client.bottom, dc, 0, 0, SRCCOPY);
        }
        EndPaint(window, &ps);
    }

    // Resized by someone else (the host moving our windows about): the model takes the size
    // and moves what it placed by pixels. A size that only follows the model reports nothing.
    void Resized(int width, int height) {
        if (width == box_.Bounds.Width && height == box_.Bounds.Height) return;
        box_.userResize(width, height);
    }

    // The box keeps the mouse from a press until no button is down any more.
    void Press(MouseButton button, LPARAM lParam) {
        SetCapture(Window());
        captured_ = true;
        pressed_ = button;
        last_ = lParam;
        box_.userMouseDown(button, PointerX(lParam), PointerY(lParam));
    }
    void Release(MouseButton button, WPARAM stillDown, LPARAM lParam) {
        last_ = lParam;
        if ((stillDown & kAnyButton) == 0 && captured_) {
            captured_ = false;
            ReleaseCapture();
        }
        box_.userMouseUp(button, PointerX(lParam), PointerY(lParam));
    }
    // Taken away mid-press (another window grabbed the mouse, the system cancelled the
    // mode): the release will never reach the box, so a drag would run on under a pointer
    // with no button down. The press ends where the pointer was last seen.
    void CaptureLost() {
        if (!captured_) return;
        captured_ = false;
        box_.userMouseUp(pressed_, PointerX(last_), PointerY(last_));
    }

    // The model's geometry, should its handler have moved or resized the box.
    void FollowBounds() {
        const Rect& r = box_.Bounds;
        RECT shown;
        GetWindowRect(Window(), &shown);
        MapWindowPoints(nullptr, GetParent(Window()), reinterpret_cast<POINT*>(&shown), 2);
        if (shown.left == r.Left && shown.top == r.Top && shown.right - shown.left == r.Width &&
            shown.bottom - shown.top == r.Height)
            return;
        SetWindowPos(Window(), nullptr, r.Left, r.Top, r.Width, r.Height, SWP_NOZORDER | SWP_NOACTIVATE);
    }

    PaintBox& box_;
    OffScreen buffer_;
    bool captured_ = false;
    MouseButton pressed_ = MouseButton::Left;
    LPARAM last_ = 0;
};

}  // namespace

std::unique_ptr<NativePeer> CreatePaintBoxPeer(PaintBox& box, const ChildSite& site) {
    static const WindowClass paintBoxClass(kPaintBoxClass, 0, nullptr);
    HWND window = CreateChild(kPaintBoxClass, 0, 0, box, "", site);
    if (window == nullptr) return nullptr;
    return std::make_unique<PaintBoxPeer>(box, window);
}

}  // namespace platform::win32
