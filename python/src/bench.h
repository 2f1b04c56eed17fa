// The bench's verbs and the saved transfer log, as methods of the device for Python.
#pragma once

#include "device.h"

namespace qm7140py {

void BindBench(py::class_<Device>& device, py::module_& m);

}  // namespace qm7140py
