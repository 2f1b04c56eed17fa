#include "host/web/display_list.h"

#include <cmath>
#include <utility>

namespace web {

namespace {

DisplayList& ListOf(void* context) { return *static_cast<DisplayList*>(context); }

void Arcs(DisplayList& list, const QM7140UiArc* arcs, uint32_t count) {
    list.Number(arcs == nullptr ? 0 : count);
    for (uint32_t i = 0; arcs != nullptr && i < count; ++i) {
        const QM7140UiArc& a = arcs[i];
        list.Number(a.x);
        list.Number(a.y);
        list.Number(a.width);
        list.Number(a.height);
        list.Fraction(a.start);
        list.Fraction(a.sweep);
        list.Number(a.close_figure != 0);
    }
}

void FillRect(void* c, int32_t left, int32_t top, int32_t right, int32_t bottom, uint32_t argb) {
    DisplayList& l = ListOf(c);
    for (const long long v : {0LL, 0LL + left, 0LL + top, 0LL + right, 0LL + bottom, 0LL + argb}) l.Number(v);
}

void Line(void* c, int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t argb, int32_t width) {
    DisplayList& l = ListOf(c);
    for (const long long v : {1LL, 0LL + x1, 0LL + y1, 0LL + x2, 0LL + y2, 0LL + argb, 0LL + width}) l.Number(v);
}

void AnyText(int op, void* c, int32_t x, int32_t y, const char* text, const char* font, int32_t points, uint32_t argb,
             uint32_t background) {
    DisplayList& l = ListOf(c);
    l.Number(op);
    l.Number(x);
    l.Number(y);
    l.Text(text != nullptr ? text : "");
    l.Text(font != nullptr ? font : "");
    l.Number(points);
    l.Number(argb);
    l.Number(background);
}

void Text(void* c, int32_t x, int32_t y, const char* text, const char* font, int32_t points, uint32_t argb,
          uint32_t background) {
    AnyText(2, c, x, y, text, font, points, argb, background);
}

void TextUp(void* c, int32_t x, int32_t y, const char* text, const char* font, int32_t points, uint32_t argb,
            uint32_t background) {
    AnyText(3, c, x, y, text, font, points, argb, background);
}

void AaLine(void* c, float x1, float y1, float x2, float y2, uint32_t argb, float width, QM7140UiDash dash) {
    DisplayList& l = ListOf(c);
    l.Number(4);
    for (const float v : {x1, y1, x2, y2}) l.Fraction(v);
    l.Number(argb);
    l.Fraction(width);
    l.Number(dash);
}

void FillPath(void* c, const QM7140UiArc* arcs, uint32_t count, uint32_t argb) {
    DisplayList& l = ListOf(c);
    l.Number(5);
    Arcs(l, arcs, count);
    l.Number(argb);
}

void StrokePath(void* c, const QM7140UiArc* arcs, uint32_t count, uint32_t argb, float width, QM7140UiDash dash) {
    DisplayList& l = ListOf(c);
    l.Number(6);
    Arcs(l, arcs, count);
    l.Number(argb);
    l.Fraction(width);
    l.Number(dash);
}

const QM7140UiDrawing kDrawing = {
    .size = sizeof(QM7140UiDrawing),
    .fill_rect = FillRect,
    .line = Line,
    .text = Text,
    .text_up = TextUp,
    .aa_line = AaLine,
    .fill_path = FillPath,
    .stroke_path = StrokePath,
};

}  // namespace

std::string Dump(const Json& json) { return json.dump(-1, ' ', false, Json::error_handler_t::replace); }

void DisplayList::Number(long long value) { ops.push_back(value); }

void DisplayList::Fraction(float value) {
    if (!std::isfinite(value)) value = 0;
    const double hundredths = std::round(static_cast<double>(value) * 100);
    if (std::fabs(hundredths) < 1e15 && std::fmod(hundredths, 100) == 0) return Number(static_cast<long long>(hundredths / 100));
    ops.push_back(hundredths / 100);
}

void DisplayList::Text(std::string_view text) { ops.push_back(text); }

Json DisplayList::Finish() { return std::exchange(ops, Json::array()); }

const QM7140UiDrawing& DisplayListDrawing() { return kDrawing; }

}  // namespace web
