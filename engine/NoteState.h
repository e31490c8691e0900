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
    // The pitch wheel is a position: the factor of the last wheel entry applied
    // bends whatever key sounds, now and later.
    float bendFactor = 1.0f;
    std::int32_t soundingKey = -1; // the key whose table frequency the voice plays; -1 before the first note
    std::int32_t keyHeld[kNumKeys] = {}; // 1 while the key is held
};
