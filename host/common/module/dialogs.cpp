#include "host/common/module/dialogs.h"

#include "host/common/text/parse.h"

#include <string>

namespace host {

namespace {

constexpr DialogInfo kDialogs[] = {
    {QM7140_DIALOG_DIGITAL_CONTROL, "digital", "DigitalControl"},
    {QM7140_DIALOG_LIMITER, "limiter", "Limiter"},
    {QM7140_DIALOG_BOOST, "boost", "Boost"},
};
// Dialogs()[i] is dialog i.
constexpr bool InIndexOrder() {
    for (size_t i = 0; i < std::size(kDialogs); ++i)
        if (kDialogs[i].index != static_cast<int32_t>(i)) return false;
    return std::size(kDialogs) == QM7140_DIALOG_COUNT;
}
static_assert(InIndexOrder());

}  // namespace

std::span<const DialogInfo> Dialogs() { return kDialogs; }

const DialogInfo& FindDialog(std::string_view name) {
    for (const DialogInfo& d : kDialogs)
        if (EqualsIgnoreCase(name, d.key) || EqualsIgnoreCase(name, d.showName)) return d;
    std::string keys;
    for (size_t i = 0; i < std::size(kDialogs); ++i)
        keys += (i == 0 ? "" : i + 1 == std::size(kDialogs) ? " or " : ", ") + std::string(kDialogs[i].key);
    throw CommandError("unknown dialog " + Quoted(name) + " (" + keys + ")");
}

}  // namespace host
