// The host reads the window by position. One list of its fields: on every build each C++
// offset equals the C record's, and on i686, where the DLL is built, the 32-bit offset.
#include "registers/ti2cobject.h"

#include <cstddef>

namespace {

// The owner's type cannot move the window's fields: any dialog will do.
struct AnyDialog;
using AnyWindow = TDialogI2C<AnyDialog, WriteGuard::Guarded>;

#if defined(_WIN32) && !defined(_WIN64)
constexpr bool kI686 = true;
#else
constexpr bool kI686 = false;
#endif

}  // namespace

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"

#define AT(field, offset)                                                                        \
    static_assert(offsetof(AnyWindow, field) == offsetof(QM7140RegisterWindow, field), #field); \
    static_assert(!kI686 || offsetof(AnyWindow, field) == (offset), #field " at its 32-bit offset")

static_assert(offsetof(QM7140RegisterWindow, Ops) == 0);
AT(DeviceAddress, 4);
AT(Page, 8);
AT(FirstRegister, 12);
AT(RegisterCount, 16);
AT(Cache, 20);
AT(InlineCache, 24);
AT(Filler, 25);
AT(SavedWriteCallback, 28);
AT(WriteCallback, 32);
AT(SpareWord1, 36);
AT(SpareWord2, 40);
AT(CallbackContext, 44);
AT(OwnerDialog, 48);
#undef AT

static_assert(sizeof(AnyWindow) == sizeof(QM7140RegisterWindow));
static_assert(!kI686 || (sizeof(TI2CObject) == 48 && sizeof(AnyWindow) == 52));

#pragma GCC diagnostic pop
