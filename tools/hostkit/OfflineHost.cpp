#include "tools/hostkit/OfflineHost.h"

#include "tools/hostkit/EventBatch.h"

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstring>
#include <utility>

namespace {

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
    return opcode == audioMasterVersion ? HostSettings().hostVersion : 0;
}

VstIntPtr OfflineHost::answer(std::int32_t opcode) const
{
    switch (opcode) {
    case audioMasterVersion:
        return settings.hostVersion;
    case audioMasterGetSampleRate:
        return settings.sampleRate;
    case audioMasterGetBlockSize:
        return settings.blockSize;
    default:
        return 0;
    }
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
    current = PluginInstance(made);
    current.dispatch(effOpen);
    current.dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(settings.sampleRate));
    current.dispatch(effSetBlockSize, 0, settings.blockSize);
    return true;
}

VstIntPtr OfflineHost::close()
{
    if (!current) {
        return 0;
    }
    const PluginInstance closing = current;
    current = PluginInstance();
    const VstIntPtr answered = closing.dispatch(effClose);
    unregister(closing.record());
    return answered;
}

void OfflineHost::switchOn()
{
    if (current) {
        current.dispatch(effMainsChanged, 0, 1);
    }
}

void OfflineHost::switchOff()
{
    if (current) {
        current.dispatch(effMainsChanged, 0, 0);
    }
}

std::vector<std::string> OfflineHost::parameterNames() const
{
    std::vector<std::string> names;
    if (!current) {
        return names;
    }
    for (std::int32_t index = 0; index < current.record()->numParams; ++index) {
        names.push_back(trimTrailingBlanks(current.text(effGetParamName, index)));
    }
    return names;
}

std::int32_t OfflineHost::findParameter(const std::string& nameOrIndex) const
{
    if (!current) {
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
    return index < current.record()->numParams ? static_cast<std::int32_t>(index) : -1;
}

bool OfflineHost::setProgram(std::int32_t program)
{
    if (!current || program < 0 || program >= current.record()->numPrograms) {
        return false;
    }
    current.dispatch(effSetProgram, 0, program);
    return true;
}

bool OfflineHost::setParameter(std::int32_t index, float value)
{
    if (!current || index < 0 || index >= current.record()->numParams || current.record()->setParameter == nullptr) {
        return false;
    }
    current.setParameter(index, value);
    return true;
}

bool OfflineHost::render(const std::vector<TimedMidiEvent>& events, std::int64_t totalFrames, const BlockSink& sink,
                         const BlockPlan& plan)
{
    if (!current) {
        return false;
    }
    const std::vector<std::int32_t> sizes =
        plan.sizes.empty() ? std::vector<std::int32_t>{std::max<std::int32_t>(settings.blockSize, 1)} : plan.sizes;
    const std::int32_t longest = *std::max_element(sizes.begin(), sizes.end());
    if (longest <= 0 || *std::min_element(sizes.begin(), sizes.end()) < 0) {
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

    AEffect* const effect = current.record();
    const auto blockLength = static_cast<std::size_t>(longest);
    const std::size_t inputCount = static_cast<std::size_t>(std::max<std::int32_t>(effect->numInputs, 0));
    const std::size_t outputCount = static_cast<std::size_t>(std::max<std::int32_t>(effect->numOutputs, 2));
    std::vector<std::vector<float>> inputs(inputCount, std::vector<float>(blockLength, 0.0f));
    std::vector<std::vector<float>> outputs(outputCount, std::vector<float>(blockLength, 0.0f));
    std::vector<float*> inputPointers(std::max<std::size_t>(inputCount, 1), nullptr);
    std::vector<float*> outputPointers(outputCount, nullptr);
    for (std::size_t i = 0; i < inputCount; ++i) {
        inputPointers[i] = inputs[i].data();
    }
    for (std::size_t i = 0; i < outputCount; ++i) {
        outputPointers[i] = outputs[i].data();
    }
    // A module with one output plays it on both sides.
    const float* right = effect->numOutputs == 1 ? outputs[0].data() : outputs[1].data();

    EventBatch batch(ordered->size());
    std::size_t nextEvent = 0;
    while (nextEvent < ordered->size() && (*ordered)[nextEvent].frame < 0) {
        ++nextEvent; // before the start of the render
    }

    switchOn();
    bool completed = true;
    std::size_t blockNumber = 0;
    for (std::int64_t blockStart = 0; blockStart < totalFrames; ++blockNumber) {
        const auto frames = static_cast<std::int32_t>(std::min<std::int64_t>(
            sizes[blockNumber % sizes.size()], totalFrames - blockStart));
        batch.clear();
        while (nextEvent < ordered->size() && (*ordered)[nextEvent].frame < blockStart + frames) {
            const TimedMidiEvent& event = (*ordered)[nextEvent++];
            batch.add(event.bytes, static_cast<std::int32_t>(event.frame - blockStart));
        }
        if (batch.size() > 0) {
            current.dispatch(effProcessEvents, 0, 0, batch.get());
        }
        if (plan.beforeBlock) {
            plan.beforeBlock(blockNumber, current);
        }
        for (std::vector<float>& output : outputs) {
            std::fill(output.begin(), output.begin() + frames, 0.0f);
        }
        if (effect->processReplacing != nullptr) {
            effect->processReplacing(effect, inputPointers.data(), outputPointers.data(), frames);
        } else if (effect->process != nullptr) {
            effect->process(effect, inputPointers.data(), outputPointers.data(), frames);
        }
        blockStart += frames;
        if (!sink(outputs[0].data(), right, frames)) {
            completed = false;
            break;
        }
    }
    switchOff();
    return completed;
}
