// MIDI intake: a batch from the host sets the controller values at once and becomes
// a queue of note, note-off and pitch-bend entries that the render loop applies at
// their samples; the held-key flags change with the note entries, at their frames.
#include <cmath>

#include "instrument/SynthPlugin.h"

namespace {

constexpr std::int32_t kEndOfQueue = -1;
constexpr std::int32_t kBendCentre = 8192;
constexpr std::int32_t kBendDeadBandLow = 7592;
constexpr std::int32_t kBendDeadBandHigh = 8792;

// The wheel's full throw: four equal-tempered semitones.
const double kBendRange = std::pow(1.059463094359, 4.0);

// Frequency factor of a 14-bit pitch-bend value: linear in the value on each side
// of a dead band of 600 around the centre, nearly the full range at the ends.
float pitchBendFactor(std::int32_t value)
{
    if (value > kBendDeadBandHigh) {
        const float x = static_cast<float>(value * 0.0001220703125 - 1.0);
        return static_cast<float>(kBendRange * x + 1.0 - x);
    }
    if (value < kBendDeadBandLow) {
        const float x = static_cast<float>((kBendCentre - value) * 0.0001220703125);
        return static_cast<float>(1.0 / (kBendRange * x + 1.0 - x));
    }
    return 1.0f;
}

// The single-precision 1/127 that scales note velocities.
constexpr double kVelocityScale = 0.007874015718698502;
constexpr double kControllerScale = 0.0078125;

} // namespace

std::int32_t SynthPlugin::processEvents(VstEvents* events)
{
    // The old queue's entries that were never applied still change their keys' flags.
    settleHeldKeys(0);
    queuedEventCount = 0;
    std::int32_t lastKeyOn = 0;
    float lastVelocity = 0.0f;
    float lastPitchFactor = 0.0f;
    // Keys whose flags a dropped entry changed, and whether any entry was dropped.
    bool dropped = false;
    bool droppedKey[kNumKeys] = {};

    // Entries past the queue's capacity are dropped; their held-key changes apply
    // at once, and their controller values as always.
    auto append = [&](std::int32_t frame, std::int32_t key, float velocity, float pitchFactor, std::int32_t kind,
                      std::int32_t heldKey) {
        if (queuedEventCount < kQueueCapacity - 1) {
            queuedEvents[queuedEventCount++] = QueuedEvent{frame, key, velocity, pitchFactor, kind, heldKey};
        } else if (heldKey >= 0) {
            keyHeld[heldKey] = kind == kNoteOnEntry ? 1 : 0;
            droppedKey[heldKey] = true;
            dropped = true;
        }
    };

    const std::int32_t count = events ? events->numEvents : 0;
    VstEvent* const* list = events ? &events->events[0] : nullptr;
    for (std::int32_t n = 0; n < count; ++n) {
        const VstEvent* event = list[n];
        if (!event || event->type != kVstMidiType) {
            continue;
        }
        const auto* midi = reinterpret_cast<const VstMidiEvent*>(event);
        const std::int32_t status = static_cast<unsigned char>(midi->midiData[0]) & 0xF0;
        const std::int32_t data1 = static_cast<unsigned char>(midi->midiData[1]) & 0x7F;
        const std::int32_t data2 = static_cast<unsigned char>(midi->midiData[2]) & 0x7F;
        const std::int32_t frame = midi->deltaFrames;

        if (status == 0x90 && data2 != 0) {
            const float velocity = static_cast<float>(data2 * kVelocityScale);
            append(frame, data1, velocity, lastPitchFactor, kNoteOnEntry, data1);
            lastKeyOn = data1;
            lastVelocity = velocity;
        } else if (status == 0x80 || status == 0x90) {
            append(frame, lastKeyOn, 0.0f, lastPitchFactor, kNoteOffEntry, data1);
            lastVelocity = 0.0f;
        } else if (status == 0xB0) {
            if (data1 >= 120) {
                lastVelocity = 0.0f;
            } else if (data1 == 1) {
                modWheel = static_cast<float>(data2 * kControllerScale);
            } else if (data1 == 7) {
                channelVolume = static_cast<float>(data2 * kControllerScale);
            }
        } else if (status == 0xE0) {
            const float factor = pitchBendFactor(data2 * 128 + data1);
            lastPitchFactor = factor;
            append(frame, lastKeyOn, lastVelocity, factor, kPitchBendEntry, -1);
        }
    }
    queuedEvents[queuedEventCount].frame = kEndOfQueue;
    if (dropped) {
        // A dropped entry came after every queued one: its change of a key's flag,
        // made at once, must not be undone by a queued entry of that key later on.
        for (std::int32_t n = 0; n < queuedEventCount; ++n) {
            const std::int32_t key = queuedEvents[n].heldKey;
            if (key >= 0 && droppedKey[key]) {
                queuedEvents[n].heldKey = -1;
            }
        }
    }
    return 1;
}

void SynthPlugin::settleHeldKeys(std::int32_t first)
{
    for (std::int32_t n = first; n < queuedEventCount; ++n) {
        QueuedEvent& entry = queuedEvents[n];
        if (entry.heldKey >= 0) {
            keyHeld[entry.heldKey & 0x7F] = entry.kind == kNoteOnEntry ? 1 : 0;
            entry.heldKey = -1;
        }
    }
}

void SynthPlugin::applyQueuedEvents(std::int32_t frame, std::int32_t& cursor)
{
    while (cursor < kQueueCapacity && queuedEvents[cursor].frame == frame) {
        QueuedEvent& entry = queuedEvents[cursor];
        // The entry's own key changes its held flag first, at the entry's frame.
        if (entry.heldKey >= 0) {
            keyHeld[entry.heldKey & 0x7F] = entry.kind == kNoteOnEntry ? 1 : 0;
            entry.heldKey = -1;
        }
        if (entry.velocity > 0.0f) {
            if (entry.kind == kNoteOnEntry && !noteActive) {
                // A note begun with the gate closed is plucked afresh, even when a
                // release closed the gate at this very frame.
                pickCounter = 0;
                attackCount = 0.0f;
                decayCount = 0.0f;
                attackStart = envelope;
                sustainReached = false;
            }
            noteActive = true;
            noteVelocity = entry.velocity;
            noteFrequency = noteFrequencyTable[entry.key & 0x7F];
        } else if (legato() != 0) {
            // Fall back to the lowest key still held; none held ends the note.
            std::int32_t lowest = 0;
            while (lowest < kNumKeys && keyHeld[lowest] != 1) {
                ++lowest;
            }
            if (lowest < kNumKeys) {
                noteFrequency = noteFrequencyTable[lowest];
                noteActive = true;
            } else {
                noteActive = false;
            }
        } else {
            noteActive = false;
        }
        if (entry.pitchFactor > 0.0f) {
            noteFrequency = static_cast<float>(static_cast<double>(noteFrequency) * entry.pitchFactor);
        }
        entry.frame = kEndOfQueue;
        entry.key = -1;
        ++cursor;
    }
}
