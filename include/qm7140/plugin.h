/*
 * QM7140 plug-in module: the host's side of the contract.
 *
 * A host loads QM7140.dll (libqm7140.so on Linux), resolves the exports below by name,
 * creates one instance per device and connects each dialog's register window to its own
 * register cache and bus transfers. Everything here is shared with the host by position:
 * offsets are those of the 32-bit (i686) build. A 64-bit build keeps the field order and
 * the integer widths; only pointers widen.
 *
 * Threads: everything, the write callback included, runs on the host's UI thread.
 * Failures: no C++ exception ever leaves a function or an operation the host calls; one
 * that fails inside (out of memory) returns as a refused call does.
 */
#ifndef QM7140_PLUGIN_H
#define QM7140_PLUGIN_H

#include <stdint.h>

#if defined(_WIN32) && !defined(_WIN64)
/* Never the bare `cdecl` attribute: <windows.h> defines `cdecl` to nothing. */
#define QM7140_CDECL __attribute__((__cdecl__))
#else
#define QM7140_CDECL
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Register window ----------------------------------------------------------------- */

/* Called by the module after it changed one byte of the host's cache. The host sends
 * Cache[reg] to the device at (address, page). `count` is always 1. The result is ignored. */
typedef void (QM7140_CDECL *I2CWriteCallback)(intptr_t context, int32_t address, int32_t page,
                                              uint32_t reg, int32_t count);

typedef struct QM7140RegisterWindow QM7140RegisterWindow;

/* The window's operation table: exactly these two slots, no destructor. */
typedef struct QM7140RegisterWindowOps {
    /* Slot 0. The host calls it after storing a new value in its cache; if (address, page,
     * reg) lies in the window, the dialog reloads its controls with the callback parked. */
    void (QM7140_CDECL *RegisterChanged)(QM7140RegisterWindow *self, int32_t address,
                                         int32_t page, uint32_t reg);
    /* Slot 1. Module-internal; the host has no reason to call it. */
    void (QM7140_CDECL *ReloadControls)(QM7140RegisterWindow *self);
} QM7140RegisterWindowOps;

/* Fields marked "host writes" are the host's to set, before it shows a dialog or notifies
 * the window; all others are the module's and are only read by the host. */
struct QM7140RegisterWindow {
    const QM7140RegisterWindowOps *Ops; /*  0, 4: operation table                           */
    int32_t DeviceAddress;              /*  4, 4: 128 in every window                        */
    int32_t Page;                       /*  8, 4: 0 in every window                          */
    uint32_t FirstRegister;             /* 12, 4: 0 in every window                          */
    uint32_t RegisterCount;             /* 16, 4: 32 Digital Control, 16 Limiter, 21 Boost   */
    uint8_t *Cache;                     /* 20, 4: host writes. Byte n is register n. Until the
                                                  host installs its array it points at
                                                  InlineCache, which stands for register 0. */
    uint8_t InlineCache;                /* 24, 1: placeholder byte, 0 at construction        */
    uint8_t Filler[3];                  /* 25, 3: never touched                              */
    I2CWriteCallback SavedWriteCallback;/* 28, 4: where a reload parks WriteCallback         */
    I2CWriteCallback WriteCallback;     /* 32, 4: host writes; null means none               */
    int32_t SpareWord1;                 /* 36, 4: 0 at construction, free for the host       */
    int32_t SpareWord2;                 /* 40, 4: never touched by the module                */
    intptr_t CallbackContext;           /* 44, 4: host writes; first callback argument       */
    void *OwnerDialog;                  /* 48, 4: the dialog owning the window, set at
                                                  construction; null, the window reloads
                                                  nothing                                  */
};                                      /* 52 bytes                                          */

/* ---- Dialog index ---------------------------------------------------------------------- */

enum {
    QM7140_DIALOG_DIGITAL_CONTROL = 0, /* menu "Digital Control...", name "DigitalControl" */
    QM7140_DIALOG_LIMITER = 1,         /* menu "Limiter...",         name "Limiter"        */
    QM7140_DIALOG_BOOST = 2,           /* menu "Boost...",           name "Boost"          */
    QM7140_DIALOG_COUNT = 3            /* the indices run from 0 below this                */
};

