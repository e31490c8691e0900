// The LV2 plug-in driven through its descriptor, one instance per input, as the
// input decides: the sample rate and the host's URID map, port connections (odd
// port numbers, outputs left out or sharing one buffer), control values with NaN,
// infinities and values out of range, atom sequences with odd sizes, units, types,
// stamps and MIDI bytes inside the buffer the host provides, runs of 0 to 8192
// frames, and activate and deactivate in any order. Besides crashes, leaks and
// undefined behaviour it checks what a host notices: a usable rate refused or an
// unusable one taken, samples not written or not finite, writes past the run or
// into the host's input ports.
#include <lv2/atom/atom.h>
#include <lv2/core/lv2.h>
#include <lv2/midi/midi.h>
#include <lv2/urid/urid.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "engine/EngineParameters.h"
#include "lv2/Ports.h"

extern "C" const LV2_Descriptor* lv2_descriptor(std::uint32_t index);

namespace {

constexpr std::uint32_t kLongestRun = 8192;
constexpr std::uint32_t kFrameBudget = 8192;
constexpr std::size_t kOperationBudget = 128;
constexpr std::size_t kLargestSequence = 4096;

// The host's URID map: URIs numbered from 1 in the order asked, or a map that
// knows no URI at all (answers 0).
struct UridMap {
    std::vector<std::string> uris;
    bool answersZero = false;

    static LV2_URID map(LV2_URID_Map_Handle handle, const char* uri)
    {
        auto* self = static_cast<UridMap*>(handle);
        if (self->answersZero) {
            return 0;
        }
        for (std::size_t n = 0; n < self->uris.size(); ++n) {
            if (self->uris[n] == uri) {
                return static_cast<LV2_URID>(n + 1);
            }
        }
        self->uris.emplace_back(uri);
        return static_cast<LV2_URID>(self->uris.size());
    }

    LV2_URID id(const char* uri) { return map(this, uri); }
};

enum class Wiring : std::uint8_t { Own, Shared, None };

class Lv2Host {
public:
    Lv2Host(const LV2_Descriptor* descriptor, LV2_Handle instance, UridMap& uridMap, FuzzInput& input)
        : descriptor(descriptor), instance(instance), in(input), controls(kNumParameters), sequence(kLargestSequence)
    {
        midiEvent = uridMap.id(LV2_MIDI__MidiEvent);
        sequenceType = uridMap.id(LV2_ATOM__Sequence);
        frameTime = uridMap.id(LV2_ATOM__frameTime);
        beatTime = uridMap.id(LV2_ATOM__beatTime);
        for (std::int32_t index = 0; index < kNumParameters; ++index) {
            controls.data()[index] = kParameterDefaults[index];
            descriptor->connect_port(instance, kFirstParameterPort + static_cast<std::uint32_t>(index),
                                     &controls.data()[index]);
        }
        writeSequence(0);
        descriptor->connect_port(instance, kMidiInputPort, sequence.data());
    }

    void run()
    {
        if (in.below(4) != 0) {
            descriptor->activate(instance);
        }
        for (std::size_t n = 0; n < kOperationBudget && !in.empty(); ++n) {
            switch (in.below(8)) {
            case 0: connect(); break;
            case 1: setControl(); break;
            case 2:
                FUZZ_TRACE("activate");
                descriptor->activate(instance);
                break;
            case 3:
                FUZZ_TRACE("deactivate");
                descriptor->deactivate(instance);
                break;
            default: runOnce(); break;
            }
        }
        if (in.flag()) {
            descriptor->deactivate(instance);
        }
        descriptor->cleanup(instance);
    }

private:
    // A port by number, in range or not, connected to memory of its kind or to nothing.
    void connect()
    {
        const std::uint8_t choice = in.byte();
        const std::uint32_t port = choice < 224 ? choice % (kNumPorts + 2) : static_cast<std::uint32_t>(in.oddInt());
        const bool none = in.below(4) == 0;
        FUZZ_TRACE("connect port %u to %s", port, none ? "nothing" : "memory");
        if (port == kLeftOutputPort || port == kRightOutputPort) {
            Wiring& wiring = port == kLeftOutputPort ? left : right;
            wiring = none ? Wiring::None : (port == kRightOutputPort && in.flag() ? Wiring::Shared : Wiring::Own);
            return; // audio ports are connected to fresh buffers before each run
        }
        if (port == kMidiInputPort) {
            descriptor->connect_port(instance, port, none ? nullptr : sequence.data());
            return;
        }
        if (port >= kFirstParameterPort && port < kNumPorts) {
            float* slot = &controls.data()[port - kFirstParameterPort];
            descriptor->connect_port(instance, port, none ? nullptr : slot);
            return;
        }
        // A port the plug-in does not have: it must not keep or write the pointer.
        GuardedArea<float> stray(1);
        stray.data()[0] = 0.5f;
        descriptor->connect_port(instance, port, none ? nullptr : stray.data());
        FUZZ_EXPECT(stray.guardsIntact() && stray.data()[0] == 0.5f, "connecting port %u wrote to it", port);
    }

