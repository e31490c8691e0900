// MIDI intake: the messages of a batch set the controller values at once and
// become a queue of note, note-off and pitch-wheel entries that the render loop
// applies at their samples; the held-key flags change with the note entries, at
// their frames, and the wheel's position with its entries. The queue holds
// kQueueCapacity entries, one of them the end marker.
#pragma once

#include <cstdint>

#include "engine/NoteState.h"
#include "engine/ParameterSlot.h"
#include "engine/QueuedEvent.h"

class EventQueue {
public:
    EventQueue();

    // Starts a batch: the entries still queued are dropped, their held-key changes
    // take effect first.
    void beginBatch(NoteState& note);
    // One message (status and two data bytes) at a sample offset of the coming block.
    // Entries beyond the queue's capacity are dropped; their held-key changes apply
    // at once, their controller values as always.
    void addMessage(std::int32_t frame, std::uint8_t status, std::uint8_t data1, std::uint8_t data2, NoteState& note);
    // Empties the queue, its entries' held-key changes taking effect.
    void clear(NoteState& note);

    // Applies the entries due at sample index frame, from the cursor on, which it
    // advances. legato is read as each release is applied. Answers true when a note
    // began with the gate closed: the voice then plucks afresh.
    bool applyQueuedEvents(std::int32_t frame, std::int32_t& cursor, const ParameterSlot& legato, NoteState& note)
    {
        if (cursor >= kQueueCapacity || queuedEvents[cursor].frame != frame) {
            return false;
        }
        return applyDueEvents(frame, cursor, legato, note);
    }

    // Gives the held-key flags of the entries from index first on that have not
    // taken effect yet their changes, in queue order.
    void settleHeldKeys(std::int32_t first, NoteState& note);

    // Read-only views, for checks from outside.
    std::int32_t getQueuedEventCount() const { return queuedEventCount; }
    const QueuedEvent& getQueuedEvent(std::int32_t n) const { return queuedEvents[n]; }

private:
    bool applyDueEvents(std::int32_t frame, std::int32_t& cursor, const ParameterSlot& legato, NoteState& note);
    void append(const QueuedEvent& entry, NoteState& note);

    QueuedEvent queuedEvents[kQueueCapacity] = {};
    std::int32_t queuedEventCount = 0;
    // Keys whose flags a dropped entry of this batch changed.
    bool droppedKey[kNumKeys] = {};
};
