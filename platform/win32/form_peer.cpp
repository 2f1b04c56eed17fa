#include "platform/win32/form_peer.h"

#include "platform/win32/module_instance.h"
#include "platform/win32/text.h"
#include "platform/win32/window_class.h"

namespace platform::win32 {

namespace {

constexpr const wchar_t* kFormClass = L"QM7140Form";
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPSIBLINGS;
constexpr DWORD kExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_CONTROLPARENT;

HFONT CreateFormFont(const Form& form) {
    LOGFONTW font{};
    font.lfHeight = -form.FontHeight;  // character height, as the framework counts it
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfOutPrecision = OUT_DEFAULT_PRECIS;
    font.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    font.lfQuality = DEFAULT_QUALITY;
    font.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
    const std::wstring face = Widen(form.FontName);
    face.copy(font.lfFaceName, LF_FACESIZE - 1);
    return CreateFontIndirectW(&font);
}

}  // namespace

std::unique_ptr<FormPeer> FormPeer::Create(Form& form) {
    static const WindowClass formClass(kFormClass, CS_DBLCLKS,
                                       reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1)));
    RECT frame{0, 0, form.Bounds.Width, form.Bounds.Height};
    AdjustWindowRectEx(&frame, kStyle, FALSE, kExStyle);
    int x = CW_USEDEFAULT, y = CW_USEDEFAULT;
    if (form.DesignedPosition) {
        x = form.DesignedPosition->X;
        y = form.DesignedPosition->Y;
    }
    HWND window = CreateWindowExW(kExStyle, kFormClass, Widen(form.Caption()).c_str(), kStyle, x, y,
                                  frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                                  ModuleInstance(), nullptr);
    if (window == nullptr) return nullptr;
    return std::unique_ptr<FormPeer>(new FormPeer(form, window, CreateFormFont(form)));
}

FormPeer::~FormPeer() {
    // The window goes before the font its controls still hold.
    Destroy();
    if (font_ != nullptr) DeleteObject(font_);
}

void FormPeer::Update(Change what) {
    HWND window = Window();
    if (window == nullptr) return;
    switch (what) {
    case Change::Caption: SetText(form_.Caption()); break;
    case Change::Visible: ShowWindow(window, form_.Visible() ? SW_SHOW : SW_HIDE); break;
    case Change::BringToFront:
        SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        SetForegroundWindow(window);
        break;
    default: break;
    }
}

bool FormPeer::Message(UINT msg, WPARAM wParam, LPARAM, LRESULT& result) {
    HWND window = Window();
    switch (msg) {
    case WM_CLOSE:
        // Never destroyed by the user: the form and its state stay until the model goes.
        form_.userClose();
        result = 0;
        return true;
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE) {
            HWND focus = GetFocus();
            if (focus != nullptr && IsChild(window, focus)) lastFocus_ = focus;
            form_.userDeactivate();
        } else {
            form_.userActivate();
        }
        return false;
    case WM_SETFOCUS: {
        // As a dialog does: the focus goes back to the control that had it, or else to the
        // first control in tab order.
        HWND target = lastFocus_ != nullptr && IsChild(window, lastFocus_) ? lastFocus_ : GetNextDlgTabItem(window, nullptr, FALSE);
        if (target != nullptr && target != window) SetFocus(target);
        result = 0;
        return true;
    }
    default: return false;
    }
}

}  // namespace platform::win32
