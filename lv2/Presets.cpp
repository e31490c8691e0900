#include "lv2/Presets.h"

#include <algorithm>

#include "presets/FactorySounds.h"

namespace {

Lv2Preset presetOf(const char* name, const char* description, const float* values)
{
    Lv2Preset preset{name, description, {}};
    std::copy(values, values + kNumParameters, preset.values);
    return preset;
}

} // namespace

std::vector<Lv2Preset> bundlePresets()
{
    std::vector<Lv2Preset> presets{
        presetOf(kBasicSoundName, kBasicSoundDescription, kParameterDefaults)};
    for (std::size_t n = 0; n < kFactorySoundCount; ++n) {
        presets.push_back(presetOf(kFactorySounds[n].name, kFactorySounds[n].description, kFactorySounds[n].values));
    }
    return presets;
}
