#include "lv2/Presets.h"

#include <algorithm>

std::vector<Lv2Preset> bundlePresets()
{
    Lv2Preset basic{"Basic", {}};
    std::copy(kParameterDefaults, kParameterDefaults + kNumParameters, basic.values);
    return {basic};
}
