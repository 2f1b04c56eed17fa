// The exported entry points: cdecl C functions under their underscored names (the .def
// file on Windows, an assembler name on Linux). Each runs its work through NoThrow: no C++
// exception leaves through them, and a call that failed returns what a refused one does.
#include "plugin/csapi.h"
#include "platform/no_throw.h"

#include <qm7140/plugin.h>

#include <type_traits>

#ifdef _WIN32
#define QM7140_EXPORT(name)
#else
#define QM7140_EXPORT(name) __asm__(name) __attribute__((visibility("default")))
#endif

using platform::NoThrow;

extern "C" {

void* qm_BoostForm QM7140_EXPORT("_BoostForm") = nullptr;
void* qm_LimiterForm QM7140_EXPORT("_LimiterForm") = nullptr;

QM7140Instance QM7140_CDECL qm_Init(int32_t, int32_t, int32_t, int32_t) QM7140_EXPORT("_Init");
QM7140Instance QM7140_CDECL qm_Init(int32_t, int32_t, int32_t, int32_t) {
    return NoThrow(QM7140Instance{nullptr}, [] { return csapi::Init(); });
}

void QM7140_CDECL qm_FreeCodecInstance(QM7140Instance instance) QM7140_EXPORT("_FreeCodecInstance");
void QM7140_CDECL qm_FreeCodecInstance(QM7140Instance instance) {
    NoThrow([&] {
        // A second free of the same handle finds nothing to destroy.
        if (TQM7140Forms* live = csapi::Live(instance)) csapi::FreeCodecInstance(*live);
    });
}

QM7140RegisterWindow* QM7140_CDECL qm_GetI2CObject(QM7140Instance instance, int32_t index) QM7140_EXPORT("_GetI2CObject");
QM7140RegisterWindow* QM7140_CDECL qm_GetI2CObject(QM7140Instance instance, int32_t index) {
    return NoThrow(static_cast<QM7140RegisterWindow*>(nullptr), [&] {
        TQM7140Forms* live = csapi::Live(instance);
        // The record the host sees is the window itself (checked field by field in the tests).
        return live != nullptr ? reinterpret_cast<QM7140RegisterWindow*>(csapi::GetI2CObject(*live, index)) : nullptr;
    });
}

void QM7140_CDECL qm_SetSampleRate(int32_t rate) QM7140_EXPORT("_SetSampleRate");
void QM7140_CDECL qm_SetSampleRate(int32_t) {}

void QM7140_CDECL qm_SetCodecName(QM7140Instance instance, const char* name) QM7140_EXPORT("_SetCodecName");
void QM7140_CDECL qm_SetCodecName(QM7140Instance instance, const char* name) {
    NoThrow([&] {
        if (TQM7140Forms* live = csapi::Live(instance)) csapi::SetCodecName(*live, name);
    });
}

const char* QM7140_CDECL qm_GetMenuItem(uint32_t index) QM7140_EXPORT("_GetMenuItem");
const char* QM7140_CDECL qm_GetMenuItem(uint32_t index) {
    return NoThrow(static_cast<const char*>(nullptr), [&] { return csapi::GetMenuItem(index); });
}

void QM7140_CDECL qm_SelectMenu(QM7140Instance instance, int32_t index) QM7140_EXPORT("_SelectMenu");
void QM7140_CDECL qm_SelectMenu(QM7140Instance instance, int32_t index) {
    NoThrow([&] {
        if (TQM7140Forms* live = csapi::Live(instance)) csapi::SelectMenu(*live, index);
    });
}

int32_t QM7140_CDECL qm_ShowDialog(QM7140Instance instance, const char* name, int32_t, int32_t, void* graphObject) QM7140_EXPORT("_ShowDialog");
int32_t QM7140_CDECL qm_ShowDialog(QM7140Instance instance, const char* name, int32_t, int32_t, void* graphObject) {
    NoThrow([&] {
        if (TQM7140Forms* live = csapi::Live(instance))
            csapi::ShowDialog(*live, name, static_cast<TGUIObject*>(graphObject));
    });
    return 0;
}

}  // extern "C"

// Each export is exactly what the host resolves it as: a definition that drifts from the
// host's header does not build.
static_assert(std::is_same_v<decltype(&qm_Init), QM7140_InitFn>);
static_assert(std::is_same_v<decltype(&qm_FreeCodecInstance), QM7140_FreeCodecInstanceFn>);
static_assert(std::is_same_v<decltype(&qm_GetI2CObject), QM7140_GetI2CObjectFn>);
static_assert(std::is_same_v<decltype(&qm_SetSampleRate), QM7140_SetSampleRateFn>);
static_assert(std::is_same_v<decltype(&qm_SetCodecName), QM7140_SetCodecNameFn>);
static_assert(std::is_same_v<decltype(&qm_GetMenuItem), QM7140_GetMenuItemFn>);
static_assert(std::is_same_v<decltype(&qm_SelectMenu), QM7140_SelectMenuFn>);
static_assert(std::is_same_v<decltype(&qm_ShowDialog), QM7140_ShowDialogFn>);
#ifndef _WIN32
// And the declarations a linked host calls them by name through.
static_assert(std::is_same_v<decltype(&_Init), QM7140_InitFn>);
static_assert(std::is_same_v<decltype(&_FreeCodecInstance), QM7140_FreeCodecInstanceFn>);
static_assert(std::is_same_v<decltype(&_GetI2CObject), QM7140_GetI2CObjectFn>);
static_assert(std::is_same_v<decltype(&_SetSampleRate), QM7140_SetSampleRateFn>);
static_assert(std::is_same_v<decltype(&_SetCodecName), QM7140_SetCodecNameFn>);
static_assert(std::is_same_v<decltype(&_GetMenuItem), QM7140_GetMenuItemFn>);
static_assert(std::is_same_v<decltype(&_SelectMenu), QM7140_SelectMenuFn>);
static_assert(std::is_same_v<decltype(&_ShowDialog), QM7140_ShowDialogFn>);
static_assert(std::is_same_v<decltype(_BoostForm), decltype(qm_BoostForm)> &&
              std::is_same_v<decltype(_LimiterForm), decltype(qm_LimiterForm)>);
#endif
