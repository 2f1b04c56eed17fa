// A device's dialogs for Python: each control read as it shows itself and set as a user sets
// it, through the module's UI seam and the hosts' way of playing the user.
#pragma once

#include "device.h"

#include <pybind11/pybind11.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace qm7140py {

// Every control of a dialog in the seam's order: its name and kind (QM7140UiKind).
std::vector<std::pair<std::string, int32_t>> Controls(Device& device, int32_t dialog);

// bool, int, str by the control's kind; a caption for labels, group boxes and buttons. A
// dialog not shown is opened first, as for a set.
py::object Get(Device& device, int32_t dialog, int32_t control);
// As a user would, on a control of that kind: ValueError naming the control, the value and what it shows after when
// the dialog refuses it; a quantised value is no refusal.
// `given` is the value as the caller wrote it, for the words of a refusal.
void Set(Device& device, int32_t dialog, int32_t control, int32_t kind, const py::object& value, const py::object& given);
// The control's kind in words ("track bar"), and a track bar's range.
py::dict Info(Device& device, int32_t dialog, int32_t control);
std::vector<std::string> Items(Device& device, int32_t dialog, int32_t control);
void Click(Device& device, int32_t dialog, int32_t control);

void Show(Device& device, int32_t dialog);
void Hide(Device& device, int32_t dialog);
bool Visible(Device& device, int32_t dialog);

// A paint box: press at `from`, eight moves, release at `to`; its picture as PNG bytes.
void Drag(Device& device, int32_t dialog, int32_t control, std::pair<int, int> from, std::pair<int, int> to);
py::bytes Png(Device& device, int32_t dialog, int32_t control);

}  // namespace qm7140py
