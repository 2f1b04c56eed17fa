#include "host/terminal/graph_object.h"

namespace host {

namespace {

// Every slot does nothing of note; the host only watches the fields.
template <class R, class... A>
R QM7140_CDECL Nothing(QM7140GraphObject*, A...) {
    return R();
}

void QM7140_CDECL StartAnimation(QM7140GraphObject* self, int32_t state) { self->AnimationState = state; }

const QM7140GraphObjectOps kOps = {
    Nothing<void, bool>, StartAnimation, Nothing<void, float, int32_t, int32_t>,
    Nothing<bool, int32_t, int32_t>, Nothing<bool, int32_t, int32_t>, Nothing<void, int32_t, int32_t>,
    Nothing<void>, Nothing<void>, Nothing<void, void*, QM7140GraphNotifyProc>,
    Nothing<void, QM7140Color>, Nothing<void, QM7140Color>, Nothing<void, bool>,
    Nothing<void>, Nothing<void, const float*>, Nothing<void, const float*>,
    Nothing<void, const float*>, Nothing<bool, int32_t>, Nothing<void, bool>,
    Nothing<void, bool>, Nothing<void, bool>, Nothing<bool>, Nothing<bool>,
    Nothing<int32_t>, Nothing<void, bool>, Nothing<void, void*>,
};

}  // namespace

QM7140GraphObject MakeGraphObject() {
    QM7140GraphObject o{};
    o.Ops = &kOps;
    o.HitMode = QM7140_GRAPH_HIT_ON_SHAPE;
    o.Selectable = true;
    o.Visible = true;
    return o;
}

const char* HitModeName(int32_t mode) {
    switch (mode) {
    case QM7140_GRAPH_NEVER_HIT: return "never hit";
    case QM7140_GRAPH_HIT_ON_SHAPE: return "hit on its shape";
    case QM7140_GRAPH_ALWAYS_HIT: return "always hit";
    default: return "unknown";
    }
}

}  // namespace host
