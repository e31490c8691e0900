// Writes the bundle's Turtle files at build time:
//   zephyrant-lv2-ttl BUNDLE_DIR BINARY_NAME MINOR_VERSION MICRO_VERSION
// Each file is written beside its place and renamed into it, so a failed run
// leaves no half-written description. One error line and exit status 1 on failure.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "lv2/BundleDescription.h"

namespace {

bool writeFile(const std::string& directory, const char* name, const std::string& text)
{
    const std::string path = directory + "/" + name;
    const std::string temporary = path + ".tmp";
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (file == nullptr) {
        std::fprintf(stderr, "zephyrant-lv2-ttl: cannot write %s\n", temporary.c_str());
        return false;
    }
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed || std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::fprintf(stderr, "zephyrant-lv2-ttl: cannot write %s\n", path.c_str());
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

bool parseVersion(const char* text, unsigned& value)
{
    char* end = nullptr;
    const unsigned long parsed = std::strtoul(text, &end, 10);
    if (end == text || *end != '\0' || text[0] == '-' || parsed > 0xFFFFFFFFul) {
        return false;
    }
    value = static_cast<unsigned>(parsed);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    BundleVersion version{};
    if (argc != 5 || !parseVersion(argv[3], version.minor) || !parseVersion(argv[4], version.micro)) {
        std::fprintf(stderr, "usage: zephyrant-lv2-ttl BUNDLE_DIR BINARY_NAME MINOR_VERSION MICRO_VERSION\n");
        return 1;
    }
    const std::vector<Lv2Preset> presets = bundlePresets();
    const std::string problem = presetListProblem(presets);
    if (!problem.empty()) {
        std::fprintf(stderr, "zephyrant-lv2-ttl: %s\n", problem.c_str());
        return 1;
    }
    const std::string directory = argv[1];
    const bool written = writeFile(directory, kManifestFile, manifestTurtle(argv[2], version, presets)) &&
                         writeFile(directory, kPluginFile, pluginTurtle()) &&
                         writeFile(directory, kPresetsFile, presetsTurtle(presets));
    return written ? 0 : 1;
}
