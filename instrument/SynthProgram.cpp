#include "instrument/SynthProgram.h"

#include <cstring>

SynthProgram::SynthProgram()
{
    for (std::int32_t index = 0; index < kNumParameters; ++index) {
        values[index].setFloat(kParameterTable[index].defaultValue);
    }
    values[kLegato].setInt(static_cast<std::int32_t>(kParameterTable[kLegato].defaultValue));
    std::memset(name, 0, sizeof name);
    std::strcpy(name, "Basic");
}
