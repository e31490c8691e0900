// The phrase zephyrant-render plays when it is given no MIDI file: a rising
// arpeggio, a legato run down and a held note, at 120 beats per minute.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/hostkit/OfflineHost.h"

// The phrase's events at sampleRate; endFrame receives the frame of its last event.
std::vector<TimedMidiEvent> builtInPhrase(std::int32_t sampleRate, std::int64_t& endFrame);
