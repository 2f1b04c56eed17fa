/* A C host of the module, built two ways from this one source: linked against libqm7140.so
 * (pkg-config, find_package(qm7140), the build tree), or with QM7140_HOST_DLOPEN loading it
 * by name (argv[1], else "libqm7140.so.1") and resolving each function with dlsym. Either
 * way it checks the UI seam's version, shows the Boost dialog, reads its controls, ticks
 * Enable Boost and expects the one write that sets bit 6 of register 2, then reads the
 * check box back. Exit 0 when every answer was right. */
#include <qm7140/ui.h>

#include <stdio.h>
#include <string.h>

#ifdef QM7140_HOST_DLOPEN
#include <dlfcn.h>
#endif

/* What the host calls, as the header types them. */
static struct {
    QM7140_InitFn init;
    QM7140_FreeCodecInstanceFn free_instance;
    QM7140_GetI2CObjectFn window;
    QM7140_SelectMenuFn show;
    QM7140_UiVersionFn version;
    QM7140_UiFormFn form;
    QM7140_UiControlFn control;
    QM7140_UiFindFn find;
    QM7140_UiClickFn click;
} qm;

#ifdef QM7140_HOST_DLOPEN
/* Stores the symbol in the function pointer at `field`, as POSIX allows a dlsym result. */
static int resolve(void *library, const char *name, void *field) {
    void *symbol = dlsym(library, name);
    if (symbol == NULL) fprintf(stderr, "error: %s: %s\n", name, dlerror());
    memcpy(field, &symbol, sizeof symbol);
    return symbol != NULL;
}
#define RESOLVE(field, name) resolve(library, name, &qm.field)

static int load(const char *path) {
    void *library = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (library == NULL) {
        fprintf(stderr, "error: %s\n", dlerror());
        return 0;
    }
    return RESOLVE(init, "_Init") & RESOLVE(free_instance, "_FreeCodecInstance") & RESOLVE(window, "_GetI2CObject") &
           RESOLVE(show, "_SelectMenu") & RESOLVE(version, "qm7140_ui_version") & RESOLVE(form, "qm7140_ui_form") &
           RESOLVE(control, "qm7140_ui_control") & RESOLVE(find, "qm7140_ui_find") & RESOLVE(click, "qm7140_ui_click");
}
#else
/* Linked: each declaration must have its type, or this does not compile (-Werror). */
static int load(const char *path) {
    (void)path;
    qm.init = _Init;
    qm.free_instance = _FreeCodecInstance;
    qm.window = _GetI2CObject;
    qm.show = _SelectMenu;
    qm.version = qm7140_ui_version;
    qm.form = qm7140_ui_form;
    qm.control = qm7140_ui_control;
    qm.find = qm7140_ui_find;
    qm.click = qm7140_ui_click;
    return 1;
}
#endif

static uint8_t registers[256];
static int writes;

static void written(intptr_t context, int32_t address, int32_t page, uint32_t reg, int32_t count) {
    (void)context;
    (void)count;
    printf("W 0x%02X/%d reg 0x%02X = 0x%02X\n", (unsigned)address, (int)page, (unsigned)reg, registers[reg & 0xFF]);
    ++writes;
}

static int failed;
static void expect(int ok, const char *what) {
    if (!ok) {
        fprintf(stderr, "error: %s\n", what);
        failed = 1;
    }
}

int main(int argc, char **argv) {
    if (!load(argc > 1 ? argv[1] : "libqm7140.so.1")) return 1;
    expect(qm.version() == QM7140_UI_VERSION, "the module's UI seam is not the header's version");
    QM7140Instance instance = qm.init(0, 0, 0, 0);
    QM7140RegisterWindow *window = instance ? qm.window(instance, QM7140_DIALOG_BOOST) : NULL;
    if (window == NULL) {
        fprintf(stderr, "error: no instance or no Boost window\n");
        return 1;
    }
    window->Cache = registers;
    window->WriteCallback = written;
    qm.show(instance, QM7140_DIALOG_BOOST);

    QM7140UiForm form = {.size = sizeof form};
    expect(qm.form(instance, QM7140_DIALOG_BOOST, &form) == QM7140_UI_OK && form.visible == 1 && form.control_count > 0,
           "the Boost dialog is not shown with its controls");
    int32_t enable = -1;
    for (int32_t i = 0; i < form.control_count; ++i) {
        QM7140UiControl control = {.size = sizeof control};
        expect(qm.control(instance, QM7140_DIALOG_BOOST, i, &control) == QM7140_UI_OK, "a control cannot be read");
        if (control.name != NULL && strcmp(control.name, "EnableBoost") == 0) enable = i;
    }
    int32_t found = -2;
    expect(qm.find(instance, QM7140_DIALOG_BOOST, "EnableBoost", &found) == QM7140_UI_OK && found == enable && enable >= 0,
           "Enable Boost is not found where the list has it");

    expect(qm.click(instance, QM7140_DIALOG_BOOST, enable) == QM7140_UI_OK, "Enable Boost takes no click");
    QM7140UiControl box = {.size = sizeof box};
    expect(qm.control(instance, QM7140_DIALOG_BOOST, enable, &box) == QM7140_UI_OK && box.kind == QM7140_UI_CHECK_BOX &&
               box.checked == 1,
           "Enable Boost does not read back checked");
    if (writes != 1 || registers[2] != 0x40) {
        fprintf(stderr, "error: %d write(s), register 2 = 0x%02X; expected one write of 0x40\n", writes, registers[2]);
        failed = 1;
    }
    expect(qm.click(instance, QM7140_DIALOG_BOOST, form.control_count) == QM7140_UI_ERR_CONTROL,
           "a control past the list is not refused");
    qm.free_instance(instance);
    return failed;
}
