#include "host/common/module/seam_status.h"

namespace host {

std::string SeamStatusText(QM7140UiStatus status) {
    switch (status) {
    case QM7140_UI_OK: return "done";
    case QM7140_UI_ERR_ARGUMENT: return "bad argument";
    case QM7140_UI_ERR_INSTANCE: return "no such instance";
    case QM7140_UI_ERR_DIALOG: return "no such dialog";
    case QM7140_UI_ERR_CONTROL: return "no such control";
    case QM7140_UI_ERR_KIND: return "the control does not take that action";
    case QM7140_UI_ERR_RANGE: return "value out of range";
    case QM7140_UI_ERR_HIDDEN: return "the dialog is closed";
    case QM7140_UI_ERR_BUSY: return "the module is busy";
    case QM7140_UI_ERR_FAILED: return "the module failed";
    default: return "the module refused it (status " + std::to_string(status) + ")";
    }
}

}  // namespace host