    void setControl()
    {
        const std::uint32_t index = in.below(kNumParameters);
        controls.data()[index] = in.oddFloat();
        FUZZ_TRACE("control %u set to %.9g", index, controls.data()[index]);
    }

    // The atom sequence of the coming run, as the host writes it into the buffer
    // it provides: odd header fields, events with odd stamps, sizes and types.
    void writeSequence(std::size_t eventCount)
    {
        std::size_t lastBody = 0;
        std::size_t lastBodyBytes = 0;
        sequence.fill(0);
        std::uint8_t* const base = sequence.bytes();
        auto* header = reinterpret_cast<LV2_Atom_Sequence*>(base);
        const std::uint8_t form = eventCount > 0 ? in.byte() : 0;
        header->atom.type = form < 240 ? sequenceType : (form < 248 ? midiEvent : in.word32());
        header->body.unit = form % 8 < 5 ? 0 : (form % 8 == 5 ? frameTime : (form % 8 == 6 ? beatTime : in.word32()));
        header->body.pad = (form >> 3) % 16 == 15 ? in.word32() : 0;
        std::size_t offset = sizeof(LV2_Atom_Sequence);
        for (std::size_t n = 0; n < eventCount && offset + sizeof(LV2_Atom_Event) <= kLargestSequence; ++n) {
            auto* event = reinterpret_cast<LV2_Atom_Event*>(base + offset);
            const std::uint8_t when = in.byte();
            if (when < 200) {
                event->time.frames = when * 41;
            } else if (when < 250) {
                event->time.frames = in.oddInt();
            } else {
                std::uint64_t bits = in.word32();
                bits |= static_cast<std::uint64_t>(in.word32()) << 32;
                event->time.frames = static_cast<std::int64_t>(bits);
            }
            const std::uint8_t shape = in.byte();
            event->body.type = shape < 224 ? midiEvent : (shape < 232 ? sequenceType : (shape < 240 ? 0 : in.word32()));
            const std::uint8_t length = in.byte();
            event->body.size = length < 224 ? 1 + length % 3 : (length < 240 ? length - 224 : in.word32());
            offset += sizeof(LV2_Atom_Event);
            const std::size_t bodyBytes = std::min<std::size_t>(event->body.size, kLargestSequence - offset);
            in.read(base + offset, bodyBytes);
            lastBody = offset;
            lastBodyBytes = bodyBytes;
            offset += (bodyBytes + 7) & ~std::size_t{7};
            offset = std::min(offset, kLargestSequence);
        }
        // The size counts what was written; or ends inside the last event's body,
        // which then runs past the sequence; or cuts up to 15 bytes into the last
        // events; or is any size the buffer holds.
        const std::uint32_t written = static_cast<std::uint32_t>(offset - sizeof(LV2_Atom));
        const std::uint8_t size = eventCount > 0 ? in.byte() : 0;
        if (size < 192) {
            header->atom.size = written;
        } else if (size < 224 && lastBodyBytes > 0) {
            header->atom.size = static_cast<std::uint32_t>(lastBody + size % lastBodyBytes - sizeof(LV2_Atom));
        } else if (size < 240) {
            header->atom.size = written - std::min<std::uint32_t>(written, size % 16u);
        } else {
            header->atom.size = in.below(static_cast<std::uint32_t>(kLargestSequence - sizeof(LV2_Atom) + 1));
        }
    }

