// The devices drawn as the host's own graph objects, one rounded rectangle each, in a strip
// across the top of the host's window. A click picks a device; a double-click opens its
// Digital Control dialog linked to its figure, which the dialog then highlights while it is
// the active window: the module starts the figure's animation and the strip fades it. From
// the keyboard, the arrows pick and Enter or Space opens; an offline chip's figure is drawn
// dashed and grey.
#pragma once

#include "host/common/module/graph_object.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace winhost {

// The host's rectangle comes first, so the pointer the module holds is the figure's too.
struct DeviceFigure {
    host::GraphRectangle shape;
    HWND strip;  // draws the figure and runs its fade timer; null until it is placed
};

// Colours of a figure, 0x00BBGGRR: at rest, picked as the current device, and fully
// highlighted.
constexpr QM7140Color kFigureColor = 0x00805030;
constexpr QM7140Color kFigurePicked = 0x00301808;
constexpr QM7140Color kFigureHighlight = 0x0000A5FF;

// A figure whose StartAnimation also starts its strip's fade timer.
DeviceFigure MakeFigure();

class FigureStrip {
public:
    struct Events {
        std::function<void(int device)> pick;
        std::function<void(int device)> open;
    };
    FigureStrip(HWND parent, Events events);
    ~FigureStrip();
    FigureStrip(const FigureStrip&) = delete;
    FigureStrip& operator=(const FigureStrip&) = delete;

    HWND Window() const { return window_; }
    // The figures it draws (the host keeps them); each is placed and given the strip.
    void SetFigures(std::vector<DeviceFigure*> figures);
    void SetCurrent(int device);
    // What each figure says under its name ("at 0x40"), and whether its chip answers.
    struct Label {
        std::wstring where;
        bool online = true;
    };
    void SetLabels(std::vector<Label> labels);
    // How large the figures may grow: the window's DPI over 96.
    void SetScale(float most);

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);
    void Place();
    void Paint(HDC dc);
    int FigureAt(LPARAM point) const;
    void Fade();

    Events events_;
    HWND window_ = nullptr;
    std::vector<DeviceFigure*> figures_;
    std::vector<Label> labels_;
    float most_ = 1.0f;
    int current_ = 0;
};

}  // namespace winhost
