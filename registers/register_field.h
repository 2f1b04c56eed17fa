// A control bound to a register bit field is one row of data: register, mask, encoding.
// One generic write and one generic read work from the rows, so what a control writes and
// what a reload shows it agree by construction.
#pragma once

#include "registers/ti2cobject.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <span>

enum class Encoding {
    Flag,              // check box: checked sets the mask
    Field,             // list, radio group, track bar or number: value shifted into the mask
    NonZeroSetsBit,    // two-item list or radio group: item 0 gives 0, any other the bit
    ZeroSetsBit,       // the inverted form: item 0 gives the bit, any other 0
};

struct RegisterField {
    const char* control;
    uint8_t reg;
    uint8_t mask;
    Encoding encoding;
};

// The bits a control state writes; always inside the mask (index -1 gives all ones).
constexpr uint8_t Encode(const RegisterField& f, int value) {
    switch (f.encoding) {
    case Encoding::Flag: return value != 0 ? f.mask : 0;
    case Encoding::Field:
        return static_cast<uint8_t>((static_cast<uint32_t>(value) << std::countr_zero(f.mask)) & f.mask);
    case Encoding::NonZeroSetsBit: return value != 0 ? f.mask : 0;
    case Encoding::ZeroSetsBit: return value == 0 ? f.mask : 0;
    }
    return 0;
}

// The control state a register value shows.
constexpr int Decode(const RegisterField& f, uint8_t reg) {
    const bool set = (reg & f.mask) != 0;
    switch (f.encoding) {
    case Encoding::Flag:
    case Encoding::NonZeroSetsBit: return set ? 1 : 0;
    case Encoding::Field: return (reg & f.mask) >> std::countr_zero(f.mask);
    case Encoding::ZeroSetsBit: return set ? 0 : 1;
    }
    return 0;
}

// One masked write of the field, through the window's own (guarded or not) WriteBits.
template <class Window>
void WriteField(Window& window, const RegisterField& f, int state) {
    window.WriteBits(f.reg, Encode(f, state), f.mask);
}

// A dialog's rows followed by those its own handlers write: every register bit it binds.
template <size_t N, size_t M>
constexpr std::array<RegisterField, N + M> Joined(const RegisterField (&rows)[N], std::array<RegisterField, M> more) {
    std::array<RegisterField, N + M> all{};
    std::ranges::copy(rows, all.begin());
    std::ranges::copy(more, all.begin() + N);
    return all;
}

inline int ReadField(const TI2CObject& window, const RegisterField& f) { return Decode(f, window.ReadRegister(f.reg)); }
