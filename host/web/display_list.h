// A paint box's picture for the page: the module paints through a drawing table that
// appends each operation to a flat JSON array, opcode first, then its numbers and texts.
//   0 fill_rect  left top right bottom argb
//   1 line       x1 y1 x2 y2 argb width
//   2 text       x y "text" "font" points argb background
//   3 text_up    x y "text" "font" points argb background
//   4 aa_line    x1 y1 x2 y2 argb width dash
//   5 fill_path  n [x y w h start sweep close]*n argb
//   6 stroke_path n [x y w h start sweep close]*n argb width dash
// Fractions are kept to two decimals: a hundredth of a pixel is below what a screen shows.
// Texts go as given; the update's Dump turns bytes that are not UTF-8 into U+FFFD.
#pragma once

#include <qm7140/ui.h>

#include <nlohmann/json.hpp>

#include <string_view>

namespace web {

using Json = nlohmann::json;

// JSON text of `json`, invalid UTF-8 replaced: what goes to a page.
std::string Dump(const Json& json);

struct DisplayList {
    Json ops = Json::array();

    void Number(long long value);
    void Fraction(float value);
    void Text(std::string_view text);
    Json Finish();
};

// The table whose operations append to the DisplayList passed as context.
const QM7140UiDrawing& DisplayListDrawing();

}  // namespace web
