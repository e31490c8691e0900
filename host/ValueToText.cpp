// Value-to-text conversions of EffectBase: at most 8 visible characters and a
// terminator, written into a caller's buffer of at least 9 bytes. The formats
// themselves are the instrument's (texts/ValueText); the members that take samples
// turn them into seconds or hertz at the instance's rate first.
#include "host/EffectBase.h"

#include <cmath>
#include <cstring>

#include "texts/ValueText.h"

// Gain as a level in decibels; silence and below is "-oo". Goes through float2string,
// so a plug-in that overrides the number format shows its decibels in it too.
void EffectBase::dB2string(float value, char* text)
{
    if (!text)
        return;
    if (value <= 0.0f) {
        std::strcpy(text, "-oo");
        return;
    }
    float2string(static_cast<float>(20.0 * std::log10(static_cast<double>(value))), text);
}

// A period of samples as the frequency it repeats at.
void EffectBase::Hz2string(float samples, char* text)
{
    if (!text)
        return;
    if (samples == 0.0f) {
        float2string(0.0f, text);
        return;
    }
    float2string(static_cast<float>(static_cast<double>(getSampleRate()) / static_cast<double>(samples)), text);
}

// A count of samples as milliseconds.
void EffectBase::ms2string(float samples, char* text)
{
    if (!text)
        return;
    float2string(static_cast<float>(static_cast<double>(samples) * 1000.0 / static_cast<double>(getSampleRate())),
                 text);
}

void EffectBase::float2string(float value, char* text)
{
    formatFloatText(value, text);
}

void EffectBase::long2string(std::int32_t value, char* text)
{
    formatIntegerText(value, text);
}
