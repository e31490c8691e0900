#include "instrument/SynthProgram.h"

#include <cstring>

SynthProgram::SynthProgram()
{
    for (std::int32_t index = 0; index < kNumParameters; ++index) {
        values[index].setWord(parameterWord(index, kParameterDefaults[index]));
    }
    std::memset(name, 0, sizeof name);
    std::strcpy(name, "Basic");
}
