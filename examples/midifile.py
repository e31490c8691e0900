"""Writes Standard MIDI Files for Zephyrant's example pieces: a piece of notes,
controllers and pitch bends placed on beats, and the chunks of a format-1 file.
Python 3 standard library only.
"""

import os
import struct
import sys

TICKS_PER_BEAT = 480
CHANNEL = 0

# The instrument bends four semitones at the wheel's ends, linearly in the wheel
# position on each side of the centre; these give the wheel value for an interval.
BEND_RANGE_RATIO = 1.059463094359 ** 4
BEND_CENTRE = 8192

# Order of events that share a tick: releases first, so that a new note at the
# same moment is plucked afresh; bends before the notes they should not bend.
NOTE_OFF, CONTROLLER, BEND, NOTE_ON = range(4)


class Piece:
    def __init__(self):
        self.events = []  # (tick, order, bytes)

    @staticmethod
    def tick(beat):
        return int(round(beat * TICKS_PER_BEAT))

    def note(self, beat, length, key, velocity):
        self.events.append((self.tick(beat), NOTE_ON, bytes([0x90 | CHANNEL, key, velocity])))
        # Note-off as a note-on with velocity 0, which running status keeps compact.
        self.events.append((self.tick(beat + length), NOTE_OFF, bytes([0x90 | CHANNEL, key, 0])))

    def controller(self, beat, number, value):
        self.events.append((self.tick(beat), CONTROLLER, bytes([0xB0 | CHANNEL, number, value])))

    def controller_ramp(self, start, end, number, first, last, steps):
        for step in range(steps + 1):
            fraction = step / steps
            self.controller(start + (end - start) * fraction, number, round(first + (last - first) * fraction))

    def bend(self, beat, semitones):
        value = bend_value(semitones)
        self.events.append((self.tick(beat), BEND, bytes([0xE0 | CHANNEL, value & 0x7F, value >> 7])))

    def bend_ramp(self, start, end, first, last, steps):
        for step in range(steps + 1):
            fraction = step / steps
            self.bend(start + (end - start) * fraction, first + (last - first) * fraction)

    def sorted_events(self):
        return sorted(self.events, key=lambda event: (event[0], event[1]))


def bend_value(semitones):
    """The 14-bit wheel value that bends the instrument by this many semitones."""
    if semitones == 0:
        return BEND_CENTRE
    ratio = 2.0 ** (abs(semitones) / 12.0)
    share = (ratio - 1.0) / (BEND_RANGE_RATIO - 1.0)
    value = BEND_CENTRE + share * BEND_CENTRE if semitones > 0 else BEND_CENTRE - share * BEND_CENTRE
    return max(0, min(16383, int(round(value))))


def variable_length(value):
    data = [value & 0x7F]
    value >>= 7
    while value:
        data.insert(0, 0x80 | (value & 0x7F))
        value >>= 7
    return bytes(data)


def meta(kind, payload):
    return bytes([0xFF, kind]) + variable_length(len(payload)) + payload


def tempo(beats_per_minute):
    return struct.pack(">I", int(round(60000000 / beats_per_minute)))[1:]


def track_chunk(timed):
    """An MTrk chunk from (tick, bytes) pairs in time order, with running status."""
    body = bytearray()
    previous_tick = 0
    running_status = None
    for tick, data in timed:
        body += variable_length(tick - previous_tick)
        previous_tick = tick
        if data[0] < 0xF0 and data[0] == running_status:
            body += data[1:]
        else:
            body += data
            running_status = data[0] if data[0] < 0xF0 else None
    body += b"\x00" + meta(0x2F, b"")
    return b"MTrk" + struct.pack(">I", len(body)) + bytes(body)


def midi_file(tracks):
    """A format-1 file image from tracks given as lists of (tick, bytes) in time order."""
    header = b"MThd" + struct.pack(">IHHH", 6, 1, len(tracks), TICKS_PER_BEAT)
    return header + b"".join(track_chunk(track) for track in tracks)


def write_file(image, default_name, script):
    """Writes the file image to the path the command line gives, or else to
    default_name beside the script."""
    here = os.path.dirname(os.path.abspath(script))
    output = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, default_name)
    with open(output, "wb") as file:
        file.write(image)
