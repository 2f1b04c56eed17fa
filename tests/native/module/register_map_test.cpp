// The register map compiled into every host: the fields a write changed, named.
#include "host/common/chip/register_map.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

TEST(RegisterMap, NamesTheFieldsAWriteChanged) {
    const struct {
        uint8_t reg, before, after;
        const char* changed;
    } writes[] = {
        {0x01, 0x00, 0x04, "Digital Control: Mute"},
        {0x01, 0x00, 0x0C, "Digital Control: Noisegate, Mute"},
        {0x02, 0x00, 0x44, "Limiter / AGC: Enable Limiter; BoostForm: Enable Boost"},
        {0x0E, 0x3F, 0xC7, "Limiter / AGC: Hysteresis, No limit above inflection point, APT/VBAT"},
        {0x02, 0x44, 0x44, ""},  // no bit changed
        {0x02, 0x00, 0x01, ""},  // a bit no control holds
        {0x08, 0x00, 0xFF, ""},  // a register no control writes
        // The reset pulse acts each time it goes out set, and its bit falling back is nothing.
        {0x01, 0x04, 0x05, "Digital Control: Reset"},
        {0x01, 0x05, 0x05, "Digital Control: Reset"},
        {0x01, 0x05, 0x04, ""},
        {0x01, 0x01, 0x0C, "Digital Control: Noisegate, Mute"},
    };
    for (const auto& w : writes) EXPECT_EQ(host::FieldsChanged(w.reg, w.before, w.after), w.changed) << int{w.reg} << " " << int{w.after};
}

TEST(RegisterMap, FindsEachRegistersFieldsInRegisterOrder) {
    const auto map = host::RegisterMap();
    ASSERT_TRUE(std::is_sorted(map.begin(), map.end(), [](const auto& a, const auto& b) { return a.reg < b.reg; }));
    uint8_t bits = 0;
    for (const host::RegisterField& f : host::FieldsOfRegister(0x0E)) {
        EXPECT_EQ(f.reg, 0x0E);
        EXPECT_EQ(bits & f.mask, 0) << "two fields share a bit";
        bits |= f.mask;
    }
    EXPECT_EQ(bits, 0xFF);
    EXPECT_EQ(host::FieldsText(0x02), "Limiter / AGC: Enable Limiter (bit 2); BoostForm: Enable Boost (bit 6), Enable Auto Pass Through (bit 5)");
    EXPECT_EQ(host::FieldsText(0x00), "");
    EXPECT_TRUE(host::FieldsOfRegister(0x00).empty());
    EXPECT_TRUE(host::FieldsOfRegister(0xFF).empty());
}

}  // namespace
