// The VST 2.x instrument driven through its record, one instance per input, by
// the host operations the input decodes to: requests with odd opcodes, indices,
// values and floats, their pointers always into memory this host owns and of the
// size the interface gives them; parameter and program changes; event batches of
// odd sizes, types and frames; renders of odd lengths into buffers with guards;
// rate, block size and on/off changes. Besides crashes, leaks and undefined
// behaviour it checks what a host notices: samples not written or not finite,
// writes past a block, a text or record, or into the host's events, a text
// without its terminator, a record that changed under the host, a parameter that
// does not read back, a program number out of range, a close that fails.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "FuzzSupport.h"
#include "host/AEffect.h"
#include "host/PluginMain.h"

namespace {

// Each input renders at most this many frames in all, so that runs stay short.
constexpr std::int32_t kFrameBudget = 8192;
constexpr std::int32_t kLongestRender = 8192;
constexpr std::size_t kEventBudget = 4096;
constexpr std::size_t kOperationBudget = 256;

VstIntPtr VSTCALLBACK hostCallback(AEffect*, std::int32_t opcode, std::int32_t, VstIntPtr, void*, float)
{
    switch (opcode) {
    case audioMasterVersion: return 2400;
    case audioMasterGetSampleRate: return 44100;
    case audioMasterGetBlockSize: return 512;
    default: return 0;
    }
}

// How a request uses its pointer, and how many bytes the host hands it there.
enum class PointerUse { Opaque, TextIn, TextOut, Record, Slot, Chunk, Events, Arrangements, ArrangementSlots };

struct PointerRule {
    PointerUse use;
    std::size_t bytes;
};

// Text sizes are those hosts give: program names 24 bytes, parameter displays and
// labels 9 (8 characters), names of the effect 32, vendor and product 64.
PointerRule pointerRule(std::int32_t opcode)
{
    switch (opcode) {
    case effSetProgramName:
    case effString2Parameter:
    case effCanDo: return {PointerUse::TextIn, 64};
    case effGetProgramName:
    case effGetProgramNameIndexed: return {PointerUse::TextOut, 24};
    case effGetParamLabel:
    case effGetParamDisplay: return {PointerUse::TextOut, 9};
    case effGetParamName: return {PointerUse::TextOut, 32};
    case effGetEffectName: return {PointerUse::TextOut, 32};
    case effGetVendorString:
    case effGetProductString:
    case effShellGetNextPlugin: return {PointerUse::TextOut, 64};
    case effGetErrorText: return {PointerUse::TextOut, 256};
    case effEditGetRect:
    case effGetChunk: return {PointerUse::Slot, sizeof(void*)};
    case effSetChunk: return {PointerUse::Chunk, 0};
    case effProcessEvents: return {PointerUse::Events, 0};
    case effGetInputProperties:
    case effGetOutputProperties: return {PointerUse::Record, sizeof(VstPinProperties)};
    case effGetMidiProgramName:
    case effGetCurrentMidiProgram: return {PointerUse::Record, sizeof(MidiProgramName)};
    case effGetMidiProgramCategory: return {PointerUse::Record, sizeof(MidiProgramCategory)};
    case effGetMidiKeyName: return {PointerUse::Record, sizeof(MidiKeyName)};
    case effSetSpeakerArrangement: return {PointerUse::Arrangements, 0};
    case effGetSpeakerArrangement: return {PointerUse::ArrangementSlots, 0};
    default: return {PointerUse::Opaque, 256};
    }
}

constexpr std::uint8_t kUnwrittenText = 0x5A;

// After a request that may write a text: nothing was written, or a terminated
// text of fewer bytes than the area and nothing after its terminator.
void checkText(const GuardedArea<char>& area, std::int32_t opcode)
{
    FUZZ_EXPECT(area.guardsIntact(), "request %d wrote beyond the %zu bytes of its text", opcode, area.elements());
    const char* text = area.data();
    const void* end = std::memchr(text, '\0', area.elements());
    if (end == nullptr) {
        for (std::size_t n = 0; n < area.elements(); ++n) {
            FUZZ_EXPECT(static_cast<std::uint8_t>(text[n]) == kUnwrittenText,
                        "request %d wrote a text of %zu bytes without a terminator", opcode, area.elements());
        }
        return;
    }
    for (const char* after = static_cast<const char*>(end) + 1; after < text + area.elements(); ++after) {
        FUZZ_EXPECT(static_cast<std::uint8_t>(*after) == kUnwrittenText,
                    "request %d wrote after the terminator of its text", opcode);
    }
}

bool terminatedWithin(const char* text, std::size_t bytes)
{
    return std::memchr(text, '\0', bytes) != nullptr;
}

class Vst2Host {
public:
    Vst2Host(AEffect* effect, FuzzInput& input) : effect(effect), in(input), record(*effect) {}

