#include "host/common/bus/adapter.h"

#include "host/common/text/parse.h"

#include <cerrno>
#include <cstring>

namespace host {

std::string Adapter::Why(int error) const { return std::strerror(error); }

class AdapterBus final : public Bus {
public:
    AdapterBus(std::shared_ptr<Adapter> adapter, uint8_t address) : adapter_(std::move(adapter)), address_(address) {}
    ~AdapterBus() override { Close(); }
    AdapterBus(const AdapterBus&) = delete;
    AdapterBus& operator=(const AdapterBus&) = delete;

    std::string Name() const override { return adapter_->Name() + " at " + Hex(address_); }
    uint8_t Address() const override { return address_; }

    int Open() override {
        Close();
        Adapter& adapter = *adapter_;
        if (adapter.lostError_ != 0 || !adapter.IsOpen()) {
            // A lost adapter's handle is dead for every chip on it: only a new one will do.
            adapter.Close();
            if (const int error = adapter.Open(); error != 0) return error;
            adapter.lostError_ = 0;
        }
        if (const int error = adapter.Claim(address_); error != 0) {
            if (AdapterGone(error)) adapter.lostError_ = error;
            if (adapter.holders_ == 0) adapter.Close();
            return error;
        }
        ++adapter.holders_;
        holding_ = true;
        return 0;
    }

    void Close() override {
        if (!holding_) return;
        holding_ = false;
        if (--adapter_->holders_ == 0) adapter_->Close();
    }

    BusResult Read(uint8_t reg) override {
        if (const int error = Unusable(); error != 0) return {error};
        return Seen(adapter_->Read(address_, reg));
    }

    BusResult Write(uint8_t reg, uint8_t value) override {
        if (const int error = Unusable(); error != 0) return {error};
        return Seen(adapter_->Write(address_, reg, value));
    }

    std::string Why(int error) const override { return adapter_->Why(error); }

private:
    int Unusable() const {
        if (!holding_) return EBADF;
        return adapter_->lostError_;
    }

    BusResult Seen(BusResult result) {
        if (AdapterGone(result.error)) adapter_->lostError_ = result.error;
        return result;
    }

    std::shared_ptr<Adapter> adapter_;
    uint8_t address_;
    bool holding_ = false;
};

std::unique_ptr<Bus> MakeAdapterBus(std::shared_ptr<Adapter> adapter, uint8_t address) {
    return std::make_unique<AdapterBus>(std::move(adapter), address);
}

}  // namespace host
