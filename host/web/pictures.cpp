#include "host/web/pictures.h"

namespace web {

const Pictures::Picture& Pictures::Of(const host::Module::UiSeam& ui, QM7140Instance instance, int dialog, int control,
                                      uint32_t changes) {
    Picture& picture = painted_[{dialog, control}];
    if (picture.version != 0 && picture.changes == changes) return picture;
    DisplayList list;
    Json ops = ui.paint(instance, dialog, control, &DisplayListDrawing(), &list) == QM7140_UI_OK ? list.Finish() : Json::array();
    picture.changes = changes;
    if (picture.version == 0 || ops != picture.ops) {
        picture.ops = std::move(ops);
        picture.version = ++versions_;
    }
    return picture;
}

}  // namespace web
