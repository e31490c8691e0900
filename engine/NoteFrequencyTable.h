// Frequencies in Hz of the 128 MIDI keys, shared by every instance.
#pragma once

constexpr int kNumKeys = 128;

namespace notetable {

struct KeyTable {
    float hz[kNumKeys];
};

// Entry k is 8.175798915636872 Hz times the equal-tempered semitone ratio k times,
// the product accumulated in double precision from key to key and each entry
// rounded to float. The compiler builds the table, so no instance ever writes it
// and a new instance may start while others render.
constexpr KeyTable build()
{
    KeyTable table{};
    double f = 8.175798915636872;
    for (int key = 0; key < kNumKeys; ++key) {
        table.hz[key] = static_cast<float>(f);
        f *= 1.059463094359;
    }
    return table;
}

inline constexpr KeyTable kTable = build();

} // namespace notetable

inline constexpr const float (&noteFrequencyTable)[kNumKeys] = notetable::kTable.hz;
static_assert(noteFrequencyTable[69] == 440.0f, "key 69 is concert pitch");
