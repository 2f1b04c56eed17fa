// A form's design as data, the way a form designer file is data: one row per control,
// turned into controls by one generic builder.
#pragma once

#include "platform/form.h"

#include <optional>
#include <string>
#include <vector>

namespace platform {

struct ControlLayout {
    Kind kind;
    std::string name;
    std::string parent;   // "" for the form itself
    std::string caption;  // caption, or the text of an edit
    std::vector<std::string> items;
    int initial = 0;  // checked (0/1), item index (-1 none) or track bar position
    Rect bounds;
    int tab = 0;
    int min = 0, max = 0;  // track bars
};

struct FormLayout {
    std::string name;
    std::string caption;
    int clientWidth = 0, clientHeight = 0;
    std::optional<Point> position;
    bool doubleBuffered = false;
    std::vector<ControlLayout> controls;
};

// Builds the model controls in row order, then lets the backend attach native peers.
void Build(Form& form, const FormLayout& layout);

}  // namespace platform
