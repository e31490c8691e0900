// Places the channel messages of a MIDI file on the samples at which a host
// hands them to the instrument.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/support/MidiFile.h"
#include "tools/support/OfflineHost.h"

// The file's messages with their frames at sampleRate, in file order; endFrame
// receives the frame of the piece's end.
std::vector<TimedMidiEvent> eventsOfFile(const MidiFile& file, std::int32_t sampleRate, std::int64_t& endFrame);
