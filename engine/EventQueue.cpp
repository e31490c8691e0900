#include "engine/EventQueue.h"

#include <cmath>

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

// The held flag an entry gives its key.
std::int32_t heldFlag(const QueuedEvent& entry)
{
    return entry.kind == kNoteOnEntry ? 1 : 0;
}

// Gives the entry's key the held flag the entry sets, once: the change is then spent.
void settleHeldKey(QueuedEvent& entry, NoteState& note)
{
    if (entry.heldKey >= 0) {
        note.keyHeld[entry.heldKey & 0x7F] = heldFlag(entry);
        entry.heldKey = -1;
    }
}

// The voice plays the key's table frequency bent by the wheel's position; with the
// wheel at its centre (factor 1) exactly the table frequency.
void soundKey(std::int32_t key, NoteState& note)
{
    note.soundingKey = key;
    note.noteFrequency = static_cast<float>(static_cast<double>(noteFrequencyTable[key]) * note.bendFactor);
}

} // namespace

EventQueue::EventQueue()
{
    queuedEvents[0].frame = kEndOfQueue;
}

void EventQueue::beginBatch(NoteState& note)
{
    settleHeldKeys(0, note);
    queuedEventCount = 0;
    queuedEvents[0].frame = kEndOfQueue;
    for (bool& dropped : droppedKey) {
        dropped = false;
    }
}

void EventQueue::append(const QueuedEvent& entry, NoteState& note)
{
    if (queuedEventCount < kQueueCapacity - 1) {
        queuedEvents[queuedEventCount++] = entry;
        queuedEvents[queuedEventCount].frame = kEndOfQueue;
        return;
    }
    const std::int32_t key = entry.heldKey;
    if (key < 0) {
        return;
    }
    note.keyHeld[key] = heldFlag(entry);
    // A dropped entry comes after every queued one: its change of the key's flag,
    // made at once, must not be undone by a queued entry of that key later on.
    if (!droppedKey[key]) {
        droppedKey[key] = true;
        for (std::int32_t n = 0; n < queuedEventCount; ++n) {
            if (queuedEvents[n].heldKey == key) {
                queuedEvents[n].heldKey = -1;
            }
        }
    }
}

void EventQueue::addMessage(std::int32_t frame, std::uint8_t statusByte, std::uint8_t data1Byte,
                            std::uint8_t data2Byte, NoteState& note)
{
    const std::int32_t status = statusByte & 0xF0;
    const std::int32_t data1 = data1Byte & 0x7F;
    const std::int32_t data2 = data2Byte & 0x7F;

    if (status == 0x90 && data2 != 0) {
        const float velocity = static_cast<float>(data2 * kVelocityScale);
        append(QueuedEvent{frame, data1, velocity, 0.0f, kNoteOnEntry, data1}, note);
    } else if (status == 0x80 || status == 0x90) {
        append(QueuedEvent{frame, -1, 0.0f, 0.0f, kNoteOffEntry, data1}, note);
    } else if (status == 0xB0) {
        if (data1 == 121) {
            // Reset all controllers brings the wheel back to its centre at its frame.
            append(QueuedEvent{frame, -1, 0.0f, 1.0f, kPitchBendEntry, -1}, note);
        } else if (data1 == 1) {
            note.modWheel = static_cast<float>(data2 * kControllerScale);
        } else if (data1 == 7) {
            note.channelVolume = static_cast<float>(data2 * kControllerScale);
        }
    } else if (status == 0xE0) {
        append(QueuedEvent{frame, -1, 0.0f, pitchBendFactor(data2 * 128 + data1), kPitchBendEntry, -1}, note);
    }
}

void EventQueue::clear(NoteState& note)
{
    settleHeldKeys(0, note);
    queuedEvents[0].frame = kEndOfQueue;
}

void EventQueue::settleHeldKeys(std::int32_t first, NoteState& note)
{
    for (std::int32_t n = first; n < queuedEventCount; ++n) {
        settleHeldKey(queuedEvents[n], note);
    }
}

bool EventQueue::applyDueEvents(std::int32_t frame, std::int32_t& cursor, const ParameterSlot& legato,
                                NoteState& note)
{
    bool pluck = false;
    while (cursor < kQueueCapacity && queuedEvents[cursor].frame == frame) {
        QueuedEvent& entry = queuedEvents[cursor];
        // The entry's own key changes its held flag first, at the entry's frame.
        settleHeldKey(entry, note);
        if (entry.kind == kPitchBendEntry) {
            // The wheel moves: whatever key sounds (ringing or held) follows it; the
            // gate, the velocity and the keys stay as they are.
            note.bendFactor = entry.pitchFactor;
            if (note.soundingKey >= 0) {
                soundKey(note.soundingKey, note);
            }
        } else if (entry.kind == kNoteOnEntry) {
            // A note begun with the gate closed is plucked afresh, even when a
            // release closed the gate at this very frame.
            pluck = pluck || !note.noteActive;
            note.noteActive = true;
            note.noteVelocity = entry.velocity;
            soundKey(entry.key & 0x7F, note);
        } else if (legato.asInt() != 0) {
            // Fall back to the lowest key still held; none held ends the note, which
            // keeps ringing at its pitch.
            std::int32_t lowest = 0;
            while (lowest < kNumKeys && note.keyHeld[lowest] != 1) {
                ++lowest;
            }
            if (lowest < kNumKeys) {
                soundKey(lowest, note);
                note.noteActive = true;
            } else {
                note.noteActive = false;
            }
        } else {
            note.noteActive = false;
        }
        entry.frame = kEndOfQueue;
        entry.key = -1;
        ++cursor;
    }
    return pluck;
}
