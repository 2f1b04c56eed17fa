#include "host/web/ui_api.h"

#include <dlfcn.h>

#include <stdexcept>
#include <string>

namespace web {

UiApi LoadUiApi(const std::filesystem::path& path) {
    // The module is loaded already: this only takes another reference, which stays for the
    // life of the process.
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NOLOAD);
    if (handle == nullptr) throw std::runtime_error("the module " + path.string() + " is not loaded");
    std::string missing;
    auto resolve = [&]<class Fn>(Fn& slot, const char* name) {
        slot = reinterpret_cast<Fn>(dlsym(handle, name));
        if (slot == nullptr) missing += std::string(missing.empty() ? "" : ", ") + name;
    };
    UiApi api;
    resolve(api.Version, "qm7140_ui_version");
    resolve(api.Form, "qm7140_ui_form");
    resolve(api.Control, "qm7140_ui_control");
    resolve(api.Item, "qm7140_ui_item");
    resolve(api.Find, "qm7140_ui_find");
    resolve(api.Click, "qm7140_ui_click");
    resolve(api.Select, "qm7140_ui_select");
    resolve(api.Type, "qm7140_ui_type");
    resolve(api.Focus, "qm7140_ui_focus");
    resolve(api.SetPosition, "qm7140_ui_set_position");
    resolve(api.Mouse, "qm7140_ui_mouse");
    resolve(api.Resize, "qm7140_ui_resize");
    resolve(api.Activate, "qm7140_ui_activate");
    resolve(api.Deactivate, "qm7140_ui_deactivate");
    resolve(api.Close, "qm7140_ui_close");
    resolve(api.Paint, "qm7140_ui_paint");
    if (!missing.empty()) throw std::runtime_error(path.string() + " lacks the UI export(s) " + missing);
    return api;
}

}  // namespace web
