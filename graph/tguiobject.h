// Retained graph objects: model points placed on the screen, hit tests, pointer tracking,
// selection and a fade state. The host builds objects of its own with this exact layout and
// operation order (include/qm7140/graph.h) and hands them to the module, so every field
// keeps its place and width and the 25 virtual slots are cdecl, in order, with no C++
// destructor among them: slot 0 is Destroy. Every slot is noexcept, as code that is not
// ours calls them: only drawing can fail, and Draw keeps its failure to itself.
#pragma once

#include <qm7140/graph.h>

#include <cstdint>
#include <string_view>

namespace platform {
class Canvas;
}
class TAnimationTimer;
class TGUIObject;

using TColor = QM7140Color;
using TGUIPoint = QM7140GraphPoint;
using TGUILink = QM7140GraphLink;
using TGUIRect = QM7140GraphRect;
using TGUINotifyProc = void (QM7140_CDECL*)(void* context, TGUIObject* sender, int32_t event);

// A pointer-sized 8-bit string owned by its object; null is the empty string.
class Text8 {
public:
    Text8() = default;
    Text8(const Text8&) = delete;
    Text8& operator=(const Text8&) = delete;
    ~Text8() { Release(); }

    void Assign(std::string_view text);
    std::string_view View() const { return chars_ != nullptr ? chars_ : ""; }
    void Release();

private:
    char* chars_ = nullptr;
};

class TGUIObject {
public:
    static constexpr uint32_t MaxItems = 16;  // points, sources, dependents, links

    TGUIObject(uint32_t penWidth, TColor color);
    TGUIObject(const TGUIObject&) = delete;
    TGUIObject& operator=(const TGUIObject&) = delete;

    // Slot 0: what the destructor does (the strings go); with deleteSelf the memory too,
    // which needs an object made by a plain new.
    virtual void QM7140_CDECL Destroy(bool deleteSelf) noexcept;
    virtual void QM7140_CDECL StartAnimation(int32_t state) noexcept;
    virtual void QM7140_CDECL Place(float scale, int32_t dx, int32_t dy) noexcept;
    virtual bool QM7140_CDECL ContainsPoint(int32_t x, int32_t y) noexcept = 0;
    virtual bool QM7140_CDECL HitTest(int32_t x, int32_t y) noexcept;
    virtual void QM7140_CDECL MouseMove(int32_t x, int32_t y) noexcept;
    virtual void QM7140_CDECL Reserved1() noexcept;
    virtual void QM7140_CDECL Reserved2() noexcept;
    virtual void QM7140_CDECL SetNotify(void* context, TGUINotifyProc proc) noexcept;
    virtual void QM7140_CDECL SetFadeColor(TColor color) noexcept;
    virtual void QM7140_CDECL SetSelectedColor(TColor color) noexcept;
    virtual void QM7140_CDECL UpdateSelection(bool adoptColor) noexcept;
    virtual void QM7140_CDECL SaveSelected() noexcept;
    virtual void QM7140_CDECL TransformPoints(const float m[6]) noexcept;
    virtual void QM7140_CDECL TranslatePoints(const float d[2]) noexcept;
    virtual void QM7140_CDECL ScalePoints(const float s[2]) noexcept;
    virtual bool QM7140_CDECL HasLink(int32_t id) noexcept;
    virtual void QM7140_CDECL SetSelected(bool selected) noexcept;
    virtual void QM7140_CDECL SetUserFlag(bool flag) noexcept;
    virtual void QM7140_CDECL SetSelectable(bool selectable) noexcept;
    virtual bool QM7140_CDECL IsSelected() noexcept;
    virtual bool QM7140_CDECL WasSelected() noexcept;
    virtual int32_t QM7140_CDECL GetIndex() noexcept;
    virtual void QM7140_CDECL SetVisible(bool visible) noexcept;
    virtual void QM7140_CDECL Draw(platform::Canvas* canvas) noexcept = 0;