    void runOnce()
    {
        const std::uint8_t length = in.byte();
        // Mostly the blocks hosts run, up to 1024 frames; sometimes up to the longest.
        std::uint32_t frames = length < 128 ? length : in.word16() % (length < 240 ? 1025 : kLongestRun + 1);
        frames = std::min(frames, frameBudget);
        frameBudget -= frames;
        const std::uint8_t events = in.byte();
        if (events != 255) { // 255: the host leaves the last run's sequence in place
            writeSequence(events < 192 ? events % 9 : events % 160);
        }

        GuardedArea<float> leftBuffer(frames);
        GuardedArea<float> rightBuffer(frames);
        std::fill(leftBuffer.data(), leftBuffer.data() + frames, unwrittenSample());
        std::fill(rightBuffer.data(), rightBuffer.data() + frames, unwrittenSample());
        float* const leftPort = left == Wiring::None ? nullptr : leftBuffer.data();
        float* const rightPort =
            right == Wiring::None ? nullptr : (right == Wiring::Shared ? leftBuffer.data() : rightBuffer.data());
        descriptor->connect_port(instance, kLeftOutputPort, leftPort);
        descriptor->connect_port(instance, kRightOutputPort, rightPort);

        FUZZ_TRACE("run %u frames; sequence of %u bytes, unit %u; outputs %d %d", frames,
                   reinterpret_cast<const LV2_Atom*>(sequence.bytes())->size,
                   reinterpret_cast<const LV2_Atom_Sequence*>(sequence.bytes())->body.unit, static_cast<int>(left),
                   static_cast<int>(right));
        const std::vector<float> controlsSent(controls.data(), controls.data() + kNumParameters);
        const std::vector<std::uint8_t> sequenceSent(sequence.bytes(), sequence.bytes() + kLargestSequence);
        // The buffer past the atom's size holds nothing the plug-in may read.
        const std::size_t atomEnd = sizeof(LV2_Atom) + reinterpret_cast<const LV2_Atom*>(sequence.bytes())->size;
        unreadable(sequence.bytes() + atomEnd, kLargestSequence - atomEnd);
        descriptor->run(instance, frames);
        readable(sequence.bytes(), kLargestSequence);

        FUZZ_EXPECT(leftBuffer.guardsIntact() && rightBuffer.guardsIntact(), "a run of %u frames wrote beyond it",
                    frames);
        FUZZ_EXPECT(controls.guardsIntact() &&
                        std::memcmp(controlsSent.data(), controls.data(), kNumParameters * sizeof(float)) == 0,
                    "a run wrote into the control ports");
        FUZZ_EXPECT(sequence.guardsIntact() &&
                        std::memcmp(sequenceSent.data(), sequence.bytes(), kLargestSequence) == 0,
                    "a run wrote into the MIDI input");
        if (leftPort == nullptr || rightPort == nullptr) {
            return; // a host must connect both outputs; without them nothing need be written
        }
        for (std::uint32_t i = 0; i < frames; ++i) {
            const float l = leftPort[i];
            const float r = rightPort[i];
            FUZZ_EXPECT(std::isfinite(l) && std::isfinite(r), "sample %u of %u is %s", i, frames,
                        isUnwrittenSample(l) || isUnwrittenSample(r) ? "not written" : "not finite");
        }
    }

    const LV2_Descriptor* descriptor;
    LV2_Handle instance;
    FuzzInput& in;
    GuardedArea<float> controls;
    GuardedArea<std::uint8_t> sequence;
    Wiring left = Wiring::Own;
    Wiring right = Wiring::Own;
    std::uint32_t frameBudget = kFrameBudget;
    LV2_URID midiEvent = 0;
    LV2_URID sequenceType = 0;
    LV2_URID frameTime = 0;
    LV2_URID beatTime = 0;
};

// A rate any host could run at, which the plug-in must take.
bool usableRate(double rate)
{
    return rate >= 1.0 && rate <= 1e7;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput in(data, size);
    const LV2_Descriptor* descriptor = lv2_descriptor(0);
    FUZZ_EXPECT(descriptor != nullptr && lv2_descriptor(1) == nullptr, "the descriptors are not one plug-in");
    FUZZ_EXPECT(std::strcmp(descriptor->URI, "urn:korvantis:zephyrant") == 0, "the plug-in's URI is %s",
                descriptor->URI);

    const double rate = in.oddDouble();
    // The features: the URID map as hosts give it, a map that knows nothing, a map
    // without its function, or no features at all.
    const std::uint8_t features = in.byte();
    UridMap uridMap;
    uridMap.answersZero = features % 16 == 13;
    LV2_URID_Map map{&uridMap, features % 16 == 14 ? nullptr : &UridMap::map};
    const LV2_Feature mapFeature{LV2_URID__map, &map};
    const LV2_Feature otherFeature{"http://lv2plug.in/ns/ext/buf-size#boundedBlockLength", nullptr};
    const LV2_Feature* featureList[] = {&otherFeature, &mapFeature, nullptr};
    const LV2_Feature* const* given = features % 16 == 15 ? nullptr : featureList;
    const bool mapUsable = features % 16 < 13;

    LV2_Handle instance = descriptor->instantiate(descriptor, rate, "/nonexistent/zephyrant.lv2/", given);
    FUZZ_TRACE("instantiate at %.17g Hz, features %u: %s", rate, features % 16, instance ? "made" : "refused");
    if (instance == nullptr) {
        FUZZ_EXPECT(!mapUsable || !usableRate(rate), "the rate %.17g was refused", rate);
        return 0;
    }
    FUZZ_EXPECT(mapUsable, "an instance was made without a usable URID map");
    FUZZ_EXPECT(rate > 0.0 && std::isfinite(rate), "an instance was made at the rate %.17g", rate);
    Lv2Host(descriptor, instance, uridMap, in).run();
    return 0;
}
