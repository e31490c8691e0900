#include "clap/NoteInput.h"

#include <cmath>

namespace {

constexpr std::int16_t kWildcard = -1;

// The note input is port 0; -1 names every port.
bool forThisPort(std::int32_t port)
{
    return port == 0 || port == kWildcard;
}

// A note-on's velocity from 0 to 1 as MIDI's 1 to 127: v/127 gives v back, and a
// velocity of 0 (a note-on all the same) or NaN plays at 1.
std::uint8_t midiVelocity(double velocity)
{
    if (!(velocity > 0.0)) {
        return 1;
    }
    const double scaled = std::round(velocity * 127.0);
    return scaled >= 127.0 ? 127 : (scaled < 1.0 ? 1 : static_cast<std::uint8_t>(scaled));
}

// A note-off or choke names this port, a channel and a key, each of them possibly
// the wildcard -1.
bool addressesThisInput(const clap_event_note& note)
{
    return forThisPort(note.port_index) && note.channel >= kWildcard && note.channel <= 15 &&
           note.key >= kWildcard && note.key <= 127;
}

bool noteEventFits(const clap_event_header& event)
{
    return event.size >= sizeof(clap_event_note);
}

} // namespace

std::uint32_t NoteInput::translate(const clap_event_header& event, MidiMessage* messages)
{
    if (event.space_id != CLAP_CORE_EVENT_SPACE_ID) {
        return 0;
    }
    if (event.type == CLAP_EVENT_NOTE_ON && noteEventFits(event)) {
        const auto& note = reinterpret_cast<const clap_event_note&>(event);
        // A note-on names its port, channel and key: no wildcards.
        if (note.port_index != 0 || note.channel < 0 || note.channel > 15 || note.key < 0 || note.key > 127) {
            return 0;
        }
        messages[0] = {static_cast<std::uint8_t>(0x90 | note.channel), static_cast<std::uint8_t>(note.key),
                       midiVelocity(note.velocity)};
        notePressed(messages[0].data1, true);
        return 1;
    }
    if (event.type == CLAP_EVENT_NOTE_OFF && noteEventFits(event)) {
        const auto& note = reinterpret_cast<const clap_event_note&>(event);
        if (!addressesThisInput(note)) {
            return 0;
        }
        // Every channel plays the one voice; a wildcard channel releases on channel 0.
        const auto status = static_cast<std::uint8_t>(0x80 | (note.channel < 0 ? 0 : note.channel));
        if (note.key >= 0) {
            messages[0] = {status, static_cast<std::uint8_t>(note.key), 0};
            notePressed(messages[0].data1, false);
            return 1;
        }
        std::uint32_t count = 0;
        for (std::uint8_t key = 0; key < 128; ++key) {
            if (keyPressed[key]) {
                messages[count++] = {status, key, 0};
                notePressed(key, false);
            }
        }
        return count;
    }
    if (event.type == CLAP_EVENT_MIDI && event.size >= sizeof(clap_event_midi)) {
        const auto& midi = reinterpret_cast<const clap_event_midi&>(event);
        if (midi.port_index != 0) {
            return 0;
        }
        messages[0] = {midi.data[0], midi.data[1], midi.data[2]};
        const std::uint8_t kind = midi.data[0] & 0xF0;
        if (kind == 0x90 || kind == 0x80) {
            notePressed(midi.data[1], kind == 0x90 && (midi.data[2] & 0x7F) != 0);
        }
        return 1;
    }
    return 0;
}

bool NoteInput::takeChoke(const clap_event_header& event)
{
    if (event.space_id != CLAP_CORE_EVENT_SPACE_ID || event.type != CLAP_EVENT_NOTE_CHOKE || !noteEventFits(event)) {
        return false;
    }
    const auto& note = reinterpret_cast<const clap_event_note&>(event);
    if (!addressesThisInput(note)) {
        return false;
    }
    for (bool& pressed : keyPressed) {
        pressed = false;
    }
    return true;
}

void NoteInput::holdBack(const MidiMessage& message)
{
    if (heldBack < kHeldBackCapacity) {
        held[heldBack++] = message;
    }
}

void NoteInput::clear()
{
    for (bool& pressed : keyPressed) {
        pressed = false;
    }
    heldBack = 0;
}
