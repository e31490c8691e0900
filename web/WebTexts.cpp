// Parameter texts and factory sounds behind the C interface, straight from the
// tables every front end shows (texts/, presets/), so the page cannot drift from
// the plug-ins.
#include <cstddef>

#include "presets/FactorySounds.h"
#include "texts/ParameterText.h"
#include "web/ZephyrantWeb.h"

namespace {

// Room for a parameter name or a display text; both are far shorter.
char textBuffer[64];

bool isSound(int32_t sound)
{
    return sound >= 0 && static_cast<std::size_t>(sound) < kFactorySoundCount;
}

} // namespace

int32_t zephyrant_parameter_count(void)
{
    return kNumParameters;
}

const char* zephyrant_parameter_name(int32_t index)
{
    copyParameterName(index, textBuffer, sizeof textBuffer);
    return textBuffer;
}

const char* zephyrant_parameter_label(int32_t index)
{
    return isParameterIndex(index) ? kParameterTable[index].label : "";
}

float zephyrant_parameter_default(int32_t index)
{
    return isParameterIndex(index) ? kParameterDefaults[index] : 0.0f;
}

// The text of the value the engine holds once value is set: Legato shows its integer.
const char* zephyrant_parameter_display(int32_t index, float value)
{
    const float held = isParameterIndex(index) ? parameterValue(index, parameterWord(index, value)) : 0.0f;
    formatParameterDisplay(index, held, textBuffer);
    return textBuffer;
}

int32_t zephyrant_sound_count(void)
{
    return static_cast<int32_t>(kFactorySoundCount);
}

const char* zephyrant_sound_name(int32_t sound)
{
    return isSound(sound) ? kFactorySounds[sound].name : "";
}

const char* zephyrant_sound_description(int32_t sound)
{
    return isSound(sound) ? kFactorySounds[sound].description : "";
}

float zephyrant_sound_value(int32_t sound, int32_t index)
{
    return isSound(sound) && isParameterIndex(index) ? kFactorySounds[sound].values[index] : 0.0f;
}
