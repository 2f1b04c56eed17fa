/*
 * QM7140 plug-in module: graph objects as the host sees them.
 *
 * A host may link one of its own graph objects to the Digital Control dialog (the last
 * argument of _ShowDialog). The module then calls the object's operations through its
 * table, and runs its own hit-mode routine directly on the object's fields, so a host
 * object must have exactly this layout and this operation order. Offsets are those of the
 * 32-bit (i686) build; a 64-bit build keeps the field order and the integer widths, only
 * pointers widen. Every operation is cdecl with the object as its first argument.
 *
 * Threads: everything runs on the host's UI thread. Ownership: an object owns nothing it
 * points to (timer, canvas, sources, dependents); the host keeps those alive.
 */
#ifndef QM7140_GRAPH_H
#define QM7140_GRAPH_H

#include <qm7140/plugin.h>

#include <stdbool.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* 0x00BBGGRR, red in the low byte; a high byte of 0xFF marks a framework system colour. */
typedef uint32_t QM7140Color;

typedef struct QM7140GraphPoint {
    float X, Y; /* pixels */
} QM7140GraphPoint;

/* 72 bytes. The module reads Id only. */
typedef struct QM7140GraphLink {
    int32_t Id;
    int32_t Words[17]; /* free for the host */
} QM7140GraphLink;

typedef struct QM7140GraphRect {
    int32_t Left, Top, Right, Bottom;
} QM7140GraphRect;

typedef struct QM7140GraphObject QM7140GraphObject;

/* Pointer tracking's report: the pointer entered (3) or left (4) the sender. */
enum { QM7140_GRAPH_POINTER_ENTERED = 3, QM7140_GRAPH_POINTER_LEFT = 4 };
typedef void (QM7140_CDECL *QM7140GraphNotifyProc)(void *context, QM7140GraphObject *sender,
                                                   int32_t event);

/* Hit modes. */
enum { QM7140_GRAPH_NEVER_HIT = 0, QM7140_GRAPH_HIT_ON_SHAPE = 1, QM7140_GRAPH_ALWAYS_HIT = 2 };

/* The operation table: exactly these 25 slots, in this order. */
typedef struct QM7140GraphObjectOps {
    /*  0 */ void (QM7140_CDECL *Destroy)(QM7140GraphObject *self, bool deleteSelf);
    /*  1 */ void (QM7140_CDECL *StartAnimation)(QM7140GraphObject *self, int32_t state);
    /*  2 */ void (QM7140_CDECL *Place)(QM7140GraphObject *self, float scale, int32_t dx, int32_t dy);
    /*  3 */ bool (QM7140_CDECL *ContainsPoint)(QM7140GraphObject *self, int32_t x, int32_t y);
    /*  4 */ bool (QM7140_CDECL *HitTest)(QM7140GraphObject *self, int32_t x, int32_t y);
    /*  5 */ void (QM7140_CDECL *MouseMove)(QM7140GraphObject *self, int32_t x, int32_t y);
    /*  6 */ void (QM7140_CDECL *Reserved1)(QM7140GraphObject *self);
    /*  7 */ void (QM7140_CDECL *Reserved2)(QM7140GraphObject *self);
    /*  8 */ void (QM7140_CDECL *SetNotify)(QM7140GraphObject *self, void *context,
                                            QM7140GraphNotifyProc proc);
    /*  9 */ void (QM7140_CDECL *SetFadeColor)(QM7140GraphObject *self, QM7140Color color);
    /* 10 */ void (QM7140_CDECL *SetSelectedColor)(QM7140GraphObject *self, QM7140Color color);
    /* 11 */ void (QM7140_CDECL *UpdateSelection)(QM7140GraphObject *self, bool adoptColor);
    /* 12 */ void (QM7140_CDECL *SaveSelected)(QM7140GraphObject *self);
    /* 13 */ void (QM7140_CDECL *TransformPoints)(QM7140GraphObject *self, const float m[6]);
    /* 14 */ void (QM7140_CDECL *TranslatePoints)(QM7140GraphObject *self, const float d[2]);
    /* 15 */ void (QM7140_CDECL *ScalePoints)(QM7140GraphObject *self, const float s[2]);
    /* 16 */ bool (QM7140_CDECL *HasLink)(QM7140GraphObject *self, int32_t id);
    /* 17 */ void (QM7140_CDECL *SetSelected)(QM7140GraphObject *self, bool selected);
    /* 18 */ void (QM7140_CDECL *SetUserFlag)(QM7140GraphObject *self, bool flag);
    /* 19 */ void (QM7140_CDECL *SetSelectable)(QM7140GraphObject *self, bool selectable);
    /* 20 */ bool (QM7140_CDECL *IsSelected)(QM7140GraphObject *self);
    /* 21 */ bool (QM7140_CDECL *WasSelected)(QM7140GraphObject *self);
    /* 22 */ int32_t (QM7140_CDECL *GetIndex)(QM7140GraphObject *self);
    /* 23 */ void (QM7140_CDECL *SetVisible)(QM7140GraphObject *self, bool visible);
    /* 24 */ void (QM7140_CDECL *Draw)(QM7140GraphObject *self, void *canvas);
} QM7140GraphObjectOps;

