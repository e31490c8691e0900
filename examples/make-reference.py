#!/usr/bin/env python3
"""Writes reference.mid: the phrase every factory sound is designed and measured
on, so that their levels, tone and decay compare. At 120 beats a minute, on
channel 1, with the modulation wheel at full and the bend centred:

  1. single notes over four octaves: E keys 40 to 88, one a beat (beats 0-5)
  2. a legato run: eight overlapping notes up a scale (beats 6-8)
  3. repeated notes, short, with the velocity rising from 30 to 127 (beats 9-11)
  4. a held note bent up a whole tone and back (beats 12-14)
  5. one note left to ring for four seconds, released, and three seconds of its
     tail (from beat RING_START_BEAT); its decay is the one the figures measure

The instrument sounds an octave below the key. Usage: python3 make-reference.py
[OUTPUT.mid] (default: reference.mid beside this script). Python 3 standard
library only.
"""

from midifile import Piece, meta, midi_file, tempo, write_file

BEATS_PER_MINUTE = 120
RING_START_BEAT = 15
RING_HELD_BEATS = 8
RING_TAIL_BEATS = 6
END_BEAT = RING_START_BEAT + RING_HELD_BEATS + RING_TAIL_BEATS


def seconds(beat):
    return beat * 60.0 / BEATS_PER_MINUTE


def compose():
    piece = Piece()
    piece.controller(0, 1, 127)
    piece.bend(0, 0)

    # 1. Single notes over four octaves.
    for index, key in enumerate([40, 52, 64, 76, 88]):
        piece.note(index, 0.8, key, 100)

    # 2. A legato run: each note overlaps the next, so only the first is plucked.
    for index, key in enumerate([64, 66, 67, 69, 71, 72, 74, 76]):
        piece.note(6 + index * 0.25, 0.3 if index < 7 else 0.5, key, 96 if index == 0 else 80)

    # 3. Repeated notes, short and separate, getting louder.
    for index in range(8):
        piece.note(9 + index * 0.25, 0.12, 69, 30 + (97 * index) // 7)

    # 4. A bend up a whole tone and back on a held note.
    piece.note(12, 2.5, 64, 100)
    piece.bend_ramp(12.5, 12.75, 0, 2, 12)
    piece.bend_ramp(13.5, 13.75, 2, 0, 12)

    # 5. One note left to ring, then released.
    piece.note(RING_START_BEAT, RING_HELD_BEATS, 57, 110)
    return piece


def build():
    piece = compose()
    tempo_track = [
        (0, meta(0x03, b"Zephyrant reference phrase")),
        (0, meta(0x58, bytes([4, 2, 24, 8]))),
        (0, meta(0x51, tempo(BEATS_PER_MINUTE))),
    ]
    notes = [(0, meta(0x03, b"Plucked string"))] + [(t, data) for t, _, data in piece.sorted_events()]
    # The tail: the track ends three seconds after the ring note's release.
    notes.append((Piece.tick(END_BEAT), meta(0x01, b"end of the tail")))
    return midi_file([tempo_track, notes])


def main():
    write_file(build(), "reference.mid", __file__)


if __name__ == "__main__":
    main()
