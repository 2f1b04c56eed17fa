#include "host/common/module/register_host.h"

#include <ostream>

namespace host {

std::ostream& operator<<(std::ostream& out, const BusWrite& write) {
    return out << "{reg " << write.reg << ", value 0x" << std::hex << unsigned{write.value} << std::dec
               << ", address " << write.address << ", page " << write.page << ", count " << write.count
               << ", context " << write.context << "}";
}

void QM7140_CDECL RegisterHost::Written(intptr_t context, int32_t address, int32_t page, uint32_t reg,
                                         int32_t count) {
    RegisterHost& self = *reinterpret_cast<RegisterHost*>(context);
    const auto& bytes = self.registers_->bytes;
    const BusWrite write{address, page, reg, count, reg < bytes.size() ? bytes[reg] : uint8_t{0}, context};
    if (self.keepLog) self.writes.push_back(write);
    if (self.onWrite) self.onWrite(write);
}

}  // namespace host
