#include "instrument/SynthPlugin.h"

#include <cstring>
#include <new>

#include "host/PluginMain.h"

namespace {

constexpr std::int32_t kNumChannels = 16;
constexpr std::size_t kProgramNameLength = sizeof(SynthProgram::name) - 1;

// True when index names one of count entries; negative indices wrap to large
// unsigned numbers and fail the same test.
bool inRange(std::int32_t index, std::int32_t count)
{
    return static_cast<std::uint32_t>(index) < static_cast<std::uint32_t>(count);
}

} // namespace

SynthPlugin::SynthPlugin(HostCallback audioMaster) : ExtendedEffect(audioMaster, kNumPrograms, kNumParameters)
{
    programs = new (std::nothrow) SynthProgram[kNumPrograms];
    for (std::int32_t channel = 0; channel < kNumChannels; ++channel) {
        channelProgram[channel] = channel;
    }
    if (programs != nullptr) {
        setProgram(0);
    }
    if (audioMaster != nullptr) {
        setNumInputs(0);
        setNumOutputs(2);
        canProcessReplacing(true);
        hasVu(false);
        hasClip(false);
        isSynth(true);
        setUniqueID(fourCharCode("zphr"));
    }
    setupEngine();
}

SynthPlugin::~SynthPlugin()
{
    delete[] programs;
}

void SynthPlugin::setupEngine()
{
    engine.followSampleRate(sampleRate);
}

bool SynthPlugin::isComplete() const
{
    return programs != nullptr && engine.isValid();
}

void SynthPlugin::setParameter(std::int32_t index, float value)
{
    if (!inRange(index, kNumParameters) || programs == nullptr) {
        return;
    }
    // Legato keeps the integer truncation of the value, in the program as in the engine.
    const std::uint32_t word = parameterWord(index, value);
    programs[curProgram.load()].values[index].setWord(word);
    engine.setParameterWord(index, word);
}

float SynthPlugin::getParameter(std::int32_t index)
{
    return engine.getParameter(index);
}

void SynthPlugin::setProgram(std::int32_t program)
{
    if (!inRange(program, kNumPrograms) || programs == nullptr) {
        return;
    }
    curProgram = program;
    // Slots copy their 32 bits whole, so Legato's integer stays an integer.
    for (std::int32_t index = 0; index < kNumParameters; ++index) {
        engine.setParameterWord(index, programs[program].values[index].word());
    }
}

// Copies at most the 23 characters that fit and always terminates: a longer text
// from the host is cut instead of running past the name.
void SynthPlugin::setProgramName(char* name)
{
    if (name == nullptr || programs == nullptr) {
        return;
    }
    char* stored = programs[curProgram.load()].name;
    std::size_t length = 0;
    while (length < kProgramNameLength && name[length] != '\0') {
        ++length;
    }
    std::memcpy(stored, name, length);
    stored[length] = '\0';
}

void SynthPlugin::getProgramName(char* name)
{
    if (name == nullptr) {
        return;
    }
    if (programs == nullptr) {
        name[0] = '\0';
        return;
    }
    std::strcpy(name, programs[curProgram.load()].name);
}

bool SynthPlugin::getProgramNameIndexed(std::int32_t /*category*/, std::int32_t index, char* text)
{
    if (!inRange(index, kNumPrograms) || programs == nullptr || text == nullptr) {
        return false;
    }
    std::strcpy(text, programs[index].name);
    return true;
}

bool SynthPlugin::copyProgram(std::int32_t destination)
{
    if (!inRange(destination, kNumPrograms) || programs == nullptr) {
        return false;
    }
    const std::int32_t source = curProgram.load();
    if (destination != source) {
        programs[destination] = programs[source];
    }
    return true;
}

void SynthPlugin::setSampleRate(float newSampleRate)
{
    sampleRate = newSampleRate;
    engine.setSampleRate(newSampleRate);
}

void SynthPlugin::setBlockSize(std::int32_t newBlockSize)
{
    blockSize = newBlockSize;
}

// Switching on drops the events queued for a block that will never come (their
// held-key changes still take effect), starts the limiter afresh and asks the host
// for MIDI.
void SynthPlugin::resume()
{
    engine.resume();
    wantEvents(1);
}

EffectBase* createEffectInstance(HostCallback audioMaster)
{
    SynthPlugin* plugin = new (std::nothrow) SynthPlugin(audioMaster);
    if (plugin != nullptr && !plugin->isComplete()) {
        delete plugin;
        return nullptr;
    }
    return plugin;
}