    void run()
    {
        dispatch(effOpen, 0, 0, nullptr, 0.0f);
        for (std::size_t n = 0; n < kOperationBudget && !in.empty(); ++n) {
            switch (in.below(10)) {
            case 0: request(); break;
            case 1: setParameter(); break;
            case 2: getParameter(); break;
            case 3: sendEvents(); break;
            case 4: render(true); break;
            case 5: render(false); break;
            case 6: dispatch(effSetSampleRate, in.oddInt(), 0, nullptr, in.oddFloat()); break;
            case 7: dispatch(effSetBlockSizeAndSampleRate, 0, in.oddInt(), nullptr, in.oddFloat()); break;
            case 8: dispatch(effMainsChanged, 0, in.flag() ? 1 : 0, nullptr, 0.0f); break;
            default: setProgram(); break;
            }
        }
        if (in.flag()) {
            dispatch(effMainsChanged, 0, 0, nullptr, 0.0f);
        }
        FUZZ_EXPECT(effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f) == 1, "closing did not answer 1");
    }

private:
    VstIntPtr dispatch(std::int32_t opcode, std::int32_t index, VstIntPtr value, void* ptr, float opt)
    {
        const VstIntPtr answer = effect->dispatcher(effect, opcode, index, value, ptr, opt);
        const bool textOut = ptr != nullptr && pointerRule(opcode).use == PointerUse::TextOut;
        FUZZ_TRACE("request %d index %d value %lld %s opt %.9g: %lld %.*s", opcode, index, static_cast<long long>(value),
                   ptr ? "pointer" : "null", opt, static_cast<long long>(answer),
                   textOut ? static_cast<int>(pointerRule(opcode).bytes) : 0, textOut ? static_cast<const char*>(ptr) : "");
        checkRecord(opcode);
        return answer;
    }

    // The fields a host reads once and relies on afterwards.
    void checkRecord(std::int32_t opcode) const
    {
        FUZZ_EXPECT(effect->magic == record.magic && effect->object == record.object &&
                        effect->dispatcher == record.dispatcher && effect->processReplacing == record.processReplacing &&
                        effect->setParameter == record.setParameter && effect->getParameter == record.getParameter &&
                        effect->numParams == record.numParams && effect->numPrograms == record.numPrograms &&
                        effect->numOutputs == record.numOutputs && effect->uniqueID == record.uniqueID,
                    "request %d changed the record", opcode);
    }

    VstIntPtr oddValue()
    {
        if (in.below(8) == 0) {
            std::uint64_t wide = in.word32();
            wide |= static_cast<std::uint64_t>(in.word32()) << 32;
            return static_cast<VstIntPtr>(wide);
        }
        return in.oddInt();
    }