    // Runs on host objects too: touches only the fields at their shared offsets.
    void SetHitMode(int32_t mode, TAnimationTimer* timer);
    // Draws through slot 24 with the canvas locked; while an animation runs, draws the
    // highlight pass and leaves the faded base look for the next paint. Nothing at all for
    // an invisible object or no canvas.
    void Paint(platform::Canvas* canvas);
    // Each 8-bit channel moved from `from` toward `to` by the fraction t, rounded down.
    static TColor BlendColor(TColor from, TColor to, float t);

    float Scale = 1.0f;
    platform::Canvas* Canvas = nullptr;
    uint8_t Reserved00C = 0;
    TAnimationTimer* AnimationTimer = nullptr;
    int32_t AnimationState = 0;
    uint32_t AnimationStep = 0;
    uint32_t PenWidth;
    uint32_t NormalPenWidth;
    uint32_t SelectedPenWidth;
    uint32_t HighlightPenWidth;
    TColor Color;
    TColor HighlightColor = 0xFF000005;  // system colour: window background
    TColor NormalColor;
    TColor FadeColor = 0x0000FF;
    TColor SelectedColor = 0;
    TGUIPoint Points[MaxItems] = {};
    TGUIPoint ScreenPoints[MaxItems] = {};
    uint32_t PointCount = 0;
    int32_t Reserved144 = 0;
    int32_t HitMode = QM7140_GRAPH_NEVER_HIT;
    TGUINotifyProc NotifyProc = nullptr;
    void* NotifyContext = nullptr;
    bool Selected = false;
    bool UserFlag = false;
    bool Updating = false;
    uint8_t Reserved157 = 0;
    bool Selectable = true;
    bool SavedSelected = false;
    uint8_t Reserved15A = 0;
    bool Visible = true;
    uint8_t Reserved15C[3] = {};
    Text8 Text160;
    Text8 Text164;
    int32_t Reserved168[2] = {};
    TGUIRect Bounds = {};
    int32_t Reserved180 = 0;
    int32_t Reserved184[16] = {};
    int32_t Reserved1C4[16] = {};
    uint32_t DependentCount = 0;
    uint32_t SourceCount = 0;
    TGUIObject* Dependents[MaxItems] = {};
    TGUIObject* Sources[MaxItems] = {};
    uint8_t Reserved28C[64] = {};
    uint32_t LinkCount = 0;
    TGUILink Links[MaxItems] = {};
    int32_t FillStyle = 0;
    uint32_t FillColor = 0x808080;  // 0x00RRGGBB
    int32_t Reserved758 = 2;
    TColor Reserved75C = 0x808080;

protected:
    // Never through a base pointer: slot 0 is the host's way to destroy an object.
    ~TGUIObject() = default;

    // The stored counts are the host's to write; nothing here goes past the arrays.
    static uint32_t InUse(uint32_t count) { return count < MaxItems ? count : MaxItems; }
};

// A segment from ScreenPoints[0] to ScreenPoints[1], hit within 5 pixels.
class TGUILine : public TGUIObject {
public:
    TGUILine(uint32_t penWidth, TColor color);

    void QM7140_CDECL Place(float scale, int32_t dx, int32_t dy) noexcept override;
    bool QM7140_CDECL ContainsPoint(int32_t x, int32_t y) noexcept override;
    void QM7140_CDECL ScalePoints(const float s[2]) noexcept override;
    void QM7140_CDECL Draw(platform::Canvas* canvas) noexcept override;

    int32_t DashStyle = 0;

protected:
    ~TGUILine() = default;
};

// The closed box spanned by ScreenPoints[0] and ScreenPoints[1], drawn with rounded corners.
class TGUIRectangle : public TGUILine {
public:
    using TGUILine::TGUILine;

    bool QM7140_CDECL ContainsPoint(int32_t x, int32_t y) noexcept override;
    void QM7140_CDECL Draw(platform::Canvas* canvas) noexcept override;

protected:
    ~TGUIRectangle() = default;

private:
    void DrawRoundedBox(platform::Canvas& canvas);
};

// A 6-pixel square a view drags along its curve. Not hit until SetCenter first places it.
class TLCursor final : public TGUIRectangle {
public:
    static constexpr float HalfSide = 3.0f;

    TLCursor();
    ~TLCursor() = default;

    void SetCenter(float x, float y);

    bool Dragging = false;
    float CenterX = 0.0f;
    float CenterY = 0.0f;
};
