#!/usr/bin/env python3
"""Writes the hand-made seed files of the fuzz targets into tests/fuzz/corpus/:
small MIDI files of the shapes real files have, a version 2 bank, and host
sessions for the VST 2.x, LV2 and CLAP targets in the encoding their programs
decode (tests/fuzz/FuzzSupport.h, Vst2Fuzz.cpp, Lv2Fuzz.cpp, ClapFuzz.cpp). The example pieces and
the factory program and bank files are kept there as they are.
Python 3 standard library only.
"""

import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "examples"))
import midifile  # noqa: E402

CORPUS = os.path.join(HERE, "corpus")

# FuzzInput: a choice byte below a table's length picks from the table, a byte
# from there to 159 picks a small number, one from 160 on reads raw bits.
ODD_INT_TABLE = 29
ODD_FLOAT_TABLE = 30
FLOAT_44100, FLOAT_48000, FLOAT_96000 = 23, 24, 25


def small_int(value):
    assert 0 <= value < 160 - ODD_INT_TABLE
    return bytes([ODD_INT_TABLE + value])


def small_float(value):
    """A value from 0 to 1.29 in steps of 0.01."""
    step = int(round(value * 100))
    assert 0 <= step < 160 - ODD_FLOAT_TABLE
    return bytes([ODD_FLOAT_TABLE + step])


def raw_float(value):
    return bytes([255]) + struct.pack("<f", value)