    // One numbered request (every opcode but close, and numbers beyond the table)
    // with its pointer in memory of the size the interface gives it, or null.
    void request()
    {
        std::int32_t opcode = in.flag() ? static_cast<std::int32_t>(in.below(80)) : in.oddInt();
        if (opcode == effClose) {
            opcode = effGetProgram;
        }
        const std::int32_t index = in.oddInt();
        VstIntPtr value = oddValue();
        const float opt = in.oddFloat();
        const bool null = in.below(8) == 0;
        const PointerRule rule = pointerRule(opcode);
        switch (rule.use) {
        case PointerUse::TextIn: {
            GuardedArea<char> text(rule.bytes);
            // A text of any length that fits, its characters any but the terminator.
            const std::size_t length = in.below(static_cast<std::uint32_t>(rule.bytes));
            for (std::size_t n = 0; n < length; ++n) {
                const char c = static_cast<char>(in.byte());
                text.data()[n] = c != '\0' ? c : 'x';
            }
            text.data()[length] = '\0';
            const std::vector<char> sent(text.data(), text.data() + rule.bytes);
            unreadable(text.data() + length + 1, rule.bytes - length - 1);
            dispatch(opcode, index, value, null ? nullptr : text.data(), opt);
            readable(text.data(), rule.bytes);
            FUZZ_EXPECT(text.guardsIntact() && std::equal(sent.begin(), sent.end(), text.data()),
                        "request %d changed the text the host sent", opcode);
            if (opcode == effSetProgramName) {
                // A host shows the new name at once.
                GuardedArea<char> name(pointerRule(effGetProgramName).bytes);
                name.fill(kUnwrittenText);
                dispatch(effGetProgramName, 0, 0, name.data(), 0.0f);
                checkText(name, effGetProgramName);
            }
            break;
        }
        case PointerUse::TextOut: {
            GuardedArea<char> text(rule.bytes);
            text.fill(kUnwrittenText);
            dispatch(opcode, index, value, null ? nullptr : text.data(), opt);
            checkText(text, opcode);
            break;
        }
        case PointerUse::Record: recordRequest(opcode, index, value, opt, rule.bytes, null); break;
        case PointerUse::Slot: {
            GuardedArea<void*> slot(1);
            slot.data()[0] = nullptr;
            const VstIntPtr answer = dispatch(opcode, index, value, null ? nullptr : slot.data(), opt);
            FUZZ_EXPECT(slot.guardsIntact(), "request %d wrote beyond its pointer slot", opcode);
            if (opcode == effGetChunk && answer > 0) {
                FUZZ_EXPECT(slot.data()[0] != nullptr, "a chunk of %lld bytes without its data",
                            static_cast<long long>(answer));
                std::vector<std::uint8_t> copy(static_cast<const std::uint8_t*>(slot.data()[0]),
                                               static_cast<const std::uint8_t*>(slot.data()[0]) + answer);
            }
            break;
        }
        case PointerUse::Chunk: {
            const std::size_t bytes = in.below(512);
            GuardedArea<std::uint8_t> chunk(bytes);
            in.read(chunk.data(), bytes);
            dispatch(opcode, index, static_cast<VstIntPtr>(bytes), null ? nullptr : chunk.data(), opt);
            FUZZ_EXPECT(chunk.guardsIntact(), "setting a chunk wrote beyond it");
            break;
        }
        case PointerUse::Events: sendEvents(); break;
        case PointerUse::Arrangements: arrangementRequest(opcode, index, opt, null); break;
        case PointerUse::ArrangementSlots: {
            GuardedArea<VstSpeakerArrangement*> slots(2);
            slots.data()[0] = nullptr;
            slots.data()[1] = nullptr;
            value = null ? 0 : reinterpret_cast<VstIntPtr>(&slots.data()[0]);
            dispatch(opcode, index, value, null ? nullptr : &slots.data()[1], opt);
            FUZZ_EXPECT(slots.guardsIntact(), "request %d wrote beyond its arrangement pointers", opcode);
            break;
        }
        case PointerUse::Opaque: {
            GuardedArea<std::uint8_t> block(rule.bytes);
            in.read(block.data(), rule.bytes > 32 ? 32 : rule.bytes);
            dispatch(opcode, index, value, null ? nullptr : block.data(), opt);
            FUZZ_EXPECT(block.guardsIntact(), "request %d wrote beyond the %zu bytes at its pointer", opcode,
                        rule.bytes);
            break;
        }
        }
    }

    // Records the host fills in part (the index it asks about) before the request.
    // A name the module writes there ends with its terminator inside its field.
    void recordRequest(std::int32_t opcode, std::int32_t index, VstIntPtr value, float opt, std::size_t bytes,
                       bool null)
    {
        GuardedArea<std::uint8_t> area(bytes);
        in.read(area.data(), bytes);
        const std::int32_t asked = in.oddInt();
        std::memcpy(area.data(), &asked, sizeof asked);
        const std::vector<std::uint8_t> sent(area.data(), area.data() + bytes);
        dispatch(opcode, index, value, null ? nullptr : area.data(), opt);
        FUZZ_EXPECT(area.guardsIntact(), "request %d wrote beyond its %zu-byte record", opcode, bytes);
        std::size_t nameOffset = 0;
        switch (opcode) {
        case effGetInputProperties:
        case effGetOutputProperties: nameOffset = offsetof(VstPinProperties, label); break;
        case effGetMidiProgramName:
        case effGetCurrentMidiProgram: nameOffset = offsetof(MidiProgramName, name); break;
        case effGetMidiProgramCategory: nameOffset = offsetof(MidiProgramCategory, name); break;
        case effGetMidiKeyName: nameOffset = offsetof(MidiKeyName, keyName); break;
        default: return;
        }
        constexpr std::size_t kNameBytes = 64;
        const char* name = reinterpret_cast<const char*>(area.data() + nameOffset);
        FUZZ_EXPECT(std::memcmp(name, sent.data() + nameOffset, kNameBytes) == 0 || terminatedWithin(name, kNameBytes),
                    "request %d wrote a name without a terminator", opcode);
    }

