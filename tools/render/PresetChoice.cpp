#include "tools/render/PresetChoice.h"

#include <cstdio>

#include "presets/FactorySounds.h"

namespace {

// Values outside the nominal range are refused, as --param refuses them.
bool checkRange(const std::string& origin, const std::vector<float>& values,
                const std::vector<std::string>& parameterNames, std::string& error)
{
    for (std::size_t index = 0; index < values.size(); ++index) {
        if (!(values[index] >= 0.0f && values[index] <= 1.0f)) {
            char value[32];
            std::snprintf(value, sizeof value, "%g", static_cast<double>(values[index]));
            const std::string name =
                index < parameterNames.size() ? parameterNames[index] : "parameter " + std::to_string(index);
            error = origin + ": " + name + " is " + value + ", outside 0 to 1";
            return false;
        }
    }
    return true;
}

} // namespace

bool choosesPreset(const PresetChoice& choice)
{
    return !choice.soundName.empty() || !choice.programFile.empty() || !choice.bankFile.empty();
}

bool chosenPresetValues(const PresetChoice& choice, const ProgramFileIdentity& identity,
                        const std::vector<std::string>& parameterNames, std::vector<float>& values, std::string& error)
{
    if (!choice.soundName.empty()) {
        const FactorySound* sound = findFactorySound(choice.soundName);
        if (sound == nullptr) {
            error = "unknown preset '" + choice.soundName + "'; --list-presets lists the factory sounds";
            return false;
        }
        if (identity.numParams != kNumParameters) {
            error = "the module has " + std::to_string(identity.numParams) + " parameters, the factory sounds " +
                    std::to_string(kNumParameters);
            return false;
        }
        values.assign(sound->values, sound->values + kNumParameters);
        return true;
    }
    if (!choice.programFile.empty()) {
        StoredProgram program;
        if (!loadProgramFile(choice.programFile, identity, program, error)) {
            return false;
        }
        values = program.values;
        return checkRange(choice.programFile, values, parameterNames, error);
    }
    StoredBank bank;
    if (!loadBankFile(choice.bankFile, identity, bank, error)) {
        return false;
    }
    const std::int32_t count = static_cast<std::int32_t>(bank.programs.size());
    const std::int32_t program = choice.bankProgram >= 0 ? choice.bankProgram : bank.currentProgram;
    if (program >= count) {
        error = choice.bankFile + ": the bank has programs 0 to " + std::to_string(count - 1) + ", not " +
                std::to_string(program);
        return false;
    }
    values = bank.programs[static_cast<std::size_t>(program)].values;
    return checkRange(choice.bankFile + ", program " + std::to_string(program), values, parameterNames, error);
}

std::string factorySoundList()
{
    std::string list;
    for (std::size_t n = 0; n < kFactorySoundCount; ++n) {
        list += std::string(kFactorySounds[n].name) + "\t" + kFactorySounds[n].description + "\n";
    }
    return list;
}
