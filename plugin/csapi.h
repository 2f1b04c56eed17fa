// The module's face to the host: the instance record, the instance table and the
// operations behind the exports. The exports themselves are thin C wrappers (exports.cpp)
// that check the handle and keep every C++ exception on this side of the boundary.
#pragma once

#include "dialogs/tboost.h"
#include "dialogs/tdigitalcontrol.h"
#include "dialogs/tlimiter.h"

#include <qm7140/plugin.h>

#include <cstdint>
#include <memory>

struct TQM7140Forms {
    // Created in the order declared and destroyed in reverse: Boost, then Limiter / AGC,
    // then Digital Control.
    std::unique_ptr<TDigitalControlForm> DigitalControlDlg = std::make_unique<TDigitalControlForm>();
    std::unique_ptr<TLimiterForm> LimiterDlg = std::make_unique<TLimiterForm>();
    std::unique_ptr<TBoostForm> BoostDlg = std::make_unique<TBoostForm>();
    char CodecName[256] = {};
};

namespace csapi {

constexpr int kMaxInstances = 16;

struct InstanceTable {
    TQM7140Forms* Instances[kMaxInstances] = {};
    int32_t InstanceCount = 0;
};

// One row per dialog, in the order of the dialog index that menus, windows and showing share.
struct DialogRow {
    const char* menuCaption;
    const char* showName;
    platform::Form& (*form)(TQM7140Forms&);
    TI2CObject& (*window)(TQM7140Forms&);
    std::span<const RegisterField> (*bindings)();
};
extern const DialogRow kDialogs[QM7140_DIALOG_COUNT];

// The one table of the loaded module.
InstanceTable& Table();

// Process attach: an empty table. Detach: every instance still in it destroyed, in order.
// The system calls both (through the load routine), and neither can fail.
void Attach() noexcept;
void Detach() noexcept;

// The instance behind a handle the host passed, or null when it is none that is alive:
// every live instance stands in the table, so a freed, foreign or null handle is refused
// instead of being used.
TQM7140Forms* Live(void* handle);

// Null once 16 instances were created since Attach. May throw (out of memory); the table
// is then left as it was. No two instances of one load share an address, so a handle the
// host freed stays refused even after later creations.
TQM7140Forms* Init();
void FreeCodecInstance(TQM7140Forms& instance);
TI2CObject* GetI2CObject(TQM7140Forms& instance, int32_t index);
void SetCodecName(TQM7140Forms& instance, const char* name);
const char* GetMenuItem(uint32_t index);
void SelectMenu(TQM7140Forms& instance, int32_t index);
int32_t ShowDialog(TQM7140Forms& instance, const char* name, TGUIObject* graphObject);

}  // namespace csapi
