#include "lv2/MidiInput.h"

#include <lv2/midi/midi.h>

#include <limits>

#include "engine/SynthEngine.h"

namespace {

// A frame stamp as the engine's sample offset. Stamps beyond the int32 range lie
// beyond any block either way, so they saturate and keep their side of zero.
std::int32_t frameOffset(std::int64_t frames)
{
    if (frames > std::numeric_limits<std::int32_t>::max()) {
        return std::numeric_limits<std::int32_t>::max();
    }
    if (frames < std::numeric_limits<std::int32_t>::min()) {
        return std::numeric_limits<std::int32_t>::min();
    }
    return static_cast<std::int32_t>(frames);
}

// Events are padded to 8 bytes; computed wide so that no size wraps.
std::uint64_t eventStride(std::uint32_t bodySize)
{
    return sizeof(LV2_Atom_Event) + ((static_cast<std::uint64_t>(bodySize) + 7u) & ~std::uint64_t{7});
}

} // namespace

bool mapMidiInputUrids(const LV2_URID_Map& map, MidiInputUrids& urids)
{
    urids.sequence = map.map(map.handle, LV2_ATOM__Sequence);
    urids.frameTime = map.map(map.handle, LV2_ATOM__frameTime);
    urids.midiEvent = map.map(map.handle, LV2_MIDI__MidiEvent);
    return urids.sequence != 0 && urids.frameTime != 0 && urids.midiEvent != 0;
}

void deliverMidi(const LV2_Atom_Sequence* sequence, const MidiInputUrids& urids, SynthEngine& engine)
{
    engine.beginMidiBatch();
    if (sequence == nullptr || sequence->atom.type != urids.sequence || sequence->atom.size < sizeof sequence->body) {
        return;
    }
    // Unit 0 means frames in run(); beat stamps give no frame to play at.
    if (sequence->body.unit != 0 && sequence->body.unit != urids.frameTime) {
        return;
    }
    // The atom's size counts the body: its unit and pad words, then the events.
    const auto* body = reinterpret_cast<const std::uint8_t*>(&sequence->body);
    const std::uint64_t size = sequence->atom.size;
    std::uint64_t offset = sizeof sequence->body;
    while (size - offset >= sizeof(LV2_Atom_Event)) {
        const auto* event = reinterpret_cast<const LV2_Atom_Event*>(body + offset);
        const std::uint32_t length = event->body.size;
        if (length > size - offset - sizeof(LV2_Atom_Event)) {
            return;
        }
        if (event->body.type == urids.midiEvent && length >= 1 && length <= 3) {
            const auto* bytes = reinterpret_cast<const std::uint8_t*>(event + 1);
            engine.addMidiMessage(frameOffset(event->time.frames), bytes[0], length > 1 ? bytes[1] : 0,
                                  length > 2 ? bytes[2] : 0);
        }
        const std::uint64_t stride = eventStride(length);
        if (stride > size - offset) {
            return;
        }
        offset += stride;
    }
}
