#include "clap/StateRecord.h"

#include <cstring>

#include "clap/PluginInstance.h"

namespace state_record {

namespace {

void putWord(std::uint8_t* at, std::uint32_t word)
{
    for (int n = 0; n < 4; ++n) {
        at[n] = static_cast<std::uint8_t>(word >> (8 * n));
    }
}

std::uint32_t getWord(const std::uint8_t* at)
{
    return static_cast<std::uint32_t>(at[0]) | static_cast<std::uint32_t>(at[1]) << 8 |
           static_cast<std::uint32_t>(at[2]) << 16 | static_cast<std::uint32_t>(at[3]) << 24;
}

bool storableWord(std::int32_t index, std::uint32_t word)
{
    if (index == kLegato) {
        return word == 0 || word == 1;
    }
    float value;
    std::memcpy(&value, &word, sizeof value);
    if (index == kPowerChord) {
        return word == 0 || value == 1.0f;
    }
    return value >= 0.0f && value <= 1.0f;
}

} // namespace

void encode(const Words& words, std::uint8_t (&bytes)[kSize])
{
    std::memcpy(bytes, kTag, sizeof kTag);
    putWord(bytes + 4, kVersion);
    putWord(bytes + 8, kNumParameters);
    for (std::int32_t index = 0; index < kNumParameters; ++index) {
        putWord(bytes + 12 + 4 * index, words.word[index]);
    }
}

bool decode(const std::uint8_t (&bytes)[kSize], Words& words)
{
    if (std::memcmp(bytes, kTag, sizeof kTag) != 0 || getWord(bytes + 4) != kVersion ||
        getWord(bytes + 8) != static_cast<std::uint32_t>(kNumParameters)) {
        return false;
    }
    Words read{};
    for (std::int32_t index = 0; index < kNumParameters; ++index) {
        read.word[index] = getWord(bytes + 12 + 4 * index);
        if (!storableWord(index, read.word[index])) {
            return false;
        }
    }
    words = read;
    return true;
}

} // namespace state_record

namespace {

using namespace state_record;

// The host's stream may take fewer bytes per call than offered.
bool CLAP_ABI save(const clap_plugin* plugin, const clap_ostream* stream)
{
    if (stream == nullptr || stream->write == nullptr) {
        return false;
    }
    const SynthEngine& engine = instanceOf(plugin).engine;
    Words words{};
    for (std::int32_t index = 0; index < kNumParameters; ++index) {
        words.word[index] = engine.getParameterWord(index);
    }
    std::uint8_t bytes[kSize];
    encode(words, bytes);
    std::size_t done = 0;
    while (done < kSize) {
        const std::int64_t written = stream->write(stream, bytes + done, kSize - done);
        if (written <= 0 || static_cast<std::uint64_t>(written) > kSize - done) {
            return false;
        }
        done += static_cast<std::size_t>(written);
    }
    return true;
}

// Reads the whole record before changing anything. The words then reach the
// engine one relaxed atomic store each: a block the audio thread renders
// meanwhile plays some old and some new values, as on a program change, and
// the next one all of the new.
bool CLAP_ABI load(const clap_plugin* plugin, const clap_istream* stream)
{
    if (stream == nullptr || stream->read == nullptr) {
        return false;
    }
    std::uint8_t bytes[kSize];
    std::size_t done = 0;
    while (done < kSize) {
        const std::int64_t read = stream->read(stream, bytes + done, kSize - done);
        if (read <= 0 || static_cast<std::uint64_t>(read) > kSize - done) {
            return false;
        }
        done += static_cast<std::size_t>(read);
    }
    Words words{};
    if (!decode(bytes, words)) {
        return false;
    }
    SynthEngine& engine = instanceOf(plugin).engine;
    for (std::int32_t index = 0; index < kNumParameters; ++index) {
        engine.setParameterWord(index, words.word[index]);
    }
    return true;
}

} // namespace

const clap_plugin_state kClapState = {save, load};
