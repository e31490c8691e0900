// Writes the factory sound set as VST 2.x files at build time, for hosts that load
// program and bank files:
//   zephyrant-factory-files OUTPUT_DIR
// One "NAME.fxp" per sound and "Zephyrant Factory.fxb", a bank of all 128 programs
// of the module: the factory sounds first, then "Basic" (the module's own program)
// in every remaining place, so that loading the bank leaves no program undefined.
// One error line and exit status 1 on failure.
#include <cstdio>
#include <string>
#include <vector>

#include "engine/EngineParameters.h"
#include "presets/FactorySounds.h"
#include "tools/hostkit/ProgramFile.h"

namespace {

// What the module's record says of itself: identifier "zphr", version 1, 19 parameters, 128 programs.
const ProgramFileIdentity kInstrumentIdentity{fourCharacterCode("zphr"), 1, kNumParameters};
constexpr std::size_t kBankPrograms = 128;
constexpr const char* kBankFileName = "Zephyrant Factory.fxb";

StoredProgram programOf(const char* name, const float* values)
{
    return StoredProgram{name, std::vector<float>(values, values + kNumParameters)};
}

// A sound name is a file name too: letters, digits, blanks and hyphens only, not starting with a blank.
bool usableAsFileName(const std::string& name)
{
    if (name.empty() || name.front() == ' ' || name.size() > kSoundNameLength) {
        return false;
    }
    for (const unsigned char c : name) {
        const bool letterOrDigit = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (!letterOrDigit && c != ' ' && c != '-') {
            return false;
        }
    }
    return true;
}

bool save(const std::string& path, const std::vector<std::uint8_t>& image)
{
    std::string error;
    if (!saveProgramFileImage(path, image, error)) {
        std::fprintf(stderr, "zephyrant-factory-files: %s\n", error.c_str());
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: zephyrant-factory-files OUTPUT_DIR\n");
        return 1;
    }
    const std::string directory = argv[1];
    std::vector<StoredProgram> bank;
    for (std::size_t n = 0; n < kFactorySoundCount; ++n) {
        const FactorySound& sound = kFactorySounds[n];
        if (!usableAsFileName(sound.name)) {
            std::fprintf(stderr, "zephyrant-factory-files: \"%s\" cannot name a file of at most %zu characters\n",
                         sound.name, kSoundNameLength);
            return 1;
        }
        bank.push_back(programOf(sound.name, sound.values));
        if (!save(directory + "/" + sound.name + ".fxp", programFileImage(kInstrumentIdentity, bank.back()))) {
            return 1;
        }
    }
    if (bank.size() > kBankPrograms) {
        std::fprintf(stderr, "zephyrant-factory-files: %zu sounds do not fit the module's %zu programs\n",
                     bank.size(), kBankPrograms);
        return 1;
    }
    bank.resize(kBankPrograms, programOf(kBasicSoundName, kParameterDefaults));
    return save(directory + "/" + kBankFileName, bankFileImage(kInstrumentIdentity, bank)) ? 0 : 1;
}