/* ---- The chip at power-up -------------------------------------------------------------
 * The limiter's curve in registers 11 to 13, which the Limiter dialog starts from too. */
enum {
    QM7140_POWER_UP_INFLECTION = 143, /* register 11: inflection point 3.59 V */
    QM7140_POWER_UP_SLOPE = 128,      /* register 12: slope 5.97 V/V          */
    QM7140_POWER_UP_LEVEL = 190       /* register 13: limiter level 7.90 V    */
};

/* ---- Exports ---------------------------------------------------------------------------
 * Resolve each by the name in the comment (leading underscore included). All are cdecl.
 * The instance handle is opaque; pass back only handles that _Init gave and that were not
 * freed. Windows obtained through a handle die with it. */

typedef void *QM7140Instance;

/* "_Init": a new instance with its three dialogs hidden, or null once 16 instances were
 * created during this load (freed ones count). The arguments are not used. */
typedef QM7140Instance (QM7140_CDECL *QM7140_InitFn)(int32_t, int32_t, int32_t, int32_t);
/* "_FreeCodecInstance": destroys the instance and its dialogs; null does nothing. */
typedef void (QM7140_CDECL *QM7140_FreeCodecInstanceFn)(QM7140Instance instance);
/* "_GetI2CObject": the register window of a dialog index, or null for another index. */
typedef QM7140RegisterWindow *(QM7140_CDECL *QM7140_GetI2CObjectFn)(QM7140Instance instance,
                                                                    int32_t dialog);
/* "_SetSampleRate": does nothing. */
typedef void (QM7140_CDECL *QM7140_SetSampleRateFn)(int32_t rate);
/* "_SetCodecName": keeps up to 256 bytes of the name (unterminated when it fills them). */
typedef void (QM7140_CDECL *QM7140_SetCodecNameFn)(QM7140Instance instance, const char *name);
/* "_GetMenuItem": menu caption of a dialog index, or null; valid while the module is loaded. */
typedef const char *(QM7140_CDECL *QM7140_GetMenuItemFn)(uint32_t dialog);
/* "_SelectMenu": shows a dialog modeless and brings it to the front; returns at once. */
typedef void (QM7140_CDECL *QM7140_SelectMenuFn)(QM7140Instance instance, int32_t dialog);
/* "_ShowDialog": shows a dialog by name, case-insensitively. For "DigitalControl" the graph
 * object (one of the host's, or null) is linked to the dialog first, replacing the earlier
 * one; the host keeps it alive while linked. Always returns 0. */
typedef int32_t (QM7140_CDECL *QM7140_ShowDialogFn)(QM7140Instance instance, const char *name,
                                                    int32_t unused1, int32_t unused2,
                                                    void *graphObject);

/* "_BoostForm" and "_LimiterForm": exported pointer-sized data, always null. */

#if !defined(_WIN32)
/* ---- Linked hosts ----------------------------------------------------------------------
 * libqm7140.so also serves a host that links it (-lqm7140) and calls the exports by name;
 * a host that loads it with dlopen resolves them with dlsym as the types above. Hosts of
 * QM7140.dll resolve them with GetProcAddress: the DLL is not linked against. */
QM7140Instance QM7140_CDECL _Init(int32_t, int32_t, int32_t, int32_t);
void QM7140_CDECL _FreeCodecInstance(QM7140Instance instance);
QM7140RegisterWindow *QM7140_CDECL _GetI2CObject(QM7140Instance instance, int32_t dialog);
void QM7140_CDECL _SetSampleRate(int32_t rate);
void QM7140_CDECL _SetCodecName(QM7140Instance instance, const char *name);
const char *QM7140_CDECL _GetMenuItem(uint32_t dialog);
void QM7140_CDECL _SelectMenu(QM7140Instance instance, int32_t dialog);
int32_t QM7140_CDECL _ShowDialog(QM7140Instance instance, const char *name, int32_t unused1, int32_t unused2,
                                 void *graphObject);
extern void *_BoostForm;
extern void *_LimiterForm;
#endif

#ifdef __cplusplus
}
#endif

#endif
