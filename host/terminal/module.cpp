#include "host/terminal/module.h"

#include <dlfcn.h>

#include <filesystem>
#include <stdexcept>

namespace host {

Module::Module(const std::string& path) {
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) {
        const char* why = dlerror();
        throw std::runtime_error("cannot load " + path + ": " + (why != nullptr ? why : "unknown reason"));
    }
    std::string missing;
    auto resolve = [&](const char* name) {
        void* symbol = dlsym(handle_, name);
        if (symbol == nullptr) missing += std::string(missing.empty() ? "" : ", ") + name;
        return symbol;
    };
    Init = reinterpret_cast<QM7140_InitFn>(resolve("_Init"));
    FreeCodecInstance = reinterpret_cast<QM7140_FreeCodecInstanceFn>(resolve("_FreeCodecInstance"));
    GetI2CObject = reinterpret_cast<QM7140_GetI2CObjectFn>(resolve("_GetI2CObject"));
    SetSampleRate = reinterpret_cast<QM7140_SetSampleRateFn>(resolve("_SetSampleRate"));
    SetCodecName = reinterpret_cast<QM7140_SetCodecNameFn>(resolve("_SetCodecName"));
    GetMenuItem = reinterpret_cast<QM7140_GetMenuItemFn>(resolve("_GetMenuItem"));
    SelectMenu = reinterpret_cast<QM7140_SelectMenuFn>(resolve("_SelectMenu"));
    ShowDialog = reinterpret_cast<QM7140_ShowDialogFn>(resolve("_ShowDialog"));
    BoostForm = static_cast<void**>(resolve("_BoostForm"));
    LimiterForm = static_cast<void**>(resolve("_LimiterForm"));
    if (!missing.empty()) {
        dlclose(handle_);
        throw std::runtime_error(path + " lacks the export(s) " + missing);
    }
}

Module::~Module() { dlclose(handle_); }

std::string DefaultModulePath() {
    std::error_code error;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return "libqm7140.so";
    return (self.parent_path() / "libqm7140.so").string();
}

}  // namespace host
