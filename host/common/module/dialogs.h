// The module's dialogs as every host names them: the index the exports and the UI seam take,
// the key commands and Python call it by, and the name _ShowDialog takes.
#pragma once

#include <qm7140/plugin.h>

#include <cstdint>
#include <span>
#include <string_view>

namespace host {

struct DialogInfo {
    int32_t index;              // for _SelectMenu, _GetI2CObject and the UI seam
    std::string_view key;       // what commands call it
    std::string_view showName;  // for _ShowDialog
};

// In index order, QM7140_DIALOG_COUNT of them.
std::span<const DialogInfo> Dialogs();
// By key or _ShowDialog name, in any letter case; CommandError for anything else.
const DialogInfo& FindDialog(std::string_view name);

}  // namespace host
