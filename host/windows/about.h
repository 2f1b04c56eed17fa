// What Help > About and --version tell: the host's version and the module's, read from the
// loaded DLL's own version resource.
#pragma once

#include "host/common/module/module.h"

#include <string>

namespace winhost {

std::wstring AboutText(const host::Module& module);

}  // namespace winhost
