#include "host/common/bus/hid/windows/win_hid_transport.h"

#include <windows.h>
// After windows.h, which they need. mingw's hid.dll header declares C names without saying so.
extern "C" {
#include <hidsdi.h>
}
#include <setupapi.h>

#include <algorithm>
#include <cerrno>

namespace host {

namespace {

std::string Utf8(const wchar_t* text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1) return {};
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), size, nullptr, nullptr);
    out.resize(static_cast<size_t>(size - 1));
    return out;
}

std::wstring Wide(const std::string& text) {
    const int size = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
    if (size <= 1) return {};
    std::wstring out(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, out.data(), size);
    out.resize(static_cast<size_t>(size - 1));
    return out;
}

// A handle's USB id and serial number; false when the system does not say.
bool Describe(HANDLE handle, const std::string& path, HidDeviceInfo& info) {
    HIDD_ATTRIBUTES attributes{};
    attributes.Size = sizeof attributes;
    if (!HidD_GetAttributes(handle, &attributes)) return false;
    info.vendor = attributes.VendorID;
    info.product = attributes.ProductID;
    info.path = path;
    wchar_t serial[128] = {};
    // The buffer's size is in bytes; the string ends with a null when it fits.
    if (HidD_GetSerialNumberString(handle, serial, sizeof serial - sizeof serial[0])) info.serial = Utf8(serial);
    return true;
}

// The handle is gone (unplugged, driver unloaded) or the request could not be made.
int Failed() {
    const DWORD error = GetLastError();
    return error == ERROR_DEVICE_NOT_CONNECTED || error == ERROR_INVALID_HANDLE || error == ERROR_GEN_FAILURE ||
                   error == ERROR_FILE_NOT_FOUND || error == ERROR_BAD_COMMAND
               ? ENODEV
               : EIO;
}

class WinHidTransport final : public HidTransport {
public:
    WinHidTransport(HANDLE handle, HidDeviceInfo info, const HIDP_CAPS& caps)
        : handle_(handle), info_(std::move(info)), inputSize_(caps.InputReportByteLength),
          outputSize_(caps.OutputReportByteLength), featureSize_(caps.FeatureReportByteLength),
          event_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    ~WinHidTransport() override {
        CancelIo(handle_);
        CloseHandle(handle_);
        if (event_ != nullptr) CloseHandle(event_);
    }
    WinHidTransport(const WinHidTransport&) = delete;
    WinHidTransport& operator=(const WinHidTransport&) = delete;

    const HidDeviceInfo& Info() const override { return info_; }

    int WriteOutput(const std::vector<uint8_t>& report) override {
        // Windows takes an output report at its full length only.
        std::vector<uint8_t> padded = report;
        if (padded.size() > outputSize_) return EINVAL;
        padded.resize(outputSize_, 0);
        DWORD done = 0;
        return Overlapped(false, padded.data(), static_cast<DWORD>(padded.size()), 1000, done);
    }

    int ReadInput(std::vector<uint8_t>& report, int timeoutMs) override {
        std::vector<uint8_t> buffer(std::max<size_t>(inputSize_, 1), 0);
        DWORD done = 0;
        if (const int error = Overlapped(true, buffer.data(), static_cast<DWORD>(buffer.size()), timeoutMs, done)) return error;
        buffer.resize(done);
        report = std::move(buffer);
        return 0;
    }

    int SetFeature(const std::vector<uint8_t>& report) override {
        std::vector<uint8_t> padded = report;
        if (padded.size() > featureSize_) return EINVAL;
        padded.resize(featureSize_, 0);
        return HidD_SetFeature(handle_, padded.data(), static_cast<ULONG>(padded.size())) ? 0 : Failed();
    }

