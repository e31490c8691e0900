// The native side of the browser tests: the module as the offline renderer drives
// it (loaded from its file, opened by the host kit's OfflineHost, blocks of 128
// frames), playing what the browser tests play, so the two can be compared bit for
// bit. The renderer itself takes a MIDI file and values set before the start; this
// also changes values between blocks and prints the texts a host shows.
//
//   zephyrant-web-reference MODULE render PHRASE OUTPUT
//     PHRASE: one entry a line, parameters by name as the module shows them, values
//     as the hexadecimal bits of a float:
//       rate HZ | frames N | sound NAME (a factory sound, set as the renderer's
//       --preset sets it) | value NAME BITS (before the start, after the sound)
//       midi FRAME STATUS DATA1 DATA2 | value-at FRAME NAME BITS (before the block
//       that holds FRAME); OUTPUT receives the frames as interleaved 32-bit floats.
//   zephyrant-web-reference MODULE texts [sound NAME] [INDEX BITS]...
//     sets the factory sound, then each value, and prints one line a parameter:
//     its name as the module reports it, the bits of its value, its display text
//     and its label, separated by tabs.
//   zephyrant-web-reference MODULE display INDEX BITS...
//     sets each value of the parameter in turn and prints its display text, one a line.

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "presets/FactorySounds.h"
#include "tools/hostkit/ModuleLoader.h"
#include "tools/hostkit/OfflineHost.h"

