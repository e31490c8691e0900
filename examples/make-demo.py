#!/usr/bin/env python3
"""Writes demo.mid: a short piece in A minor that shows Zephyrant with its default
program (Legato on). Eight sections of two bars each:

  1. single plucked notes
  2. legato runs: overlapping notes change pitch without a new pluck
  3. the lowest held key: a held low key sounds again whenever a note played over
     it is released, like hammer-ons and pull-offs on a guitar
  4. pitch bends: whole-tone bends up and back, a half-tone bend, a dive down
  5. the modulation wheel (controller 1) lowers the sustain level: the same
     figure, played four times, gets shorter and softer
  6. channel volume (controller 7) swells a phrase at one velocity
  7. the closing phrase slows down (tempo changes mid-file)
  8. plucks that fade out with controller 7, and a last note

The instrument sounds about an octave below the played key, so the keys lie
between 64 and 84. Usage: python3 make-demo.py [OUTPUT.mid] (default: demo.mid
beside this script). Python 3 standard library only.
"""

from midifile import Piece, meta, midi_file, tempo, write_file

def compose():
    piece = Piece()
    piece.controller(0, 7, 100)
    piece.controller(0, 1, 127)
    piece.bend(0, 0)

    # 1. Single notes (beats 0-8).
    for beat, key, velocity in [(0, 69, 96), (1, 72, 84), (2, 76, 90), (3, 81, 110),
                                (4, 79, 92), (5, 76, 80), (6, 74, 84), (7, 76, 100)]:
        piece.note(beat, 0.8, key, velocity)

    # 2. Legato runs (beats 8-16): slurred groups of four; within a group each note
    # overlaps the next, so only the group's first note is plucked.
    groups = [[69, 71, 72, 74], [76, 74, 72, 71], [72, 74, 76, 77], [79, 77, 76, 74],
              [76, 77, 79, 81], [79, 77, 76, 74]]
    for number, group in enumerate(groups):
        start = 8 + number
        for index, key in enumerate(group):
            length = 0.3 if index < 3 else 0.2
            piece.note(start + index * 0.25, length, key, 92 if index == 0 else 70)
    piece.note(14, 0.9, 72, 90)
    piece.note(15, 0.9, 71, 96)

    # 3. Lowest held key (beats 16-24): a low key stays down while notes are played
    # over it; each release brings the held key back without a new pluck.
    for start, low, over in [(16, 69, [72, 76, 74]), (18, 64, [67, 69, 67]),
                             (20, 65, [69, 72, 69]), (22, 64, [68, 71, 68])]:
        piece.note(start, 1.9, low, 100)
        for index, key in enumerate(over):
            piece.note(start + 0.5 * (index + 1), 0.25, key, 80)

    # 4. Pitch bends (beats 24-32), sent only while a key is held.
    piece.note(24, 1.9, 76, 105)
    piece.bend_ramp(24.25, 24.5, 0, 2, 12)
    piece.bend_ramp(25, 25.25, 2, 0, 12)
    piece.note(26, 1.9, 74, 100)
    piece.bend_ramp(26.25, 26.5, 0, 2, 12)
    piece.bend_ramp(27, 27.25, 2, 0, 12)
    piece.note(28, 1.4, 76, 100)
    piece.bend_ramp(28.5, 28.6, 0, 1, 6)
    piece.bend_ramp(28.9, 29, 1, 0, 6)
    piece.note(29.5, 2.0, 69, 110)
    piece.bend_ramp(30, 31.3, 0, -3, 40)
    piece.bend(31.5, 0)

    # 5. Modulation wheel (beats 32-40): one figure four times while the wheel
    # lowers the sustain level; the notes get shorter and softer. Then it comes back.
    for start in (32, 34, 36, 38):
        piece.note(start, 0.9, 69, 100)
        piece.note(start + 1, 0.45, 76, 100)
        piece.note(start + 1.5, 0.45, 72, 100)
    piece.controller_ramp(32, 38, 1, 127, 12, 48)
    piece.controller_ramp(39.5, 40, 1, 12, 127, 8)

    # 6. Channel volume (beats 40-44): the same velocity throughout, swelling from
    # soft to loud with controller 7.
    piece.controller(40, 7, 30)
    for index, key in enumerate([64, 67, 69, 72, 76, 72]):
        piece.note(40 + 0.5 * index, 0.45, key, 96)
    piece.note(43, 0.9, 76, 96)
    piece.controller_ramp(40, 43, 7, 30, 115, 48)

    # 7. Closing phrase (beats 44-48), slowing down (see the tempo track).
    for beat, key in [(44, 76), (45, 74), (46, 72), (47, 71)]:
        piece.note(beat, 0.9, key, 95)

    # 8. Plucks that fade out with controller 7 (beats 48-52), then the last note.
    for index, key in enumerate([69, 76, 81, 76, 69, 76]):
        piece.note(48 + 0.5 * index, 0.45, key, 100)
    piece.controller_ramp(48, 51, 7, 115, 40, 36)
    piece.note(51, 1.5, 69, 100)
    return piece


def build():
    piece = compose()
    tick = Piece.tick
    tempo_track = [
        (0, meta(0x03, b"Zephyrant demo")),
        (0, meta(0x58, bytes([4, 2, 24, 8]))),
        (0, meta(0x51, tempo(100))),
        (tick(44), meta(0x51, tempo(92))),
        (tick(46), meta(0x51, tempo(84))),
        (tick(48), meta(0x51, tempo(76))),
    ]
    notes = [(0, meta(0x03, b"Plucked string"))] + [(t, data) for t, _, data in piece.sorted_events()]
    return midi_file([tempo_track, notes])


def main():
    write_file(build(), "demo.mid", __file__)


if __name__ == "__main__":
    main()
