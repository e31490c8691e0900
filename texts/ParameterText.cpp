#include "texts/ParameterText.h"

#include <cstring>

#include "texts/ValueText.h"

namespace {

constexpr DisplayRule kDisplayRules[kNumParameters] = {
    DisplayRule::Plain,    // Exciter
    DisplayRule::Plain,    // Modulation
    DisplayRule::None,     // NisFilter
    DisplayRule::None,     // Pick
    DisplayRule::None,     // Attack
    DisplayRule::None,     // Decay
    DisplayRule::None,     // Sustain
    DisplayRule::None,     // Release
    DisplayRule::Bipolar,  // ADSRCurve
    DisplayRule::Decibels, // Volume
    DisplayRule::Fixing,   // Fixing
    DisplayRule::DynaTone, // DynaTone
    DisplayRule::None,     // Distorter
    DisplayRule::None,     // Overdrive
    DisplayRule::None,     // Chorus
    DisplayRule::None,     // Legato
    DisplayRule::None,     // Velocity
    DisplayRule::Bipolar,  // ToneRama
    DisplayRule::None,     // PowerChord
};

// Fixing's range ends, as the single-precision values the live value is compared with.
constexpr float kFixingMin = 0.01f;
constexpr float kFixingMax = 0.99f;

} // namespace

void copyParameterName(std::int32_t index, char* text, std::size_t size)
{
    if (text == nullptr || size == 0) {
        return;
    }
    const char* name = isParameterIndex(index) ? kParameterTable[index].name : "";
    std::size_t length = std::strlen(name);
    while (length > 0 && name[length - 1] == ' ') {
        --length;
    }
    if (length >= size) {
        length = size - 1;
    }
    std::memcpy(text, name, length);
    text[length] = '\0';
}

DisplayRule parameterDisplayRule(std::int32_t index)
{
    return isParameterIndex(index) ? kDisplayRules[index] : DisplayRule::None;
}

// The numbers shown are computed in double precision from the live value and
// rounded to single precision before formatting. Fixing's ends include the
// threshold values themselves, so 0.01 shows "Min" and 0.99 "Max" instead of an
// empty text; a NaN value matches no range and shows nothing.
void formatParameterDisplay(std::int32_t index, float value, char* text)
{
    if (text == nullptr) {
        return;
    }
    text[0] = '\0';
    if (!isParameterIndex(index)) {
        return;
    }
    const double wide = value;
    switch (kDisplayRules[index]) {
    case DisplayRule::None:
        break;
    case DisplayRule::Plain:
        formatFloatText(value, text);
        break;
    case DisplayRule::Bipolar:
        formatFloatText(static_cast<float>(1.0 - 2.0 * wide), text);
        break;
    case DisplayRule::Decibels:
        formatDecibelText(value, text);
        break;
    case DisplayRule::Fixing:
        if (value <= kFixingMin) {
            std::strcpy(text, "Min");
        } else if (value >= kFixingMax) {
            std::strcpy(text, "Max");
        } else if (value > kFixingMin && value < kFixingMax) {
            formatFloatText(static_cast<float>(wide * wide * 8000.0 + 440.0), text);
        }
        break;
    case DisplayRule::DynaTone:
        if (value == 0.0f) {
            std::strcpy(text, "OFF");
        } else {
            formatFloatText(static_cast<float>(wide * wide * 440.0 + 10.0), text);
        }
        break;
    }
}
