// The MIDI of one run: the host's atom sequence read into the engine's batch.
#pragma once

#include <cstdint>

#include <lv2/atom/atom.h>
#include <lv2/urid/urid.h>

class SynthEngine;

struct MidiInputUrids {
    LV2_URID sequence = 0;
    LV2_URID frameTime = 0;
    LV2_URID midiEvent = 0;
};

// Maps the URIs the input needs; false when the host's map answers 0 for one.
bool mapMidiInputUrids(const LV2_URID_Map& map, MidiInputUrids& urids);

// Starts the engine's batch for the coming run and adds every MIDI message of one
// to three bytes at its frame, in sequence order. A null sequence, one stamped in
// beats, sysex and other longer messages, and events that are not MIDI add
// nothing; an event whose size runs past the sequence ends the reading.
void deliverMidi(const LV2_Atom_Sequence* sequence, const MidiInputUrids& urids, SynthEngine& engine);
