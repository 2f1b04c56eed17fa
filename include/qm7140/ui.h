/*
 * QM7140 plug-in module: the UI seam for hosts without a window system of ours.
 *
 * On Windows a host reaches the module's dialogs through window messages. On Linux,
 * libqm7140.so exports the functions below instead (QM7140.dll does not): with them a host
 * written in C, or in any language that calls C, reads each dialog and its controls, acts
 * as the user, learns what changed, and paints the dialog's paint box with drawing
 * operations of its own. A host that links the library calls them as declared at the end;
 * one that loads it with dlopen resolves each by the name in its comment.
 *
 * Addressing. A dialog is (instance, dialog index) with the handle from _Init and the index
 * of plugin.h (0 Digital Control, 1 Limiter / AGC, 2 Boost). A control is its index in the
 * dialog's list, 0 to control_count - 1: the form's controls in tab order, depth first (a
 * group's children follow the group). Indices never change while the instance lives;
 * qm7140_ui_find finds one by name.
 *
 * Checking. Every handle, index, name, size and pointer the host passes is checked. A
 * freed or foreign instance, an index out of range, an action a control does not take,
 * a null pointer or a record too small for its first version is refused with a status and
 * changes nothing. No C++ exception and no abort leave through these functions; a failure
 * inside the module (memory running out) returns QM7140_UI_ERR_FAILED and leaves the
 * instance usable.
 *
 * Records. Every record the host and the module exchange carries its size in its first
 * field, so the seam can grow at its end without breaking a host built against an older
 * header. The host sets `size` to sizeof the record as it knows it; it must be at least
 * the record's first version (the _V1_SIZE constants). The module reads and writes only the
 * fields that lie inside `size`.
 *
 * Threads. One thread: the host's UI thread, the one that calls the plug-in's exports.
 * Nothing here may be called from another thread or while another call of the module is
 * running, with one exception: from inside a write callback or a drawing operation the
 * host may read (form, control, item, find); an action or a paint from there returns
 * QM7140_UI_ERR_BUSY.
 *
 * Ownership. Strings the module hands out are UTF-8, owned by the module and valid until
 * the host's next call into the module (any export); copy what you keep. Strings and
 * drawing tables the host passes are the host's and are not kept past the call.
 *
 * Offsets are those of the 64-bit Linux build, where the seam exists.
 */
#ifndef QM7140_UI_H
#define QM7140_UI_H

#include <qm7140/plugin.h>

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define QM7140_UI_VERSION 3 /* 2: qm7140_ui_key, 3: qm7140_ui_binding */

/* ---- Statuses ---------------------------------------------------------------------------- */

typedef int32_t QM7140UiStatus;
enum {
    QM7140_UI_OK = 0,
    QM7140_UI_ERR_ARGUMENT = 1,  /* a null pointer, or a record smaller than its first version  */
    QM7140_UI_ERR_INSTANCE = 2,  /* not a live instance of this load                            */
    QM7140_UI_ERR_DIALOG = 3,    /* not a dialog index                                          */
    QM7140_UI_ERR_CONTROL = 4,   /* no control of that index or name                            */
    QM7140_UI_ERR_KIND = 5,      /* the control does not take that action                       */
    QM7140_UI_ERR_RANGE = 6,     /* item, position, pixel, size, button or key out of range     */
    QM7140_UI_ERR_HIDDEN = 7,    /* the user cannot reach a control of a dialog that is hidden  */
    QM7140_UI_ERR_BUSY = 8,      /* an action or paint from inside a callback of this module    */
    QM7140_UI_ERR_FAILED = 9     /* the module failed inside; nothing half done is left behind  */
};

/* ---- Forms --------------------------------------------------------------------------------- */

/* Filled by qm7140_ui_form. */
typedef struct QM7140UiForm {
    uint32_t size;          /*   0: host writes sizeof(QM7140UiForm)                           */
    int32_t control_count;  /*   4: controls in the list                                      */
    const char *name;       /*   8: the form's own name, "DigitalControlForm", ...             */
    const char *caption;    /*  16: its title bar text                                        */
    const char *font_name;  /*  24: the font of its controls, "Tahoma"                        */
    int32_t font_height;    /*  32: that font's cell height in pixels                         */
    int32_t width;          /*  36: client area, pixels                                       */
    int32_t height;         /*  40                                                            */
    int32_t has_position;   /*  44: 1 when it opens at (left, top) on the screen, 0: anywhere */
    int32_t left;           /*  48                                                            */
    int32_t top;            /*  52                                                            */
    int32_t visible;        /*  56: 1 shown, 0 hidden                                         */
    int32_t active;         /*  60: 1 when it is the active window                            */
    int32_t focused;        /*  64: index of the control with the focus, -1 none              */
    uint32_t changes;       /*  68: see "Changes" below                                       */
} QM7140UiForm;             /*  72 bytes                                                      */
#define QM7140_UI_FORM_V1_SIZE 72u

