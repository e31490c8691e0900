#include "tools/support/OfflineHost.h"

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstring>
#include <new>
#include <utility>

namespace {

constexpr VstIntPtr kHostVersion = 2400;
constexpr std::size_t kTextSize = 256;

// The callback is a plain function: it finds its host through the record it is
// given, or, while an entry point runs and the record is not known yet, through
// the host that called the entry point on this thread. Hosts are made, used and
// closed on one thread, which the module's requests also arrive on.
std::vector<std::pair<AEffect*, const OfflineHost*>> registry;
thread_local const OfflineHost* hostInEntryPoint = nullptr;

const OfflineHost* hostOf(AEffect* effect)
{
    if (effect != nullptr) {
        for (const auto& entry : registry) {
            if (entry.first == effect) {
                return entry.second;
            }
        }
    }
    return hostInEntryPoint;
}

void unregister(AEffect* effect)
{
    registry.erase(std::remove_if(registry.begin(), registry.end(),
                                  [effect](const std::pair<AEffect*, const OfflineHost*>& entry) {
                                      return entry.first == effect;
                                  }),
                   registry.end());
}

std::string trimTrailingBlanks(std::string text)
{
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.pop_back();
    }
    return text;
}

bool equalIgnoringCase(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

// A VstEvents batch with room for any number of event pointers. The record declares
// two; the pointers are written through a pointer to the first, past that declaration.
class EventBatch {
public:
    void fill(const std::vector<VstMidiEvent>& events)
    {
        const std::size_t words = 2 + std::max<std::size_t>(events.size(), 2);
        if (storage.size() < words) {
            storage.resize(words);
        }
        VstEvents* batch = new (storage.data()) VstEvents{};
        batch->numEvents = static_cast<std::int32_t>(events.size());
        VstEvent** slots = &batch->events[0];
        for (std::size_t i = 0; i < events.size(); ++i) {
            slots[i] = reinterpret_cast<VstEvent*>(const_cast<VstMidiEvent*>(&events[i]));
        }
    }

    VstEvents* get() { return reinterpret_cast<VstEvents*>(storage.data()); }

private:
    // Pointer-sized words: the header is two of them on 32- and 64-bit alike.
    std::vector<VstIntPtr> storage;
};
static_assert(offsetof(VstEvents, events) == 2 * sizeof(VstIntPtr), "batch header is two words");

} // namespace

OfflineHost::OfflineHost(const HostSettings& hostSettings) : settings(hostSettings) {}

OfflineHost::~OfflineHost()
{
    close();
}

VstIntPtr VSTCALLBACK OfflineHost::hostCallback(AEffect* effect, std::int32_t opcode, std::int32_t /*index*/,
                                               VstIntPtr /*value*/, void* /*ptr*/, float /*opt*/)
{
    const OfflineHost* host = hostOf(effect);
    if (host != nullptr) {
        return host->answer(opcode);
    }
    return opcode == audioMasterVersion ? kHostVersion : 0;
}

VstIntPtr OfflineHost::answer(std::int32_t opcode) const
{
    switch (opcode) {
    case audioMasterVersion:
        return kHostVersion;
    case audioMasterGetSampleRate:
        return settings.sampleRate;
    case audioMasterGetBlockSize:
        return settings.blockSize;
    default:
        return 0;
    }
}

VstIntPtr OfflineHost::dispatch(std::int32_t opcode, std::int32_t index, VstIntPtr value, void* ptr,
                                float opt) const
{
    return instance->dispatcher(instance, opcode, index, value, ptr, opt);
}

bool OfflineHost::open(const InstanceFactory& makeInstance, std::string& error)
{
    close();
    hostInEntryPoint = this;
    AEffect* made = makeInstance(&OfflineHost::hostCallback, error);
    if (made != nullptr) {
        registry.emplace_back(made, this);
    }
    hostInEntryPoint = nullptr;
    if (made == nullptr) {
        if (error.empty()) {
            error = "the module made no instance";
        }
        return false;
    }
    if (made->dispatcher == nullptr) {
        unregister(made);
        error = "the module's record has no dispatcher";
        return false;
    }
    instance = made;
    dispatch(effOpen);
    dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(settings.sampleRate));
    dispatch(effSetBlockSize, 0, settings.blockSize);
    return true;
}

void OfflineHost::close()
{
    if (instance == nullptr) {
        return;
    }
    AEffect* closing = instance;
    instance = nullptr;
    closing->dispatcher(closing, effClose, 0, 0, nullptr, 0.0f);
    unregister(closing);
}

std::vector<std::string> OfflineHost::parameterNames() const
{
    std::vector<std::string> names;
    if (instance == nullptr) {
        return names;
    }
    for (std::int32_t index = 0; index < instance->numParams; ++index) {
        char text[kTextSize] = {};
        dispatch(effGetParamName, index, 0, text);
        text[kTextSize - 1] = '\0';
        names.push_back(trimTrailingBlanks(text));
    }
    return names;
}