    // Input and output arrangements as the host describes its buses: headers and
    // as many speaker records as they count.
    void arrangementRequest(std::int32_t opcode, std::int32_t index, float opt, bool null)
    {
        const auto arrangement = [this](GuardedArea<std::uint8_t>& area) {
            const std::int32_t channels = static_cast<std::int32_t>(in.below(9));
            in.read(area.data(), area.byteCount());
            std::memcpy(area.data() + offsetof(VstSpeakerArrangement, numChannels), &channels, sizeof channels);
            return channels;
        };
        const std::size_t bytes = offsetof(VstSpeakerArrangement, speakers) + 8 * sizeof(VstSpeakerProperties);
        GuardedArea<std::uint8_t> input(bytes);
        GuardedArea<std::uint8_t> output(bytes);
        arrangement(input);
        arrangement(output);
        const std::vector<std::uint8_t> sentInput(input.data(), input.data() + bytes);
        const std::vector<std::uint8_t> sentOutput(output.data(), output.data() + bytes);
        dispatch(opcode, index, null ? 0 : reinterpret_cast<VstIntPtr>(input.data()), null ? nullptr : output.data(),
                 opt);
        FUZZ_EXPECT(input.guardsIntact() && output.guardsIntact() &&
                        std::equal(sentInput.begin(), sentInput.end(), input.data()) &&
                        std::equal(sentOutput.begin(), sentOutput.end(), output.data()),
                    "setting the speaker arrangements changed the host's");
    }

    void setParameter()
    {
        const std::int32_t index = in.flag() ? static_cast<std::int32_t>(in.below(20)) : in.oddInt();
        const float value = in.oddFloat();
        effect->setParameter(effect, index, value);
        checkRecord(-1);
        const float read = effect->getParameter(effect, index);
        FUZZ_TRACE("parameter %d set to %.9g reads %.9g", index, value, read);
        if (index < 0 || index >= effect->numParams) {
            FUZZ_EXPECT(read == 0.0f, "parameter %d, which does not exist, reads %g", index, read);
        } else if (value >= 0.0f && value <= 1.0f) {
            // Legato (15) keeps the integer part, as the module takes it.
            const float expected = index == 15 ? static_cast<float>(static_cast<std::int32_t>(value)) : value;
            FUZZ_EXPECT(read == expected, "parameter %d set to %.9g reads %.9g", index, value, read);
        }
    }

    void getParameter()
    {
        const std::int32_t index = in.oddInt();
        const float read = effect->getParameter(effect, index);
        FUZZ_EXPECT(index >= 0 || read == 0.0f, "parameter %d, which does not exist, reads %g", index, read);
    }

    void setProgram()
    {
        const VstIntPtr program = in.flag() ? static_cast<VstIntPtr>(in.below(130)) : oddValue();
        const VstIntPtr before = dispatch(effGetProgram, 0, 0, nullptr, 0.0f);
        dispatch(effSetProgram, 0, program, nullptr, 0.0f);
        const VstIntPtr after = dispatch(effGetProgram, 0, 0, nullptr, 0.0f);
        FUZZ_EXPECT(after >= 0 && after < effect->numPrograms, "the current program is %lld",
                    static_cast<long long>(after));
        const bool exists = program >= 0 && program < effect->numPrograms;
        FUZZ_EXPECT(after == (exists ? program : before), "program %lld chosen, %lld current",
                    static_cast<long long>(program), static_cast<long long>(after));
    }