/* The common part of every graph object: offset, size, meaning. "Reserved" fields are
 * neither read nor written by the module after construction unless stated. */
struct QM7140GraphObject {
    const QM7140GraphObjectOps *Ops;   /* 0x000,  4: operation table                        */
    float Scale;                       /* 0x004,  4: last scale placed with; 1.0 at first    */
    void *Canvas;                      /* 0x008,  4: canvas of the last paint, or null       */
    uint8_t Reserved00C;               /* 0x00C,  1: 0                                       */
    void *AnimationTimer;              /* 0x010,  4: timer the object is registered with     */
    int32_t AnimationState;            /* 0x014,  4: 0 idle, 1 entering, 2 entered,
                                                     3 and 5 leaving                         */
    uint32_t AnimationStep;            /* 0x018,  4: fade step; factor = step x 0.1          */
    uint32_t PenWidth;                 /* 0x01C,  4: current pen width, pixels               */
    uint32_t NormalPenWidth;           /* 0x020,  4: width when not selected                 */
    uint32_t SelectedPenWidth;         /* 0x024,  4: width when selected                     */
    uint32_t HighlightPenWidth;        /* 0x028,  4: width of the highlight pass             */
    QM7140Color Color;                 /* 0x02C,  4: current pen colour                      */
    QM7140Color HighlightColor;        /* 0x030,  4: colour of the highlight pass            */
    QM7140Color NormalColor;           /* 0x034,  4: colour when not selected                */
    QM7140Color FadeColor;             /* 0x038,  4: colour the fade moves toward            */
    QM7140Color SelectedColor;         /* 0x03C,  4: colour when selected                    */
    QM7140GraphPoint Points[16];       /* 0x040,128: model points                            */
    QM7140GraphPoint ScreenPoints[16]; /* 0x0C0,128: placed points, pixels                   */
    uint32_t PointCount;               /* 0x140,  4: points in use; the module uses at most
                                                     16 whatever is stored here              */
    int32_t Reserved144;               /* 0x144,  4: 0                                       */
    int32_t HitMode;                   /* 0x148,  4: QM7140_GRAPH_NEVER_HIT, ...             */
    QM7140GraphNotifyProc NotifyProc;  /* 0x14C,  4: pointer tracking's report, or null      */
    void *NotifyContext;               /* 0x150,  4: first argument of NotifyProc            */
    bool Selected;                     /* 0x154,  1                                          */
    bool UserFlag;                     /* 0x155,  1: kept for the host, read by nothing      */
    bool Updating;                     /* 0x156,  1: set while the selection is updated      */
    uint8_t Reserved157;               /* 0x157,  1: 0                                       */
    bool Selectable;                   /* 0x158,  1                                          */
    bool SavedSelected;                /* 0x159,  1: Selected as of the last SaveSelected    */
    uint8_t Reserved15A;               /* 0x15A,  1: 0                                       */
    bool Visible;                      /* 0x15B,  1: an invisible object draws nothing       */
    uint8_t Reserved15C[3];            /* 0x15C,  3: 0; the byte after them is padding       */
    char *Text160;                     /* 0x160,  4: object's own 8-bit string, null = empty;
                                                     freed with the object, host keeps off   */
    char *Text164;                     /* 0x164,  4: the same                                */
    int32_t Reserved168[2];            /* 0x168,  8: 0; placing sets them to 0 again         */
    QM7140GraphRect Bounds;            /* 0x170, 16: bounding box of the placed points       */
    int32_t Reserved180;               /* 0x180,  4: 0                                       */
    int32_t Reserved184[16];           /* 0x184, 64: 0                                       */
    int32_t Reserved1C4[16];           /* 0x1C4, 64: 0                                       */
    uint32_t DependentCount;           /* 0x204,  4: Dependents in use (at most 16 count)    */
    uint32_t SourceCount;              /* 0x208,  4: Sources in use (at most 16 count)       */
    QM7140GraphObject *Dependents[16]; /* 0x20C, 64: updated after this one; null skipped    */
    QM7140GraphObject *Sources[16];    /* 0x24C, 64: selection followed; null skipped        */
    uint8_t Reserved28C[64];           /* 0x28C, 64: 0                                       */
    uint32_t LinkCount;                /* 0x2CC,  4: Links in use (at most 16 count)         */
    QM7140GraphLink Links[16];         /* 0x2D0,1152                                         */
    int32_t FillStyle;                 /* 0x750,  4: 2 fills the shape                       */
    uint32_t FillColor;                /* 0x754,  4: fill colour, 0x00RRGGBB (not a colour
                                                     of the kind above)                      */
    int32_t Reserved758;               /* 0x758,  4: 2                                       */
    QM7140Color Reserved75C;           /* 0x75C,  4: 0x808080                                */
};                                     /* 1888 bytes (0x760)                                 */

/* The module's own classes extend this: a line adds DashStyle (int32, 0x760; 1892 bytes),
 * a rectangle adds nothing, a cursor adds Dragging (bool, 0x764), CenterX and CenterY
 * (float32, 0x768 and 0x76C; 1904 bytes). The host never receives those objects. */

#ifdef __cplusplus
}
#endif

#endif