/* ---- Controls ------------------------------------------------------------------------------ */

typedef int32_t QM7140UiKind;
enum {
    QM7140_UI_CHECK_BOX = 1,   /* caption, checked; click                                     */
    QM7140_UI_COMBO_BOX = 2,   /* drop-down list: items, item_index, text; select, type       */
    QM7140_UI_RADIO_GROUP = 3, /* caption (its frame), items, item_index, columns; select     */
    QM7140_UI_TRACK_BAR = 4,   /* position in min..max; set_position                          */
    QM7140_UI_EDIT = 5,        /* single line: text; type                                     */
    QM7140_UI_LABEL = 6,       /* caption                                                     */
    QM7140_UI_GROUP_BOX = 7,   /* caption, a frame that holds other controls                  */
    QM7140_UI_BUTTON = 8,      /* push button: caption; click                                 */
    QM7140_UI_PAINT_BOX = 9    /* mouse, resize, paint                                        */
};

/* Filled by qm7140_ui_control. Fields a kind does not use are 0, null for strings. Captions
 * are the framework's: "&x" underlines x (the keyboard accelerator), "&&" is one "&". */
typedef struct QM7140UiControl {
    uint32_t size;          /*   0: host writes sizeof(QM7140UiControl)                        */
    QM7140UiKind kind;      /*   4                                                            */
    const char *name;       /*   8: "EnableBoost", "LimiterPaintBox", ...                      */
    int32_t parent;         /*  16: index of the group it stands in, -1 the form              */
    int32_t left;           /*  20: pixels, relative to the parent's client area              */
    int32_t top;            /*  24                                                            */
    int32_t width;          /*  28                                                            */
    int32_t height;         /*  32                                                            */
    int32_t tab_order;      /*  36: among its parent's children                               */
    const char *caption;    /*  40: check box, radio group, label, group box, button          */
    const char *text;       /*  48: edit, combo box (the text field)                          */
    int32_t enabled;        /*  56: 1 when the user can reach it                              */
    int32_t checked;        /*  60: check box                                                 */
    int32_t item_count;     /*  64: combo box, radio group                                    */
    int32_t item_index;     /*  68: combo box, radio group; -1 nothing selected               */
    int32_t columns;        /*  72: radio group                                               */
    int32_t position;       /*  76: track bar                                                 */
    int32_t min;            /*  80: track bar                                                 */
    int32_t max;            /*  84: track bar                                                 */
    uint32_t changes;       /*  88: see "Changes" below                                       */
    uint32_t reserved;      /*  92: 0                                                         */
} QM7140UiControl;          /*  96 bytes                                                      */
#define QM7140_UI_CONTROL_V1_SIZE 96u

/* ---- Changes --------------------------------------------------------------------------------
 * Every form and every control carries a counter, `changes`, that grows (modulo 2^32) at
 * least whenever something its record reports changes, and for a paint box whenever its
 * picture does. After an action or a notification a host reads the form; when its counter
 * moved, it reads the controls and redraws those whose counters moved since it last looked.
 * A counter may also grow when nothing visible changed; it never stays put when something
 * did. Visibility, activation and focus count as the form's changes. */

/* ---- Drawing ----------------------------------------------------------------------------
 * A paint box paints through a table the host fills, with designated initialisers:
 *     static const QM7140UiDrawing kMine = {.size = sizeof kMine, .fill_rect = my_fill, ...};
 * The module calls the operations synchronously from qm7140_ui_paint, in painting order, on
 * pixels of the paint box (0,0 its top-left corner); the host clips to the box. A null
 * operation, or one beyond the table's `size`, is skipped. Colours are 0xAARRGGBB; the
 * aliased operations always pass an alpha of 0xFF. Fonts: a family name and a size in
 * points at 96 pixels per inch. Pointers passed to an operation live until it returns. */

/* One elliptic arc of a path: the part of the ellipse inside the box from `start` through
 * `sweep` degrees, both clockwise on the screen from the positive x axis. A figure's
 * consecutive arcs are joined by straight lines. */
typedef struct QM7140UiArc {
    int32_t x, y, width, height; /* the ellipse's bounding box                               */
    float start, sweep;          /* degrees                                                  */
    int32_t close_figure;        /* 1: a line back to the figure's first point ends the figure
                                    after this arc; the next arc starts a new one            */
} QM7140UiArc;                   /* 28 bytes                                                 */

