#include "host/windows/about.h"

#include "qm7140_version.h"

#include <windows.h>

#include <vector>

namespace winhost {

namespace {

// The file the module was loaded from, found through one of its exports.
std::wstring LoadedFrom(const host::Module& module) {
    HMODULE handle = nullptr;
    const auto flags = GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT;
    if (!GetModuleHandleExW(flags, static_cast<LPCWSTR>(module.Export("_Init")), &handle)) return {};
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(handle, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) return path.substr(0, length);
        path.resize(path.size() * 2);
    }
}

// The ProductVersion text of a file's version resource, or empty when it has none.
std::wstring ProductVersion(const std::wstring& path) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size == 0) return {};
    std::vector<char> data(size);
    if (!GetFileVersionInfoW(path.c_str(), 0, size, data.data())) return {};
    void* text = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(data.data(), L"\\StringFileInfo\\040904B0\\ProductVersion", &text, &length) || length == 0)
        return {};
    return std::wstring(static_cast<const wchar_t*>(text), length - 1);
}

}  // namespace

std::wstring AboutText(const host::Module& module) {
    std::wstring text = L"QM7140 Host " QM7140_VERSION_TEXT L"\n";
    const std::wstring path = LoadedFrom(module);
    const std::wstring version = path.empty() ? std::wstring() : ProductVersion(path);
    text += L"Module " + (version.empty() ? L"(no version)" : version) + L": " + (path.empty() ? L"?" : path);
    return text;
}

}  // namespace winhost
