#include "registers/register_field.h"

#include <gtest/gtest.h>

namespace {

TEST(RegisterField, EveryEncodingRoundTripsAndStaysInsideItsMask) {
    const RegisterField fields[] = {
        {"flag", 1, 0x08, Encoding::Flag},          {"low", 3, 0x07, Encoding::Field},
        {"mid", 7, 0x38, Encoding::Field},          {"top", 7, 0xC0, Encoding::Field},
        {"byte", 6, 0xFF, Encoding::Field},         {"bit", 5, 0x40, Encoding::NonZeroSetsBit},
        {"inverted", 3, 0x80, Encoding::ZeroSetsBit},
    };
    for (const RegisterField& f : fields) {
        const int states = f.encoding == Encoding::Field ? (f.mask >> std::countr_zero(f.mask)) + 1 : 2;
        for (int state = 0; state < states; ++state) {
            const uint8_t bits = Encode(f, state);
            EXPECT_EQ(bits & ~f.mask, 0) << f.control << " " << state;
            // Bits outside the field do not disturb the reading.
            EXPECT_EQ(Decode(f, static_cast<uint8_t>(bits | ~f.mask)), state) << f.control;
            EXPECT_EQ(Decode(f, bits), state) << f.control;
        }
    }
}

TEST(RegisterField, NoSelectionWritesAllOnesIntoAField) {
    EXPECT_EQ(Encode({"", 20, 0x0C, Encoding::Field}, -1), 0x0C);
    EXPECT_EQ(Encode({"", 20, 0x03, Encoding::Field}, -1), 0x03);
    EXPECT_EQ(Encode({"", 3, 0x40, Encoding::NonZeroSetsBit}, -1), 0x40);
    EXPECT_EQ(Encode({"", 3, 0x80, Encoding::ZeroSetsBit}, -1), 0x00);
    // A value wider than the field keeps to the field.
    EXPECT_EQ(Encode({"", 20, 0x0C, Encoding::Field}, 7), 0x0C);
}

TEST(RegisterField, InvertedBitReadsFirstItemWhenSet) {
    const RegisterField inputMode{"", 3, 0x80, Encoding::ZeroSetsBit};
    EXPECT_EQ(Decode(inputMode, 0xA5), 0);
    EXPECT_EQ(Decode(inputMode, 0x25), 1);
    EXPECT_EQ(Encode(inputMode, 1), 0);
}

}  // namespace