typedef enum QM7140UiDash {
    QM7140_UI_DASH_SOLID = 0,
    QM7140_UI_DASH_DASH = 1,
    QM7140_UI_DASH_DOT = 2,
    QM7140_UI_DASH_DASH_DOT = 3,
    QM7140_UI_DASH_DASH_DOT_DOT = 4
} QM7140UiDash;

typedef struct QM7140UiDrawing {
    uint32_t size; /* host writes sizeof(QM7140UiDrawing) */
    /* Aliased pixels of the framework canvas. */
    /* Fills the pixels from (left, top) up to, not including, (right, bottom). */
    void (*fill_rect)(void *context, int32_t left, int32_t top, int32_t right, int32_t bottom,
                      uint32_t argb);
    /* A pen line from (x1, y1) to (x2, y2), the last pixel not drawn, `width` pixels wide. */
    void (*line)(void *context, int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t argb,
                 int32_t width);
    /* One line of text, its box's top-left corner at (x, y), the box first filled with
     * `background`. */
    void (*text)(void *context, int32_t x, int32_t y, const char *text, const char *font,
                 int32_t points, uint32_t argb, uint32_t background);
    /* The same turned by 90 degrees: it runs upwards from (x, y), its top facing left. */
    void (*text_up)(void *context, int32_t x, int32_t y, const char *text, const char *font,
                    int32_t points, uint32_t argb, uint32_t background);
    /* Anti-aliased operations of the graphics layer. */
    void (*aa_line)(void *context, float x1, float y1, float x2, float y2, uint32_t argb,
                    float width, QM7140UiDash dash);
    /* Fills the figures of a path of `count` arcs (a rounded rectangle is four). */
    void (*fill_path)(void *context, const QM7140UiArc *arcs, uint32_t count, uint32_t argb);
    /* Strokes them with a pen. */
    void (*stroke_path)(void *context, const QM7140UiArc *arcs, uint32_t count, uint32_t argb,
                        float width, QM7140UiDash dash);
} QM7140UiDrawing;
#define QM7140_UI_DRAWING_V1_SIZE (8u * sizeof(void *)) /* the size field, padded, and 7 operations */

/* ---- Functions --------------------------------------------------------------------------
 * Each returns QM7140_UI_OK or one of the errors above; the refusals each function adds
 * to the general ones are listed with it. */

typedef int32_t QM7140UiMouse;
enum { QM7140_UI_MOUSE_DOWN = 0, QM7140_UI_MOUSE_MOVE = 1, QM7140_UI_MOUSE_UP = 2 };
typedef int32_t QM7140UiButton;
enum { QM7140_UI_BUTTON_LEFT = 0, QM7140_UI_BUTTON_RIGHT = 1, QM7140_UI_BUTTON_MIDDLE = 2 };

/* Keys that qm7140_ui_type takes besides printable characters. */
#define QM7140_UI_KEY_BACKSPACE '\b'
#define QM7140_UI_KEY_ENTER '\r'

/* Keys that qm7140_ui_key takes. */
typedef int32_t QM7140UiKey;
enum {
    QM7140_UI_KEY_LEFT = 1,
    QM7140_UI_KEY_RIGHT = 2,
    QM7140_UI_KEY_UP = 3,
    QM7140_UI_KEY_DOWN = 4,
    QM7140_UI_KEY_TAB = 5,
    QM7140_UI_KEY_BACK_TAB = 6 /* Shift+Tab */
};

/* "qm7140_ui_version": QM7140_UI_VERSION of the module. A host built against a newer
 * header uses only what that version has. */
typedef uint32_t (*QM7140_UiVersionFn)(void);

/* Reading. Allowed from inside callbacks. */

/* "qm7140_ui_form": the dialog's form. */
typedef QM7140UiStatus (*QM7140_UiFormFn)(QM7140Instance instance, int32_t dialog,
                                          QM7140UiForm *form);
/* "qm7140_ui_control": one control. */
typedef QM7140UiStatus (*QM7140_UiControlFn)(QM7140Instance instance, int32_t dialog,
                                             int32_t control, QM7140UiControl *out);
/* "qm7140_ui_item": the text of item `item` of a combo box or radio group.
 * ERR_KIND for other controls, ERR_RANGE outside 0 .. item_count - 1. */
typedef QM7140UiStatus (*QM7140_UiItemFn)(QM7140Instance instance, int32_t dialog,
                                          int32_t control, int32_t item, const char **text);