std::int32_t OfflineHost::findParameter(const std::string& nameOrIndex) const
{
    if (instance == nullptr) {
        return -1;
    }
    const std::string wanted = trimTrailingBlanks(nameOrIndex);
    const std::vector<std::string> names = parameterNames();
    for (std::size_t index = 0; index < names.size(); ++index) {
        if (!wanted.empty() && equalIgnoringCase(names[index], wanted)) {
            return static_cast<std::int32_t>(index);
        }
    }
    if (wanted.empty() || wanted.size() > 9 ||
        !std::all_of(wanted.begin(), wanted.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return -1;
    }
    const long index = std::stol(wanted);
    return index < instance->numParams ? static_cast<std::int32_t>(index) : -1;
}

bool OfflineHost::setProgram(std::int32_t program)
{
    if (instance == nullptr || program < 0 || program >= instance->numPrograms) {
        return false;
    }
    dispatch(effSetProgram, 0, program);
    return true;
}

bool OfflineHost::setParameter(std::int32_t index, float value)
{
    if (instance == nullptr || index < 0 || index >= instance->numParams || instance->setParameter == nullptr) {
        return false;
    }
    instance->setParameter(instance, index, value);
    return true;
}

bool OfflineHost::render(const std::vector<TimedMidiEvent>& events, std::int64_t totalFrames, const BlockSink& sink)
{
    if (instance == nullptr) {
        return false;
    }
    // Frame order is what the module relies on; keep the caller's order for equal frames.
    std::vector<TimedMidiEvent> sorted;
    const std::vector<TimedMidiEvent>* ordered = &events;
    const auto byFrame = [](const TimedMidiEvent& a, const TimedMidiEvent& b) { return a.frame < b.frame; };
    if (!std::is_sorted(events.begin(), events.end(), byFrame)) {
        sorted = events;
        std::stable_sort(sorted.begin(), sorted.end(), byFrame);
        ordered = &sorted;
    }

    const std::size_t blockSize = static_cast<std::size_t>(std::max<std::int32_t>(settings.blockSize, 1));
    const std::size_t inputCount = static_cast<std::size_t>(std::max<std::int32_t>(instance->numInputs, 0));
    const std::size_t outputCount = static_cast<std::size_t>(std::max<std::int32_t>(instance->numOutputs, 2));
    std::vector<std::vector<float>> inputs(inputCount, std::vector<float>(blockSize, 0.0f));
    std::vector<std::vector<float>> outputs(outputCount, std::vector<float>(blockSize, 0.0f));
    std::vector<float*> inputPointers(std::max<std::size_t>(inputCount, 1), nullptr);
    std::vector<float*> outputPointers(outputCount, nullptr);
    for (std::size_t i = 0; i < inputCount; ++i) {
        inputPointers[i] = inputs[i].data();
    }
    for (std::size_t i = 0; i < outputCount; ++i) {
        outputPointers[i] = outputs[i].data();
    }
    // A module with one output plays it on both sides.
    const float* right = instance->numOutputs == 1 ? outputs[0].data() : outputs[1].data();

    std::vector<VstMidiEvent> blockEvents;
    EventBatch batch;
    std::size_t nextEvent = 0;
    while (nextEvent < ordered->size() && (*ordered)[nextEvent].frame < 0) {
        ++nextEvent; // before the start of the render
    }

    dispatch(effMainsChanged, 0, 1);
    bool completed = true;
    for (std::int64_t blockStart = 0; blockStart < totalFrames;) {
        const auto frames = static_cast<std::int32_t>(
            std::min<std::int64_t>(static_cast<std::int64_t>(blockSize), totalFrames - blockStart));
        blockEvents.clear();
        while (nextEvent < ordered->size() && (*ordered)[nextEvent].frame < blockStart + frames) {
            const TimedMidiEvent& event = (*ordered)[nextEvent++];
            VstMidiEvent midi{};
            midi.type = kVstMidiType;
            midi.byteSize = static_cast<std::int32_t>(sizeof(VstMidiEvent));
            midi.deltaFrames = static_cast<std::int32_t>(event.frame - blockStart);
            for (int i = 0; i < 3; ++i) {
                midi.midiData[i] = static_cast<char>(event.bytes[i]);
            }
            blockEvents.push_back(midi);
        }
        if (!blockEvents.empty()) {
            batch.fill(blockEvents);
            dispatch(effProcessEvents, 0, 0, batch.get());
        }
        for (std::vector<float>& output : outputs) {
            std::fill(output.begin(), output.begin() + frames, 0.0f);
        }
        if (instance->processReplacing != nullptr) {
            instance->processReplacing(instance, inputPointers.data(), outputPointers.data(), frames);
        } else if (instance->process != nullptr) {
            instance->process(instance, inputPointers.data(), outputPointers.data(), frames);
        }
        blockStart += frames;
        if (!sink(outputs[0].data(), right, frames)) {
            completed = false;
            break;
        }
    }
    dispatch(effMainsChanged, 0, 0);
    return completed;
}