    int GetFeature(std::vector<uint8_t>& report) override {
        if (report.empty() || report.size() > featureSize_) return EINVAL;
        std::vector<uint8_t> buffer(featureSize_, 0);
        buffer[0] = report[0];
        if (!HidD_GetFeature(handle_, buffer.data(), static_cast<ULONG>(buffer.size()))) return Failed();
        std::copy_n(buffer.begin(), report.size(), report.begin());
        return 0;
    }

private:
    // One read or write, given up (and cancelled) after timeoutMs.
    int Overlapped(bool reading, uint8_t* data, DWORD size, int timeoutMs, DWORD& done) {
        if (event_ == nullptr) return ENOMEM;
        OVERLAPPED overlapped{};
        overlapped.hEvent = event_;
        ResetEvent(event_);
        const BOOL finished = reading ? ReadFile(handle_, data, size, nullptr, &overlapped)
                                      : WriteFile(handle_, data, size, nullptr, &overlapped);
        if (!finished && GetLastError() != ERROR_IO_PENDING) return Failed();
        if (WaitForSingleObject(event_, static_cast<DWORD>(std::max(timeoutMs, 0))) != WAIT_OBJECT_0) {
            CancelIo(handle_);
            // The buffer is ours until the cancelled request has ended.
            GetOverlappedResult(handle_, &overlapped, &done, TRUE);
            return ETIMEDOUT;
        }
        if (!GetOverlappedResult(handle_, &overlapped, &done, FALSE)) return Failed();
        return 0;
    }

    HANDLE handle_;
    HidDeviceInfo info_;
    size_t inputSize_, outputSize_, featureSize_;
    HANDLE event_;
};

}  // namespace

std::vector<HidDeviceInfo> EnumerateWinHid() {
    std::vector<HidDeviceInfo> devices;
    GUID hid;
    HidD_GetHidGuid(&hid);
    HDEVINFO set = SetupDiGetClassDevsW(&hid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (set == INVALID_HANDLE_VALUE) return devices;
    // Bounded: no system has this many HID interfaces.
    for (DWORD index = 0; index < 4096; ++index) {
        SP_DEVICE_INTERFACE_DATA entry{};
        entry.cbSize = sizeof entry;
        if (!SetupDiEnumDeviceInterfaces(set, nullptr, &hid, index, &entry)) break;
        DWORD needed = 0;
        SetupDiGetDeviceInterfaceDetailW(set, &entry, nullptr, 0, &needed, nullptr);
        if (needed < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)) continue;
        std::vector<uint8_t> storage(needed, 0);
        auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(storage.data());
        detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
        if (!SetupDiGetDeviceInterfaceDetailW(set, &entry, detail, needed, nullptr, nullptr)) continue;
        // No access asked: enough for the attributes, and granted even for keyboards.
        HANDLE handle = CreateFileW(detail->DevicePath, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        if (handle == INVALID_HANDLE_VALUE) continue;
        HidDeviceInfo info;
        if (Describe(handle, Utf8(detail->DevicePath), info)) devices.push_back(std::move(info));
        CloseHandle(handle);
    }
    SetupDiDestroyDeviceInfoList(set);
    return devices;
}

int OpenWinHid(const std::string& path, std::unique_ptr<HidTransport>& opened) {
    HANDLE handle = CreateFileW(Wide(path).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION ? EACCES : ENOENT;
    }
    HidDeviceInfo info;
    PHIDP_PREPARSED_DATA preparsed = nullptr;
    HIDP_CAPS caps{};
    const bool described = Describe(handle, path, info) && HidD_GetPreparsedData(handle, &preparsed);
    const bool capable = described && HidP_GetCaps(preparsed, &caps) == HIDP_STATUS_SUCCESS;
    if (preparsed != nullptr) HidD_FreePreparsedData(preparsed);
    if (!capable) {
        CloseHandle(handle);
        return ENODEV;
    }
    opened = std::make_unique<WinHidTransport>(handle, std::move(info), caps);
    return 0;
}

HidSystem SystemHid() {
    return {EnumerateWinHid, OpenWinHid};
}

}  // namespace host