/* "qm7140_ui_find": the index of the control of that name (exact, as the form names it).
 * ERR_CONTROL when there is none. */
typedef QM7140UiStatus (*QM7140_UiFindFn)(QM7140Instance instance, int32_t dialog,
                                          const char *name, int32_t *control);

/* Acting as the user. Each is refused with ERR_HIDDEN while the dialog is hidden (show it
 * with _SelectMenu or _ShowDialog), and runs whatever the dialog does, write callbacks
 * included, before it returns. As on a screen, an action on a control that can hold the
 * focus (all but labels, group boxes and paint boxes) first moves the focus there, so an
 * edit that had it runs its exit first. */

/* "qm7140_ui_click": toggles a check box, presses a button. ERR_KIND for other controls. */
typedef QM7140UiStatus (*QM7140_UiClickFn)(QM7140Instance instance, int32_t dialog,
                                           int32_t control);
/* "qm7140_ui_select": picks item `item` of a combo box or radio group, as a click in its
 * list does. ERR_KIND, ERR_RANGE outside 0 .. item_count - 1. */
typedef QM7140UiStatus (*QM7140_UiSelectFn)(QM7140Instance instance, int32_t dialog,
                                            int32_t control, int32_t item);
/* "qm7140_ui_type": types `keys` into an edit or a combo box's text field, one key per byte:
 * printable ASCII, QM7140_UI_KEY_BACKSPACE and QM7140_UI_KEY_ENTER. In a combo box the list
 * follows the text to the first item it begins (any letter case), or to none (an empty text
 * too). ERR_KIND, ERR_RANGE for any other byte (then no key is typed). An edit takes its
 * keys up to each Enter whole or not at all: ERR_FAILED leaves its text as the last Enter
 * left it (or as it was), and each Enter's write stands. In a combo box each key is a user's
 * key with its own write, so ERR_FAILED there leaves the keys before the failing one typed
 * and written, and the dialog showing them. */
typedef QM7140UiStatus (*QM7140_UiTypeFn)(QM7140Instance instance, int32_t dialog,
                                          int32_t control, const char *keys);
/* "qm7140_ui_focus": moves the focus to a control that can hold it, or with -1 out of the
 * dialog's controls (the user clicked elsewhere). ERR_KIND for a label, group box or paint
 * box. */
typedef QM7140UiStatus (*QM7140_UiFocusFn)(QM7140Instance instance, int32_t dialog,
                                           int32_t control);
/* "qm7140_ui_set_position": slides a track bar. ERR_KIND, ERR_RANGE outside min..max. */
typedef QM7140UiStatus (*QM7140_UiSetPositionFn)(QM7140Instance instance, int32_t dialog,
                                                 int32_t control, int32_t position);
/* "qm7140_ui_mouse": a button pressed, the pointer moved, a button released, at pixel (x, y)
 * of a paint box; a pointer held down may leave the box, so x and y may be anywhere in
 * -32768..32767. ERR_KIND, ERR_RANGE for another button, action or pixel. */
typedef QM7140UiStatus (*QM7140_UiMouseFn)(QM7140Instance instance, int32_t dialog,
                                           int32_t control, QM7140UiMouse action,
                                           QM7140UiButton button, int32_t x, int32_t y);
/* "qm7140_ui_key" (version 2 on): a key pressed while a paint box has the keyboard (the host
 * says when it has: a paint box never holds the dialog's focus). A box with cursors moves
 * the chosen one by one code of the register the arrow's direction stands for, writing what
 * a drag of the cursor to there writes; Tab and Shift+Tab choose the next and the previous
 * cursor. `used`, when not null, gets 1 when the box used the key and 0 when it did not (a
 * box without keys, an arrow at the end of its range, Tab at the last cursor, Shift+Tab at
 * the first), for the host to pass the key on as for any key no control took. ERR_KIND for
 * other controls, ERR_RANGE for another key. */
typedef QM7140UiStatus (*QM7140_UiKeyFn)(QM7140Instance instance, int32_t dialog,
                                         int32_t control, QM7140UiKey key, int32_t *used);
/* "qm7140_ui_resize": gives a paint box a new size, 1 to 8192 pixels each way; what it
 * shows follows. ERR_KIND, ERR_RANGE. */
typedef QM7140UiStatus (*QM7140_UiResizeFn)(QM7140Instance instance, int32_t dialog,
                                            int32_t control, int32_t width, int32_t height);
/* "qm7140_ui_activate": the user clicked into the dialog: it becomes the active window. */
typedef QM7140UiStatus (*QM7140_UiActivateFn)(QM7140Instance instance, int32_t dialog);
/* "qm7140_ui_deactivate": the user clicked elsewhere: the dialog stops being active (does
 * nothing when it was not). */
