// A device's paint-box pictures, painted once per change and shared by all its pages. A
// picture's version moves only when what it shows does.
#pragma once

#include "host/common/module/module.h"
#include "host/web/display_list.h"

#include <cstdint>
#include <map>
#include <utility>

namespace web {

class Pictures {
public:
    struct Picture {
        uint32_t changes = 0;
        uint64_t version = 0;
        Json ops;
    };
    const Picture& Of(const host::Module::UiSeam& ui, QM7140Instance instance, int dialog, int control, uint32_t changes);

private:
    std::map<std::pair<int, int>, Picture> painted_;
    uint64_t versions_ = 0;
};

}  // namespace web
