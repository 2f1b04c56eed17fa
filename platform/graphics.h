// The anti-aliased drawing layer graph objects paint with: a flat set of operations on
// opaque objects, each returning a status. The values of the enumerations are those of the
// platform's own graphics library, so a Windows build passes them straight through.
#pragma once

#include "platform/canvas.h"

#include <cstdint>

namespace platform {

// Opaque objects; each implementation has its own behind these names.
struct GraphicsContext;
struct GraphicsPen;
struct GraphicsPath;
struct GraphicsBrush;

using Argb = uint32_t;  // 0xAARRGGBB

enum class GraphicsStatus : int32_t { Ok = 0, GenericError = 1, InvalidParameter = 2, OutOfMemory = 3 };
enum class SmoothingMode : int32_t { Default = 0, HighSpeed = 1, HighQuality = 2, None = 3, AntiAlias = 4 };
enum class CompositingQuality : int32_t { Default = 0, HighSpeed = 1, HighQuality = 2 };
enum class InterpolationMode : int32_t { Default = 0, LowQuality = 1, HighQuality = 2 };
enum class Unit : int32_t { World = 0, Display = 1, Pixel = 2 };
enum class DashStyle : int32_t { Solid = 0, Dash = 1, Dot = 2, DashDot = 3, DashDotDot = 4 };
enum class FillMode : int32_t { Alternate = 0, Winding = 1 };

// Null objects are refused with InvalidParameter, so a caller that ignores a failed create
// may go on with the null it got.
class Graphics {
public:
    using Status = GraphicsStatus;

    virtual ~Graphics() = default;

    virtual Status CreateFromHDC(DeviceHandle device, GraphicsContext** graphics) = 0;
    virtual Status DeleteGraphics(GraphicsContext* graphics) = 0;
    virtual Status SetSmoothingMode(GraphicsContext* graphics, SmoothingMode mode) = 0;
    virtual Status SetCompositingQuality(GraphicsContext* graphics, CompositingQuality quality) = 0;
    virtual Status SetInterpolationMode(GraphicsContext* graphics, InterpolationMode mode) = 0;

    virtual Status CreatePen1(Argb color, float width, Unit unit, GraphicsPen** pen) = 0;
    virtual Status SetPenDashStyle(GraphicsPen* pen, DashStyle style) = 0;
    virtual Status DeletePen(GraphicsPen* pen) = 0;

    virtual Status CreateSolidFill(Argb color, GraphicsBrush** brush) = 0;
    virtual Status DeleteBrush(GraphicsBrush* brush) = 0;

    virtual Status CreatePath(FillMode mode, GraphicsPath** path) = 0;
    virtual Status ResetPath(GraphicsPath* path) = 0;
    // An elliptic arc inside the box, angles in degrees, positive clockwise on the screen; a
    // figure's consecutive arcs are joined by straight lines.
    virtual Status AddPathArcI(GraphicsPath* path, int x, int y, int width, int height, float start,
                               float sweep) = 0;
    virtual Status ClosePathFigure(GraphicsPath* path) = 0;
    virtual Status DeletePath(GraphicsPath* path) = 0;

    virtual Status DrawLine(GraphicsContext* graphics, GraphicsPen* pen, float x1, float y1, float x2,
                            float y2) = 0;
    virtual Status DrawPath(GraphicsContext* graphics, GraphicsPen* pen, GraphicsPath* path) = 0;
    virtual Status FillPath(GraphicsContext* graphics, GraphicsBrush* brush, GraphicsPath* path) = 0;
};

}  // namespace platform