    // A batch as hosts build it: a header, then pointers to events of 32 bytes,
    // some null; odd counts, types, sizes, frames and bytes.
    void sendEvents()
    {
        const std::uint8_t size = in.byte();
        std::size_t count = size < 224 ? size % 33 : in.word16() % 2100;
        count = std::min(count, kEventBudget - std::min(kEventBudget, eventsSent));
        eventsSent += count;
        std::vector<VstMidiEvent> events(count);
        std::vector<VstIntPtr> batch(2 + std::max<std::size_t>(count, 2), 0);
        auto* header = reinterpret_cast<VstEvents*>(batch.data());
        VstEvent** list = &header->events[0];
        for (std::size_t n = 0; n < count; ++n) {
            VstMidiEvent& event = events[n];
            const std::uint8_t shape = in.byte();
            event.type = shape < 224 ? kVstMidiType : in.oddInt();
            event.byteSize = shape % 8 == 0 ? in.oddInt() : static_cast<std::int32_t>(sizeof(VstMidiEvent));
            const std::uint8_t when = in.byte();
            event.deltaFrames = when < 192 ? when : in.oddInt();
            in.read(event.midiData, sizeof event.midiData);
            if (shape % 16 == 1) {
                in.read(&event.noteLength, 8);
                in.read(&event.detune, 4);
            }
            list[n] = shape == 255 ? nullptr : reinterpret_cast<VstEvent*>(&event);
        }
        const std::uint8_t stated = in.byte();
        header->numEvents = stated < 240 ? static_cast<std::int32_t>(count)
                                         : static_cast<std::int32_t>(stated % 4) - 2; // -2 to 1, at most count
        header->numEvents = std::min<std::int32_t>(header->numEvents, static_cast<std::int32_t>(count));
        FUZZ_TRACE("a batch of %d events (%zu made)", header->numEvents, count);
        const std::vector<VstMidiEvent> sent = events;
        const std::vector<VstIntPtr> sentBatch = batch;
        FUZZ_EXPECT(dispatch(effProcessEvents, 0, 0, header, 0.0f) == 1, "a batch of events was not taken");
        FUZZ_EXPECT((count == 0 || std::memcmp(sent.data(), events.data(), count * sizeof(VstMidiEvent)) == 0) &&
                        sentBatch == batch,
                    "taking the events changed the host's batch");
    }

    // A render of an odd length into guarded buffers: every sample written and
    // finite, nothing beyond; a length of 0 or less writes nothing.
    void render(bool replacing)
    {
        const std::uint8_t length = in.byte();
        // Mostly the blocks hosts render, up to 1024 frames; sometimes up to the longest, or odd counts.
        std::int32_t frames = length < 128 ? length
                              : length < 224 ? in.word16() % 1025
                              : length < 240 ? in.word16() % (kLongestRender + 1)
                                             : in.oddInt();
        frames = std::min(frames, std::min(kLongestRender, frameBudget));
        if (frames > 0) {
            frameBudget -= frames;
        }
        const std::uint8_t wiring = in.byte();
        const std::size_t count = frames > 0 ? static_cast<std::size_t>(frames) : 0;
        GuardedArea<float> left(count);
        GuardedArea<float> right(count);
        std::fill(left.data(), left.data() + count, unwrittenSample());
        std::fill(right.data(), right.data() + count, unwrittenSample());
        float* outputs[2] = {left.data(), right.data()};
        float* inputs[2] = {nullptr, nullptr};
        const bool shared = wiring == 254;
        if (shared) {
            outputs[1] = left.data();
        }
        FUZZ_TRACE("%s %d frames, wiring %u", replacing ? "processReplacing" : "process", frames, wiring);
        (replacing ? effect->processReplacing : effect->process)(effect, wiring == 255 ? nullptr : inputs,
                                                                 wiring == 253 ? nullptr : outputs, frames);
        checkRecord(-2);
        FUZZ_EXPECT(left.guardsIntact() && right.guardsIntact(), "a render of %d frames wrote beyond the block",
                    frames);
        if (wiring == 253) {
            return;
        }
        for (std::size_t i = 0; i < count; ++i) {
            FUZZ_EXPECT(std::isfinite(left.data()[i]) && (shared || std::isfinite(right.data()[i])),
                        "sample %zu of %d is %s", i, frames,
                        isUnwrittenSample(left.data()[i]) || isUnwrittenSample(right.data()[i]) ? "not written"
                                                                                                : "not finite");
        }
    }

    AEffect* effect;
    FuzzInput& in;
    const AEffect record;
    std::int32_t frameBudget = kFrameBudget;
    std::size_t eventsSent = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput in(data, size);
    AEffect* effect = pluginMain(&hostCallback);
    FUZZ_EXPECT(effect != nullptr, "no instance was made");
    FUZZ_EXPECT(effect->magic == kEffectMagic && effect->numParams == 19 && effect->numPrograms == 128 &&
                    effect->numOutputs == 2 && effect->processReplacing != nullptr,
                "the record is not the instrument's");
    Vst2Host(effect, in).run();
    return 0;
}
