#include "plugin/csapi.h"

#include <cstddef>
#include <new>

namespace csapi {

namespace {

InstanceTable table;

// Slot i holds the i-th record made since load and is never used again before unload, so
// a handle freed by the host can never come back as a live one. Raw bytes: nothing here is
// destroyed at process exit behind the unload routine's back.
struct alignas(TQM7140Forms) RecordStorage {
    std::byte bytes[sizeof(TQM7140Forms)];
};
RecordStorage records[kMaxInstances];

template <auto Dialog>
platform::Form& FormOf(TQM7140Forms& instance) {
    return *(instance.*Dialog);
}

template <auto Dialog>
TI2CObject& WindowOf(TQM7140Forms& instance) {
    return (instance.*Dialog)->I2C();
}

void Destroy(TQM7140Forms* instance) { instance->~TQM7140Forms(); }

// ASCII case folding only: the names are plain ASCII, and the host's locale must not matter.
bool NameIs(const char* name, const char* expected) {
    if (name == nullptr) return false;
    auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    for (; *expected != 0; ++name, ++expected)
        if (fold(*name) != fold(*expected)) return false;
    return *name == 0;
}

}  // namespace

constexpr DialogRow kDialogs[QM7140_DIALOG_COUNT] = {
    {"Digital Control...", "DigitalControl", FormOf<&TQM7140Forms::DigitalControlDlg>,
     WindowOf<&TQM7140Forms::DigitalControlDlg>, &TDigitalControlForm::Bindings},
    {"Limiter...", "Limiter", FormOf<&TQM7140Forms::LimiterDlg>, WindowOf<&TQM7140Forms::LimiterDlg>, &TLimiterForm::Bindings},
    {"Boost...", "Boost", FormOf<&TQM7140Forms::BoostDlg>, WindowOf<&TQM7140Forms::BoostDlg>, &TBoostForm::Bindings},
};

InstanceTable& Table() { return table; }

TQM7140Forms* Live(void* handle) {
    if (handle == nullptr) return nullptr;
    for (TQM7140Forms* instance : table.Instances)
        if (instance == handle) return instance;
    return nullptr;
}

void Attach() noexcept { table = InstanceTable{}; }

void Detach() noexcept {
    for (int i = 0; i < table.InstanceCount && i < kMaxInstances; ++i) {
        if (table.Instances[i] != nullptr) Destroy(table.Instances[i]);
        table.Instances[i] = nullptr;
    }
}

TQM7140Forms* Init() {
    if (table.InstanceCount >= kMaxInstances) return nullptr;
    auto* instance = new (records[table.InstanceCount].bytes) TQM7140Forms;
    table.Instances[table.InstanceCount++] = instance;
    return instance;
}

void FreeCodecInstance(TQM7140Forms& instance) {
    for (TQM7140Forms*& slot : table.Instances)
        if (slot == &instance) slot = nullptr;
    Destroy(&instance);
}

TI2CObject* GetI2CObject(TQM7140Forms& instance, int32_t index) {
    if (index < 0 || index >= QM7140_DIALOG_COUNT) return nullptr;
    return &kDialogs[index].window(instance);
}

void SetCodecName(TQM7140Forms& instance, const char* name) {
    // A bounded copy: NUL padding, and no terminator when the name fills the field.
    size_t i = 0;
    for (; name != nullptr && i < sizeof instance.CodecName && name[i] != 0; ++i) instance.CodecName[i] = name[i];
    for (; i < sizeof instance.CodecName; ++i) instance.CodecName[i] = 0;
}

const char* GetMenuItem(uint32_t index) { return index < QM7140_DIALOG_COUNT ? kDialogs[index].menuCaption : nullptr; }

void SelectMenu(TQM7140Forms& instance, int32_t index) {
    if (index >= 0 && index < QM7140_DIALOG_COUNT) kDialogs[index].form(instance).Show();
}

int32_t ShowDialog(TQM7140Forms& instance, const char* name, TGUIObject* graphObject) {
    for (const DialogRow& row : kDialogs) {
        if (!NameIs(name, row.showName)) continue;
        // Linked before showing, so that the activation that showing brings already moves it.
        if (&row == &kDialogs[QM7140_DIALOG_DIGITAL_CONTROL]) instance.DigitalControlDlg->ActiveGraphObject = graphObject;
        row.form(instance).Show();
    }
    return 0;
}

}  // namespace csapi