typedef QM7140UiStatus (*QM7140_UiDeactivateFn)(QM7140Instance instance, int32_t dialog);
/* "qm7140_ui_close": the user closed the dialog; it only hides and keeps its state. A hidden
 * dialog is already closed: OK. */
typedef QM7140UiStatus (*QM7140_UiCloseFn)(QM7140Instance instance, int32_t dialog);

/* The register map. */

/* Filled by qm7140_ui_binding: register bits a control of a dialog writes. */
typedef struct QM7140UiBinding {
    uint32_t size;   /*   0: host writes sizeof(QM7140UiBinding)                            */
    int32_t dialog;  /*   4                                                                */
    int32_t control; /*   8: the control whose value the bits hold                         */
    int32_t reg;     /*  12: register, 0 to 255                                            */
    int32_t mask;    /*  16: its bits, 1 to 255                                            */
} QM7140UiBinding;   /*  20 bytes                                                          */
#define QM7140_UI_BINDING_V1_SIZE 20u

/* "qm7140_ui_binding" (version 3 on): binding `index`, from 0, of the register bits the
 * dialogs' controls write, dialog by dialog. A register no binding names is written by no
 * control. ERR_RANGE past the last. */
typedef QM7140UiStatus (*QM7140_UiBindingFn)(QM7140Instance instance, int32_t index,
                                             QM7140UiBinding *out);

/* Painting. */

/* "qm7140_ui_paint": paints a paint box through the host's table, with `context` as every
 * operation's first argument. Allowed while the dialog is hidden (a snapshot). ERR_KIND,
 * ERR_ARGUMENT for a null table or a table smaller than its first version. */
typedef QM7140UiStatus (*QM7140_UiPaintFn)(QM7140Instance instance, int32_t dialog,
                                           int32_t control, const QM7140UiDrawing *drawing,
                                           void *context);

#if !defined(_WIN32)
/* ---- Linked hosts ----------------------------------------------------------------------
 * The same functions for a host that links libqm7140.so (-lqm7140) and calls them by name,
 * in the order of the types above; a host that loads it with dlopen resolves each name with
 * dlsym as its type instead. */

uint32_t qm7140_ui_version(void);

QM7140UiStatus qm7140_ui_form(QM7140Instance instance, int32_t dialog, QM7140UiForm *form);

QM7140UiStatus qm7140_ui_control(QM7140Instance instance, int32_t dialog, int32_t control, QM7140UiControl *out);

QM7140UiStatus qm7140_ui_item(QM7140Instance instance, int32_t dialog, int32_t control, int32_t item,
                              const char **text);

QM7140UiStatus qm7140_ui_find(QM7140Instance instance, int32_t dialog, const char *name, int32_t *control);

QM7140UiStatus qm7140_ui_click(QM7140Instance instance, int32_t dialog, int32_t control);

QM7140UiStatus qm7140_ui_select(QM7140Instance instance, int32_t dialog, int32_t control, int32_t item);

QM7140UiStatus qm7140_ui_type(QM7140Instance instance, int32_t dialog, int32_t control, const char *keys);

QM7140UiStatus qm7140_ui_focus(QM7140Instance instance, int32_t dialog, int32_t control);

QM7140UiStatus qm7140_ui_set_position(QM7140Instance instance, int32_t dialog, int32_t control, int32_t position);

QM7140UiStatus qm7140_ui_mouse(QM7140Instance instance, int32_t dialog, int32_t control, QM7140UiMouse action,
                               QM7140UiButton button, int32_t x, int32_t y);

QM7140UiStatus qm7140_ui_key(QM7140Instance instance, int32_t dialog, int32_t control, QM7140UiKey key,
                             int32_t *used);

QM7140UiStatus qm7140_ui_resize(QM7140Instance instance, int32_t dialog, int32_t control, int32_t width,
                                int32_t height);

QM7140UiStatus qm7140_ui_activate(QM7140Instance instance, int32_t dialog);

QM7140UiStatus qm7140_ui_deactivate(QM7140Instance instance, int32_t dialog);

QM7140UiStatus qm7140_ui_close(QM7140Instance instance, int32_t dialog);

QM7140UiStatus qm7140_ui_binding(QM7140Instance instance, int32_t index, QM7140UiBinding *out);

QM7140UiStatus qm7140_ui_paint(QM7140Instance instance, int32_t dialog, int32_t control,
                               const QM7140UiDrawing *drawing, void *context);
#endif

#ifdef __cplusplus
}
#endif

#endif
