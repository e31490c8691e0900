// Places the channel messages of a MIDI file on the samples at which a host
// hands them to the instrument, keeping only the channels chosen to play.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/hostkit/MidiFile.h"
#include "tools/hostkit/OfflineHost.h"

// A set of MIDI channels, bit n for channel n (0 to 15, shown to users as 1 to 16).
using MidiChannels = std::uint16_t;
constexpr MidiChannels kAllMidiChannels = 0xFFFF;

// The channels on which the file starts at least one note (a note-on with a velocity).
MidiChannels channelsWithNotes(const MidiFile& file);

// The file's messages on the chosen channels with their frames at sampleRate, in
// file order; endFrame receives the frame of the piece's end.
std::vector<TimedMidiEvent> eventsOfFile(const MidiFile& file, std::int32_t sampleRate, std::int64_t& endFrame,
                                         MidiChannels channels = kAllMidiChannels);
