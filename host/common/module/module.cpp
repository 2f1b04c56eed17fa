#include "host/common/module/module.h"

#include "host/common/text/files.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include <stdexcept>
#include <string>

namespace host {

namespace {

#ifdef _WIN32
// The system's own sentence for an error code, without its line end.
std::string SystemMessage(DWORD error) {
    char* text = nullptr;
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                            FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string message = length != 0 && text != nullptr ? std::string(text, length) : "error " + std::to_string(error);
    LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' '))
        message.pop_back();
    return message;
}

void* Load(const std::filesystem::path& path) { return LoadLibraryW(path.c_str()); }
std::string LoadError() { return SystemMessage(GetLastError()); }
void* Symbol(void* handle, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
}
void Unload(void* handle) { FreeLibrary(static_cast<HMODULE>(handle)); }
#else
void* Load(const std::filesystem::path& path) { return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL); }
std::string LoadError() {
    const char* why = dlerror();
    return why != nullptr ? why : "unknown reason";
}
void* Symbol(void* handle, const char* name) { return dlsym(handle, name); }
void Unload(void* handle) { dlclose(handle); }
#endif

}  // namespace

Module::Module(const std::filesystem::path& path) {
    handle_ = Load(path);
    if (handle_ == nullptr) throw std::runtime_error("cannot load " + PathText(path) + ": " + LoadError());
    std::string missing;
    auto resolve = [&](const char* name) {
        void* symbol = Symbol(handle_, name);
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
#ifndef _WIN32
    auto ui = [&]<class Fn>(Fn& fn, const char* name) { fn = reinterpret_cast<Fn>(resolve(name)); };
    ui(Ui.version, "qm7140_ui_version");
    ui(Ui.form, "qm7140_ui_form");
    ui(Ui.control, "qm7140_ui_control");
    ui(Ui.item, "qm7140_ui_item");
    ui(Ui.find, "qm7140_ui_find");
    ui(Ui.click, "qm7140_ui_click");
    ui(Ui.select, "qm7140_ui_select");
    ui(Ui.type, "qm7140_ui_type");
    ui(Ui.focus, "qm7140_ui_focus");
    ui(Ui.setPosition, "qm7140_ui_set_position");
    ui(Ui.mouse, "qm7140_ui_mouse");
    ui(Ui.key, "qm7140_ui_key");
    ui(Ui.resize, "qm7140_ui_resize");
    ui(Ui.activate, "qm7140_ui_activate");
    ui(Ui.deactivate, "qm7140_ui_deactivate");
    ui(Ui.close, "qm7140_ui_close");
    ui(Ui.paint, "qm7140_ui_paint");
    ui(Ui.binding, "qm7140_ui_binding");
#endif
    if (!missing.empty()) {
        Unload(handle_);
        throw std::runtime_error(PathText(path) + " lacks the export(s) " + missing);
    }
}

Module::~Module() { Unload(handle_); }

void* Module::Export(const char* name) const { return Symbol(handle_, name); }

std::filesystem::path DefaultModulePath() {
#ifdef _WIN32
    std::wstring self(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size()));
        if (length == 0) return L"QM7140.dll";
        if (length < self.size()) {
            self.resize(length);
            break;
        }
        self.resize(self.size() * 2);
    }
    return std::filesystem::path(self).parent_path() / L"QM7140.dll";
#else
    std::error_code error;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    const auto beside = error ? std::filesystem::path() : self.parent_path() / "libqm7140.so";
    // An installed host (in /usr/bin) has none beside it: the one installed with it.
    if (beside.empty() || !std::filesystem::exists(beside, error)) return InstalledModulePath();
    return beside;
#endif
}

#ifndef _WIN32
std::filesystem::path InstalledModulePath() { return QM7140_INSTALLED_MODULE; }

Option ModuleOption(std::filesystem::path& module) {
    return {"--module", "PATH",
            "the module; without it libqm7140.so beside this program, else the installed one, " + InstalledModulePath().string() + ".",
            [&module](const std::string& path) { module = path; }};
}
#endif

}  // namespace host
