#include "platform/headless.h"

#include "platform/backend.h"
#include "platform/form.h"

namespace platform {

namespace {

class CountingPeer final : public Peer {
public:
    // The form's own peer lives until after its controls' peers are gone.
    explicit CountingPeer(uint32_t* formCount) : formCount_(formCount) {}
    void Update(Change) override {
        ++count;
        if (formCount_ != nullptr) ++*formCount_;
    }
    uint32_t count = 0;

private:
    uint32_t* formCount_;
};

}  // namespace

void AttachPeers(Form& form) {
    auto formPeer = std::make_unique<CountingPeer>(nullptr);
    uint32_t* formCount = &formPeer->count;
    form.AttachPeer(std::move(formPeer));
    for (const auto& control : form.Controls()) control->AttachPeer(std::make_unique<CountingPeer>(formCount));
}

uint32_t ChangeCount(const Control& control) {
    const auto* peer = dynamic_cast<const CountingPeer*>(control.peer());
    return peer != nullptr ? peer->count : 0;
}

}  // namespace platform
