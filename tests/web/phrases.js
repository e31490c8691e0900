// The phrases the browser renders offline and the native renderer renders in
// blocks of 128 frames, for the sample-for-sample comparison.

const noteOn = (frame, key, velocity) => ({ frame, data: [0x90, key, velocity] });
const noteOff = (frame, key) => ({ frame, data: [0x80, key, 0] });
const bend = (frame, low, high) => ({ frame, data: [0xE0, low, high] });
const controller = (frame, number, value) => ({ frame, data: [0xB0, number, value] });
const value = (frame, parameter, to) => ({ frame, parameter, value: to });

// Silence, a note, a legato takeover, bends both ways and back, the modulation
// wheel down and up, a fall-back to the held key, channel volume, a release with a
// new note during it, a key too low for the string, a program change, a very high
// note with the wheel at full throw, a note of velocity 1, messages at the first
// and the last frame and one beyond the end.
const playing = [
    controller(0, 7, 120), noteOn(1000, 60, 100), noteOn(9000, 64, 80), bend(15000, 0x20, 0x5D),
    bend(20000, 0x10, 0x0F), bend(24000, 0x00, 0x40), controller(30000, 1, 40), controller(40000, 1, 127),
    noteOff(45000, 64), controller(50000, 7, 90), noteOff(70000, 60), noteOn(80000, 28, 127),
    noteOn(85000, 0, 70), controller(85000, 1, 90), noteOff(100000, 0), noteOff(105000, 28),
    { frame: 110000, data: [0xC0, 5] }, noteOn(130000, 127, 30), bend(130077, 0x7F, 0x7F),
    noteOff(135000, 127), noteOn(140000, 45, 1), noteOff(140511, 45), noteOn(150000, 52, 127),
    noteOn(176399, 57, 110), noteOff(176400, 52),
];

// Values changed while notes play: at block starts and inside blocks (both take
// effect at the start of the block that holds the frame), some on the frame of a
// MIDI message; envelope times during a note, the tone stages, Legato off and on
// around overlapping notes, PowerChord, and Volume to silence and back.
const changing = [
    noteOn(0, 57, 110), value(12800, 'Volume', 0.6), value(25637, 'Distorter', 0.7),
    value(38400, 'DynaTone', 0.5), value(38400, 'ToneRama', 0.9), noteOn(38400, 60, 90),
    value(51200, 'Chorus', 0.6), value(64000, 'PowerChord', 1), value(70000, 'Decay', 0.9),
    value(76800, 'Legato', 0), noteOn(80000, 64, 100), noteOff(84000, 64), value(89600, 'Overdrive', 0.5),
    value(90000, 'Attack', 0.5), noteOn(90100, 48, 127), value(102400, 'Volume', 0), value(115200, 'Volume', 0.3),
    value(116000, 'Legato', 1), value(116000, 'PowerChord', 0), noteOn(117000, 50, 100), noteOn(120000, 55, 100),
    noteOff(125000, 55), value(128000, 'Release', 0.9), noteOff(128000, 50), value(140000, 'Sustain', 0.2),
    noteOn(141000, 40, 90),
];

// A bright pluck and a chord lead: a few notes, a bend and a release.
const tune = [
    noteOn(2000, 45, 100), noteOff(20000, 45), noteOn(20000, 52, 110), bend(30000, 0x00, 0x60),
    bend(40000, 0x00, 0x40), noteOn(45000, 57, 90), noteOff(60000, 57), noteOff(60000, 52), noteOn(70000, 64, 127),
    controller(80000, 1, 60), noteOff(100000, 64),
];

export const identityPhrases = [
    { name: 'notes, legato, bends and controllers 1 and 7 at 44.1 kHz', sampleRate: 44100, frames: 176400, events: playing },
    { name: 'notes, legato, bends and controllers 1 and 7 at 48 kHz', sampleRate: 48000, frames: 176400, events: playing },
    { name: 'values changed between blocks at 44.1 kHz', sampleRate: 44100, frames: 160000, events: changing,
        values: { Decay: 0.7, Sustain: 0.9 } },
    { name: 'values changed between blocks at 48 kHz', sampleRate: 48000, frames: 160000, events: changing },
    { name: 'the factory sound Power Chorus Lead at 48 kHz', sampleRate: 48000, frames: 120000, events: tune,
        sound: 'Power Chorus Lead' },
    { name: 'the factory sound Glass Comb with Volume raised at 44.1 kHz', sampleRate: 44100, frames: 110000,
        events: tune, sound: 'Glass Comb', values: { Volume: 0.5 } },
];

// Notes left to die away: where a tail reaches the subnormal range the native
// build flushes it to zero and WebAssembly keeps it. A high note held at full
// sustain gets there after about nine seconds; the others end in silence first
// (the last samples that are not zero come before seven seconds).
export const decayPhrases = [
    { name: 'a high note held at full sustain for 12 s at 44.1 kHz', sampleRate: 44100, frames: 44100 * 12,
        values: { Sustain: 1 }, events: [noteOn(0, 100, 127)] },
    { name: 'a high note held at full sustain for 12 s at 48 kHz', sampleRate: 48000, frames: 48000 * 12,
        values: { Sustain: 1 }, events: [noteOn(0, 100, 127)] },
    { name: 'a held note dying away with the wheel at 0 (12 s at 44.1 kHz)', sampleRate: 44100, frames: 44100 * 12,
        values: { Decay: 1, ADSRCurve: 0 }, events: [controller(0, 1, 0), noteOn(100, 45, 127)] },
    { name: 'a long release through the chorus, then silence (12 s at 48 kHz)', sampleRate: 48000, frames: 48000 * 12,
        sound: 'Harp Ring', events: [noteOn(100, 57, 127), noteOff(48000, 57)] },
    { name: 'the resonant filter and PowerChord released into silence (12 s at 44.1 kHz)', sampleRate: 44100,
        frames: 44100 * 12, sound: 'Hard Distortion', values: { PowerChord: 1, Release: 1 },
        events: [noteOn(100, 40, 127), noteOff(44100, 40)] },
];