namespace {

constexpr std::int32_t kBlockSize = 128;

struct ValueChange {
    std::int64_t frame = 0;
    std::string name;
    float value = 0.0f;
};

struct Phrase {
    std::int32_t rate = 44100;
    std::int64_t frames = 0;
    std::string sound;
    std::vector<ValueChange> startValues;
    std::vector<ValueChange> changes;
    std::vector<TimedMidiEvent> events;
};

float floatOfBits(const std::string& text)
{
    const auto bits = static_cast<std::uint32_t>(std::stoul(text, nullptr, 16));
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

bool readPhrase(const std::string& path, Phrase& phrase, std::string& error)
{
    std::ifstream file(path);
    if (!file) {
        error = path + ": cannot be read";
        return false;
    }
    std::string line;
    for (int number = 1; std::getline(file, line); ++number) {
        std::istringstream words(line);
        std::string kind;
        words >> kind;
        ValueChange change;
        std::string bits;
        if (kind == "rate") {
            words >> phrase.rate;
        } else if (kind == "frames") {
            words >> phrase.frames;
        } else if (kind == "sound") {
            std::getline(words >> std::ws, phrase.sound);
        } else if (kind == "value" && words >> change.name >> bits) {
            change.value = floatOfBits(bits);
            phrase.startValues.push_back(change);
        } else if (kind == "value-at" && words >> change.frame >> change.name >> bits) {
            change.value = floatOfBits(bits);
            phrase.changes.push_back(change);
        } else if (kind == "midi") {
            TimedMidiEvent event;
            int bytes[3] = {0, 0, 0};
            words >> event.frame >> bytes[0] >> bytes[1] >> bytes[2];
            for (int n = 0; n < 3; ++n) {
                event.bytes[n] = static_cast<std::uint8_t>(bytes[n]);
            }
            phrase.events.push_back(event);
        } else if (!kind.empty()) {
            error = path + ":" + std::to_string(number) + ": cannot read '" + line + "'";
            return false;
        }
        if (words.fail() && !kind.empty()) {
            error = path + ":" + std::to_string(number) + ": cannot read '" + line + "'";
            return false;
        }
    }
    return true;
}

bool openModule(const ModuleLoader& loader, OfflineHost& host, std::string& error)
{
    return host.open([&loader](HostCallback audioMaster, std::string& reason) {
        return loader.createInstance(audioMaster, reason);
    }, error);
}

// The factory sound's values set as the renderer's --preset sets them.
bool setSound(OfflineHost& host, const std::string& name)
{
    const FactorySound* sound = findFactorySound(name);
    if (sound == nullptr) {
        std::fprintf(stderr, "no factory sound '%s'\n", name.c_str());
        return false;
    }
    for (std::int32_t index = 0; index < kNumParameters; ++index) {
        host.setParameter(index, sound->values[index]);
    }
    return true;
}

int render(const ModuleLoader& loader, const std::string& phrasePath, const std::string& outputPath)
{
    std::string error;
    Phrase phrase;
    if (!readPhrase(phrasePath, phrase, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 2;
    }
    OfflineHost host(HostSettings{phrase.rate, kBlockSize});
    if (!openModule(loader, host, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    if (!phrase.sound.empty() && !setSound(host, phrase.sound)) {
        return 2;
    }
    // Parameters by name, as the module names them.
    std::vector<std::int32_t> startIndices;
    std::vector<std::int32_t> changeIndices;
    for (const auto& [list, indices] : {std::make_pair(&phrase.startValues, &startIndices),
                                        std::make_pair(&phrase.changes, &changeIndices)}) {
        for (const ValueChange& change : *list) {
            indices->push_back(host.findParameter(change.name));
            if (indices->back() < 0) {
                std::fprintf(stderr, "no parameter '%s'\n", change.name.c_str());
                return 2;
            }
        }
    }
    for (std::size_t n = 0; n < phrase.startValues.size(); ++n) {
        host.setParameter(startIndices[n], phrase.startValues[n].value);
    }
    std::size_t nextChange = 0;
    BlockPlan plan;
    plan.beforeBlock = [&](std::size_t blockNumber, const PluginInstance& instance) {
        const std::int64_t blockEnd = static_cast<std::int64_t>(blockNumber + 1) * kBlockSize;
        while (nextChange < phrase.changes.size() && phrase.changes[nextChange].frame < blockEnd) {
            instance.setParameter(changeIndices[nextChange], phrase.changes[nextChange].value);
            ++nextChange;
        }
    };
    std::vector<float> interleaved;
    interleaved.reserve(static_cast<std::size_t>(phrase.frames) * 2);
    host.render(phrase.events, phrase.frames, [&](const float* left, const float* right, std::int32_t frames) {
        for (std::int32_t n = 0; n < frames; ++n) {
            interleaved.push_back(left[n]);
            interleaved.push_back(right[n]);
        }
        return true;
    }, plan);
    std::ofstream output(outputPath, std::ios::binary);
    output.write(reinterpret_cast<const char*>(interleaved.data()),
                 static_cast<std::streamsize>(interleaved.size() * sizeof(float)));
    if (!output) {
        std::fprintf(stderr, "%s: cannot be written\n", outputPath.c_str());
        return 1;
    }
    return 0;
}

int displays(const ModuleLoader& loader, const std::vector<std::string>& words)
{
    std::string error;
    OfflineHost host(HostSettings{});
    if (!openModule(loader, host, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    const auto index = static_cast<std::int32_t>(std::stol(words.at(0)));
    for (std::size_t next = 1; next < words.size(); ++next) {
        host.setParameter(index, floatOfBits(words[next]));
        std::printf("%s\n", host.instance().text(effGetParamDisplay, index).c_str());
    }
    return 0;
}

int texts(const ModuleLoader& loader, std::vector<std::string> words)
{
    std::string error;
    OfflineHost host(HostSettings{});
    if (!openModule(loader, host, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    std::size_t next = 0;
    if (words.size() >= 2 && words[0] == "sound") {
        if (!setSound(host, words[1])) {
            return 2;
        }
        next = 2;
    }
    for (; next + 1 < words.size(); next += 2) {
        host.setParameter(static_cast<std::int32_t>(std::stol(words[next])), floatOfBits(words[next + 1]));
    }
    const PluginInstance& instance = host.instance();
    for (std::int32_t index = 0; index < host.effect()->numParams; ++index) {
        const float value = instance.getParameter(index);
        std::uint32_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        std::printf("%s\t%08x\t%s\t%s\n", instance.text(effGetParamName, index).c_str(), bits,
                    instance.text(effGetParamDisplay, index).c_str(), instance.text(effGetParamLabel, index).c_str());
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: zephyrant-web-reference MODULE render PHRASE OUTPUT | MODULE texts [sound NAME] [INDEX BITS]... | MODULE display INDEX BITS...\n");
        return 2;
    }
    ModuleLoader loader;
    std::string error;
    if (!loader.load(argv[1], error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    const std::string command = argv[2];
    try {
        if (command == "render" && argc == 5) {
            return render(loader, argv[3], argv[4]);
        }
        if (command == "texts") {
            return texts(loader, std::vector<std::string>(argv + 3, argv + argc));
        }
        if (command == "display" && argc > 3) {
            return displays(loader, std::vector<std::string>(argv + 3, argv + argc));
        }
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "zephyrant-web-reference: %s\n", failure.what());
        return 2;
    }
    std::fprintf(stderr, "usage: zephyrant-web-reference MODULE render PHRASE OUTPUT | MODULE texts [sound NAME] [INDEX BITS]... | MODULE display INDEX BITS...\n");
    return 2;
}
