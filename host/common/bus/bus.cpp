#include "host/common/bus/bus.h"

#include "host/common/text/parse.h"

namespace host {

std::string Bus::Name() const { return adapter_->Name() + " at " + Hex(address_); }

Bus MakeBus(std::unique_ptr<Adapter> adapter, uint8_t address) {
    return Bus(std::make_shared<SharedAdapter>(std::move(adapter)), address);
}

std::optional<uint8_t> ParseChipAddress(std::string_view text) {
    const auto parsed = ParseUnsigned(text);
    if (!parsed || *parsed < 0x08 || *parsed > 0x77) return std::nullopt;
    return static_cast<uint8_t>(*parsed);
}

std::string NotAChipAddress(std::string_view text) { return Quoted(text) + " is not a 7-bit address from 0x08 to 0x77"; }

}  // namespace host
