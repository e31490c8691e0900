// The one voice's note and the controllers that shape it: what the MIDI intake
// writes and the stages of the voice read.
#pragma once

#include <cstdint>

#include "engine/NoteFrequencyTable.h"

struct NoteState {
    float noteFrequency = 200.0f; // Hz of the sounding note
    bool noteActive = false;      // the gate
    float noteVelocity = 0.0f;    // of the last note-on, 0 until the first
    float channelVolume = 1.0f;   // controller 7 / 128
    float modWheel = 1.0f;        // controller 1 / 128
    std::int32_t keyHeld[kNumKeys] = {}; // 1 while the key is held
};
