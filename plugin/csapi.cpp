#include "plugin/csapi.h"

#include <memory>

namespace csapi {

namespace {

InstanceTable table;

void Destroy(TQM7140Forms* instance) {
    delete instance->BoostDlg;
    delete instance->LimiterDlg;
    delete instance->DigitalControlDlg;
    delete instance;
}

// ASCII case folding only: the names are plain ASCII, and the host's locale must not matter.
bool NameIs(const char* name, const char* expected) {
    if (name == nullptr) return false;
    auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    for (; *expected != 0; ++name, ++expected)
        if (fold(*name) != fold(*expected)) return false;
    return *name == 0;
}

}  // namespace

InstanceTable& Table() { return table; }

TQM7140Forms* Live(void* handle) {
    if (handle == nullptr) return nullptr;
    for (TQM7140Forms* instance : table.Instances)
        if (instance == handle) return instance;
    return nullptr;
}

void Attach() { table = InstanceTable{}; }

void Detach() {
    for (int i = 0; i < table.InstanceCount && i < kMaxInstances; ++i) {
        if (table.Instances[i] != nullptr) Destroy(table.Instances[i]);
        table.Instances[i] = nullptr;
    }
}

TQM7140Forms* Init() {
    if (table.InstanceCount >= kMaxInstances) return nullptr;
    auto digital = std::make_unique<TDigitalControlForm>();
    auto limiter = std::make_unique<TLimiterForm>();
    auto boost = std::make_unique<TBoostForm>();
    auto* instance = new TQM7140Forms{digital.release(), limiter.release(), boost.release(), {}};
    table.Instances[table.InstanceCount++] = instance;
    return instance;
}

void FreeCodecInstance(TQM7140Forms* instance) {
    if (instance == nullptr) return;
    for (TQM7140Forms*& slot : table.Instances)
        if (slot == instance) slot = nullptr;
    Destroy(instance);
}

TI2CObject* GetI2CObject(TQM7140Forms* instance, int32_t index) {
    switch (index) {
    case 0: return &instance->DigitalControlDlg->DigitalControlI2C;
    case 1: return &instance->LimiterDlg->LimiterI2C;
    case 2: return instance->BoostDlg->GetI2CObject(0);
    default: return nullptr;
    }
}

void SetCodecName(TQM7140Forms* instance, const char* name) {
    // A bounded copy: NUL padding, and no terminator when the name fills the field.
    size_t i = 0;
    for (; name != nullptr && i < sizeof instance->CodecName && name[i] != 0; ++i) instance->CodecName[i] = name[i];
    for (; i < sizeof instance->CodecName; ++i) instance->CodecName[i] = 0;
}

const char* GetMenuItem(uint32_t index) {
    static const char* const captions[] = {"Digital Control...", "Limiter...", "Boost..."};
    return index < 3 ? captions[index] : nullptr;
}

void SelectMenu(TQM7140Forms* instance, int32_t index) {
    switch (index) {
    case 0: instance->DigitalControlDlg->Show(); break;
    case 1: instance->LimiterDlg->Show(); break;
    case 2: instance->BoostDlg->Show(); break;
    default: break;
    }
}

int32_t ShowDialog(TQM7140Forms* instance, const char* name, TGUIObject* graphObject) {
    if (NameIs(name, "DigitalControl")) {
        instance->DigitalControlDlg->ActiveGraphObject = graphObject;
        instance->DigitalControlDlg->Show();
    }
    if (NameIs(name, "Limiter")) instance->LimiterDlg->Show();
    if (NameIs(name, "Boost")) instance->BoostDlg->Show();
    return 0;
}

}  // namespace csapi
