/* A host built against the installed package: it links libqm7140.so (pkg-config or
 * find_package), shows the Boost dialog, ticks Enable Boost through <qm7140/ui.h> and
 * expects the one write that sets bit 6 of register 2. Exit 0 when it came. */
#include <qm7140/ui.h>

#include <stdio.h>

/* The exports, declared here to be linked; each is checked against its typedef below. */
QM7140Instance _Init(int32_t, int32_t, int32_t, int32_t);
void _FreeCodecInstance(QM7140Instance instance);
QM7140RegisterWindow *_GetI2CObject(QM7140Instance instance, int32_t dialog);
void _SelectMenu(QM7140Instance instance, int32_t dialog);
QM7140UiStatus qm7140_ui_find(QM7140Instance instance, int32_t dialog, const char *name, int32_t *control);
QM7140UiStatus qm7140_ui_click(QM7140Instance instance, int32_t dialog, int32_t control);

static const QM7140_InitFn init_matches = _Init;
static const QM7140_FreeCodecInstanceFn free_matches = _FreeCodecInstance;
static const QM7140_GetI2CObjectFn window_matches = _GetI2CObject;
static const QM7140_SelectMenuFn menu_matches = _SelectMenu;
static const QM7140_UiFindFn find_matches = qm7140_ui_find;
static const QM7140_UiClickFn click_matches = qm7140_ui_click;

static uint8_t registers[256];
static int writes;

static void written(intptr_t context, int32_t address, int32_t page, uint32_t reg, int32_t count) {
    (void)context;
    (void)count;
    printf("W 0x%02X/%d reg 0x%02X = 0x%02X\n", (unsigned)address, (int)page, (unsigned)reg, registers[reg & 0xFF]);
    ++writes;
}

int main(void) {
    QM7140Instance instance = init_matches(0, 0, 0, 0);
    QM7140RegisterWindow *window = instance ? window_matches(instance, QM7140_DIALOG_BOOST) : NULL;
    if (window == NULL) {
        fprintf(stderr, "error: no instance or no Boost window\n");
        return 1;
    }
    window->Cache = registers;
    window->WriteCallback = written;
    menu_matches(instance, QM7140_DIALOG_BOOST);
    int32_t control = -1;
    const int ok = find_matches(instance, QM7140_DIALOG_BOOST, "EnableBoost", &control) == QM7140_UI_OK &&
                   click_matches(instance, QM7140_DIALOG_BOOST, control) == QM7140_UI_OK;
    free_matches(instance);
    if (!ok || writes != 1 || registers[2] != 0x40) {
        fprintf(stderr, "error: %d write(s), register 2 = 0x%02X; expected one write of 0x40\n", writes, registers[2]);
        return 1;
    }
    return 0;
}
