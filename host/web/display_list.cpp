#include "host/web/display_list.h"

#include <charconv>
#include <cmath>

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

// Length of the UTF-8 sequence starting at text[i], or 0 when it is not a valid one.
size_t Utf8Length(std::string_view text, size_t i) {
    const auto b = static_cast<unsigned char>(text[i]);
    size_t n = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
    if (n == 0 || i + n > text.size() || (n == 2 && b < 0xC2) || (n == 4 && b > 0xF4)) return 0;
    for (size_t k = 1; k < n; ++k)
        if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return 0;
    const auto second = static_cast<unsigned char>(text[i + 1 < text.size() ? i + 1 : i]);
    if (n == 3 && ((b == 0xE0 && second < 0xA0) || (b == 0xED && second >= 0xA0))) return 0;
    if (n == 4 && ((b == 0xF0 && second < 0x90) || (b == 0xF4 && second >= 0x90))) return 0;
    return n;
}

}  // namespace

void AppendJsonString(std::string& out, std::string_view text) {
    out += '"';
    for (size_t i = 0; i < text.size();) {
        const char c = text[i];
        const size_t n = Utf8Length(text, i);
        if (n == 0) {
            out += "\\ufffd";
            ++i;
            continue;
        }
        if (n > 1) {
            out.append(text, i, n);
            i += n;
            continue;
        }
        ++i;
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            static const char* const kHex = "0123456789abcdef";
            out += "\\u00";
            out += kHex[(c >> 4) & 15];
            out += kHex[c & 15];
        } else {
            out += c;
        }
    }
    out += '"';
}

void DisplayList::Number(long long value) {
    if (!empty) json += ',';
    empty = false;
    char text[24];
    const auto result = std::to_chars(text, text + sizeof text, value);
    json.append(text, result.ptr);
}

void DisplayList::Fraction(float value) {
    if (!std::isfinite(value)) value = 0;
    const double hundredths = std::round(static_cast<double>(value) * 100);
    if (std::fabs(hundredths) < 1e15 && std::fmod(hundredths, 100) == 0) return Number(static_cast<long long>(hundredths / 100));
    if (!empty) json += ',';
    empty = false;
    char text[48];
    const auto result = std::to_chars(text, text + sizeof text, hundredths / 100, std::chars_format::fixed, 2);
    json.append(text, result.ptr);
}

void DisplayList::Text(std::string_view text) {
    if (!empty) json += ',';
    empty = false;
    AppendJsonString(json, text);
}

std::string DisplayList::Finish() {
    json += ']';
    std::string done = std::move(json);
    json = "[";
    empty = true;
    return done;
}

const QM7140UiDrawing& DisplayListDrawing() { return kDrawing; }

}  // namespace web