def write(target, name, image):
    folder = os.path.join(CORPUS, target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as file:
        file.write(image)


# MIDI files.
def midi_seeds():
    note = lambda tick, key, velocity: (tick, bytes([0x90, key, velocity]))
    tempo = lambda tick, bpm: (tick, midifile.meta(0x51, midifile.tempo(bpm)))
    conductor = [(0, midifile.meta(0x03, b"Conductor")), tempo(0, 100), tempo(960, 140), tempo(1920, 60)]
    melody = [note(0, 60, 90), (240, bytes([0xB0, 1, 64])), note(480, 60, 0), note(480, 64, 100),
              (600, bytes([0xE0, 0x00, 0x50])), (700, bytes([0xC0, 5])), (720, bytes([0xD0, 30])),
              note(960, 64, 0), (1000, bytes([0xF0, 3, 0x7E, 0x09, 0xF7])), note(1920, 67, 127),
              (2400, bytes([0x81, 67, 0]))]
    bass = [(0, bytes([0x92, 40, 70])), (1440, bytes([0x82, 40, 0])), (1440, bytes([0xB2, 7, 100]))]
    write("midi-file", "format1-tempo-map.mid", midifile.midi_file([conductor, melody, bass]))

    # Format 0 at 25 frames a second, 40 ticks a frame, with a chunk of another kind before the track.
    body = midifile.track_chunk([note(0, 69, 100), note(1000, 69, 0), (1000, bytes([0xE0, 0x7F, 0x7F]))])
    header = b"MThd" + struct.pack(">IHHBB", 6, 0, 1, 0x100 - 25, 40)
    write("midi-file", "time-code-division.mid", header + b"XFIH" + struct.pack(">I", 3) + b"abc" + body)


# A version 2 bank of two programs that selects the second one.
def bank_seeds():
    identity = b"zphr"

    def program(name, values):
        data = b"FxCk" + struct.pack(">i", 1) + identity + struct.pack(">ii", 1, len(values))
        data += name.encode().ljust(28, b"\0") + b"".join(struct.pack(">f", v) for v in values)
        return b"CcnK" + struct.pack(">I", len(data)) + data

    records = program("First", [0.5] * 19) + program("Second", [i / 19 for i in range(19)])
    data = b"FxBk" + struct.pack(">i", 2) + identity + struct.pack(">iii", 1, 2, 1) + bytes(124) + records
    write("program-file", "version2-bank.fxb", b"CcnK" + struct.pack(">I", len(data)) + data)


# VST 2.x host sessions: operations as Vst2Fuzz.cpp decodes them.
class Vst2Session:
    def __init__(self):
        self.data = bytearray()

    def request(self, opcode, index=0, value=0, opt=None, pointer=True, extra=b""):
        self.data += bytes([0, 1, opcode]) + small_int(index) + bytes([1]) + small_int(value)
        self.data += small_float(0) if opt is None else opt
        self.data += bytes([1 if pointer else 0]) + extra

    def set_parameter(self, index, value):
        self.data += bytes([1, 1, index]) + small_float(value)

    def events(self, timed):
        """timed: (frame below 192, three MIDI bytes)."""
        self.data += bytes([3, len(timed)])
        for frame, message in timed:
            self.data += bytes([2, frame]) + bytes(message) + b"\0"  # shape 2: a MIDI event of 32 bytes
        self.data += bytes([0])

    def render(self, frames, replacing=True):
        if frames < 128:
            self.data += bytes([4 if replacing else 5, frames, 0])
        else:
            self.data += bytes([4 if replacing else 5, 200 if frames <= 1024 else 230])
            self.data += struct.pack("<H", frames) + bytes([0])

    def sample_rate(self, float_choice):
        self.data += bytes([6]) + small_int(0) + float_choice

    def switch(self, on):
        self.data += bytes([8, 1 if on else 0])

    def program(self, number):
        self.data += bytes([9, 1, number])


def vst2_seeds():
    phrase = Vst2Session()
    phrase.sample_rate(bytes([FLOAT_48000]))
    phrase.switch(True)
    phrase.set_parameter(14, 0.5)
    phrase.events([(0, (0x90, 60, 100)), (50, (0xB0, 1, 90)), (100, (0xE0, 0, 0x50))])
    phrase.render(4096)
    phrase.events([(10, (0x90, 64, 80)), (20, (0x80, 60, 0))])
    phrase.render(100)
    phrase.render(0)
    phrase.render(1, replacing=False)
    phrase.events([(0, (0x80, 64, 64))])
    phrase.render(2000)
    phrase.switch(False)
    write("vst2", "play-a-phrase", bytes(phrase.data))

    questions = Vst2Session()
    for opcode in (5, 6, 7, 8, 29, 45, 47, 48):
        questions.request(opcode, index=3)
    # Records the host fills with the index it asks about: pins, MIDI program names, categories, key names.
    for opcode, size in ((33, 128), (34, 128), (62, 80), (63, 80), (64, 76), (66, 80)):
        questions.request(opcode, index=0, extra=bytes(size) + small_int(1))
    # Texts the host sends: their length, then their characters.
    questions.request(4, extra=bytes([15]) + b"Renamed program")
    questions.request(51, extra=bytes([19]) + b"receiveVstMidiEvent")
    questions.program(7)
    write("vst2", "ask-names-and-texts", bytes(questions.data))

    rates = Vst2Session()
    rates.switch(True)
    rates.set_parameter(18, 1.0)
    for choice in (bytes([FLOAT_96000]), raw_float(8000.0), raw_float(192000.0), raw_float(22050.5)):
        rates.sample_rate(choice)
        rates.events([(0, (0x90, 45, 127))])
        rates.render(600)
    write("vst2", "rates-and-power-chord", bytes(rates.data))


# LV2 host sessions: operations as Lv2Fuzz.cpp decodes them.
class Lv2Session:
    def __init__(self, rate_choice):
        # The rate, the usable URID map, then activate.
        self.data = bytearray(rate_choice) + bytes([0, 1])

    def control(self, index, value):
        self.data += bytes([1, index]) + small_float(value)

    def run(self, frames, timed=()):
        """timed: (stamp in steps of 41 frames, MIDI bytes)."""
        self.data += bytes([4])
        if frames < 128:
            self.data += bytes([frames])
        else:
            self.data += bytes([200 if frames <= 1024 else 250]) + struct.pack("<H", frames)
        self.data += bytes([len(timed)])
        if timed:
            self.data += bytes([0])  # a sequence in frames
            for step, message in timed:
                self.data += bytes([step, 0, len(message) - 1]) + bytes(message)
            self.data += bytes([0])  # the atom's size counts every event

    def connect(self, port, none=False):
        self.data += bytes([0, port, 0 if none else 1])
        if port == 2 and not none:
            self.data += bytes([0])  # its own buffer, not the left one's

    def deactivate(self):
        self.data += bytes([3])


def lv2_seeds():
    phrase = Lv2Session(bytes([FLOAT_44100]))
    phrase.control(14, 0.4)
    phrase.run(100, [(0, (0x90, 60, 100)), (1, (0xB0, 1, 100))])
    phrase.run(4096, [(0, (0xE0, 0, 0x60)), (50, (0x90, 67, 90)), (60, (0x80, 60, 0))])
    phrase.run(0)
    phrase.run(8192, [(2, (0xC0, 3)), (3, (0x80, 67, 0))])
    phrase.deactivate()
    write("lv2", "play-a-phrase", bytes(phrase.data))

    odd = Lv2Session(bytes([FLOAT_96000]))
    odd.control(0, 1.0)
    odd.control(18, 1.0)
    odd.connect(2, none=True)
    odd.run(64, [(0, (0x90, 40, 127))])
    odd.connect(2)
    odd.run(1, [(0, (0x90, 41, 1))])
    odd.run(1000)
    write("lv2", "power-chord-and-a-missing-output", bytes(odd.data))


# CLAP host sessions: operations as ClapFuzz.cpp decodes them.
class ClapSession:
    LIMITS = [1, 2, 16, 64, 128, 256, 512, 1024, 4096, 8192]

    def __init__(self):
        # Host extensions offered, the plug-in's own id, an empty other id.
        self.data = bytearray([0, 0, 0])
        self.most = 0

    def activate(self, halves_of_44100, most):
        """Rate 44100 x halves / 2 (halves 1 to 4), at most `most` frames a block."""
        self.most = most
        self.data += bytes([0, 0, halves_of_44100 - 1, self.LIMITS.index(most), 1])

    def start(self):
        self.data += bytes([3])

    def below(self, count, value):
        return bytes([value]) if count <= 256 else struct.pack("<H", value)

    def process(self, frames, events):
        """events: (frame, encoded event) in time order."""
        self.data += bytes([4]) + self.below(self.most + 1, frames) + bytes([len(events)])
        time = 0
        for frame, event in events:
            if frame == time:
                self.data += bytes([1])
            else:
                self.data += bytes([0]) + self.below(frames + 1, frame - time)
                time = frame
            self.data += event
        self.data += bytes([0, 0])  # both channels, given

    @staticmethod
    def note(kind, key, velocity, channel=0):
        # kind, core space, no flags, no note id, port 0, the channel, the key, the velocity.
        return bytes([kind, 0, 0, 0, 0, 0, channel, 0, key, 0, velocity])

    @staticmethod
    def value(index, value_of_255):
        return bytes([5, 0, 0, 0, index, 0, 0, 0, value_of_255])

    @staticmethod
    def midi(message):
        return bytes([10, 0, 0, 0]) + bytes(message)

    def save_and_load(self):
        self.data += bytes([12, 7, 13, 3, 40])

    def load_changed_state(self, flips):
        self.data += bytes([13, 0, len(flips)])
        for byte, bit in flips:
            self.data += bytes([byte, bit])
        self.data += bytes([0, 20, 0])  # the whole record, in chunks of 21, not failing

    def preset(self, key):
        # Kind "plug-in", a location given (empty), the key.
        self.data += bytes([14, 0, 0, 0, len(key)]) + key.encode()

    def texts(self, index, text):
        """The text read back as the value of parameter index."""
        self.data += bytes([10, 0, index, 0, len(text)]) + text.encode()


def clap_seeds():
    play = ClapSession()
    play.activate(2, 512)
    play.start()
    play.process(512, [(0, ClapSession.note(0, 57, 200)), (100, ClapSession.value(9, 128)),
                       (200, ClapSession.midi((0x90, 64, 90))), (300, ClapSession.midi((0xE0, 0, 0x60)))])
    play.process(256, [(10, ClapSession.note(1, 57, 0)), (20, ClapSession.note(2, 64, 0)),
                       (40, ClapSession.value(18, 255))])
    play.process(300, [])
    play.save_and_load()
    play.preset("7")
    play.process(64, [(0, ClapSession.note(0, 40, 255))])
    write("clap", "play-a-phrase", bytes(play.data))

    states = ClapSession()
    states.load_changed_state([(20, 3)])
    states.load_changed_state([(4, 0)])
    states.texts(9, "-6.0 dB")
    states.texts(11, "OFF")
    states.preset("18")
    states.activate(4, 8192)
    states.start()
    states.process(1000, [(0, ClapSession.note(0, 28, 255)), (999, ClapSession.note(3, 28, 0))])
    write("clap", "states-texts-and-presets", bytes(states.data))


if __name__ == "__main__":
    midi_seeds()
    bank_seeds()
    vst2_seeds()
    lv2_seeds()
    clap_seeds()
