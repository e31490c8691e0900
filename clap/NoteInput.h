// The note input of one instance: CLAP note events and MIDI 1.0 events become the
// engine's MIDI messages. It keeps which keys it has pressed, so that a note-off
// for every key (key -1) releases each of them, and holds back the messages that
// arrive while a choke fades the voice out, to play them on the silenced voice.
#pragma once

#include <cstdint>

#include "clap/ClapInterface.h"

// One MIDI 1.0 channel message.
struct MidiMessage {
    std::uint8_t status;
    std::uint8_t data1;
    std::uint8_t data2;
};

class NoteInput {
public:
    static constexpr std::uint32_t kMostMessagesPerEvent = 128;
    static constexpr std::uint32_t kHeldBackCapacity = 512;

    // The messages an event of the note input stands for, into messages (room for
    // kMostMessagesPerEvent): a note-on, a note-off (one per pressed key for key
    // -1), a MIDI 1.0 event as it is. Events for another port, with keys or
    // channels out of range, and every other kind of event give none. The keys
    // pressed follow the messages.
    std::uint32_t translate(const clap_event_header& event, MidiMessage* messages);

    // True for a choke of this input's notes: it silences the instrument's one
    // voice whatever key it names, and the keys count as released.
    bool takeChoke(const clap_event_header& event);

    // Messages kept for the end of a choke's fade; beyond the capacity they are dropped.
    void holdBack(const MidiMessage& message);
    std::uint32_t heldBackCount() const { return heldBack; }
    const MidiMessage* heldBackMessages() const { return held; }
    void clearHeldBack() { heldBack = 0; }

    // Forgets the pressed keys and the held-back messages, as after a reset.
    void clear();

private:
    void notePressed(std::uint8_t key, bool pressed) { keyPressed[key & 0x7F] = pressed; }

    bool keyPressed[128] = {};
    MidiMessage held[kHeldBackCapacity] = {};
    std::uint32_t heldBack = 0;
};
