// Zephyrant for web pages: the instrument in an AudioContext, and offline renders
// of events or a Standard MIDI File to two Float32Arrays. One engine per node runs
// in an AudioWorkletProcessor (zephyrant-processor.js) from zephyrant.wasm, which
// must sit beside this file. See the README's "In a web browser" for an example.
//
//   const zephyrant = await Zephyrant.load();
//   const instrument = await zephyrant.createInstrument(context, { sound: 'Harp Ring' });
//   instrument.connect(context.destination);
//   instrument.noteOn(57, 100);
//   const { left, right } = await zephyrant.renderOffline({ midiFile: bytes, sampleRate: 48000 });
import { Catalogue, instantiate } from './zephyrant-wasm.js';

// The longest render this module makes, in frames (20 minutes at 44100 Hz): the
// page's memory holds the whole render twice, the context's buffer and a WAV file.
export const LONGEST_RENDER_FRAMES = 20 * 60 * 44100;
// The largest MIDI file it reads, as the offline renderer reads them.
export const LARGEST_MIDI_FILE_BYTES = 64 * 1024 * 1024;
// The rates a render takes, in Hz, as the offline renderer takes them.
export const LOWEST_RATE = 8000;
export const HIGHEST_RATE = 768000;

// What this browser lacks for the instrument, in one sentence, or '' when it has everything.
export function missingFeatures() {
    const missing = [];
    if (typeof WebAssembly !== 'object') {
        missing.push('WebAssembly');
    }
    if (typeof AudioWorkletNode !== 'function' || typeof OfflineAudioContext !== 'function') {
        missing.push('AudioWorklet');
    }
    if (missing.length === 0) {
        return '';
    }
    return `This browser lacks ${missing.join(' and ')}, which Zephyrant needs to play. ` +
        'Use a current version of Chromium, Chrome, Edge, Firefox or Safari, and open the page over http://localhost or https.';
}

// A MIDI file that cannot be played: the message says why, in one line.
export class MidiFileError extends Error {
    constructor(message) {
        super(message);
        this.name = 'MidiFileError';
    }
}

// Throws the MidiFileError for a file of byteLength bytes, if it is too large to read.
export function checkMidiFileSize(byteLength) {
    if (byteLength > LARGEST_MIDI_FILE_BYTES) {
        throw new MidiFileError('larger than 64 MiB, too large for a MIDI file');
    }
}

export class Zephyrant {
    // Fetches and compiles zephyrant.wasm (beside this module unless base names
    // another folder, relative to the page) and reads the instrument's parameters
    // and factory sounds.
    static async load(base = new URL('./', import.meta.url)) {
        const missing = missingFeatures();
        if (missing !== '') {
            throw new Error(missing);
        }
        const url = new URL('zephyrant.wasm', new URL(base, document.baseURI));
        const response = await fetch(url);
        if (!response.ok) {
            throw new Error(`${url} could not be loaded (HTTP ${response.status})`);
        }
        const bytes = await response.arrayBuffer();
        const module = await WebAssembly.compile(bytes);
        return new Zephyrant(bytes, module);
    }

    // bytes: the module's file, which each processor compiles for itself; module: the
    // same compiled here, for the parameters, sounds, texts and MIDI files.
    constructor(bytes, module) {
        this.wasmBytes = bytes;
        this.catalogue = new Catalogue(instantiate(module));
        // [{index, name, label, defaultValue}] in index order.
        this.parameters = this.catalogue.parameters;
        // [{name, description, values}] in the order hosts list them.
        this.sounds = this.catalogue.sounds;
        this.contextsWithProcessor = new WeakMap();
    }

    // The index of a parameter given by name (any letter case) or by index (a number
    // or its decimal text, as object keys give it); throws for neither.
    parameterIndex(nameOrIndex) {
        const wanted = String(nameOrIndex).trim().toLowerCase();
        const index = /^\d{1,2}$/.test(wanted) ? Number(wanted) : -1;
        if (index >= 0 && index < this.parameters.length) {
            return index;
        }
        const found = this.parameters.find((parameter) => parameter.name.toLowerCase() === wanted);
        if (!found) {
            const names = this.parameters.map((parameter) => parameter.name).join(', ');
            throw new RangeError(`unknown parameter '${nameOrIndex}'; the parameters are: ${names}`);
        }
        return found.index;
    }

    // The factory sound of this name (any letter case); throws when there is none.
    sound(name) {
        const wanted = String(name).trim().toLowerCase();
        const found = this.sounds.find((sound) => sound.name.toLowerCase() === wanted);
        if (!found) {
            throw new RangeError(`no factory sound '${name}'; the sounds are: ${this.sounds.map((s) => s.name).join(', ')}`);
        }
        return found;
    }

    // The text a host shows for a value of a parameter (name or index), without its
    // label: "-6.02059" for Volume at 0.5, "" for parameters shown without a number.
    displayText(parameter, value) {
        return this.catalogue.displayText(this.parameterIndex(parameter), value);
    }

    // All 19 values: the basic program's, then the factory sound's (sound: a name),
    // then the given ones (values: an array in index order, or {name: value}).
    valuesOf({ sound, values } = {}) {
        const result = sound !== undefined ? [...this.sound(sound).values]
            : this.parameters.map((parameter) => parameter.defaultValue);
        if (Array.isArray(values) || ArrayBuffer.isView(values)) {
            values.forEach((value, index) => {
                result[this.parameterIndex(index)] = checkedValue(value);
            });
        } else if (values) {
            for (const [name, value] of Object.entries(values)) {
                result[this.parameterIndex(name)] = checkedValue(value);
            }
        }
        return result;
    }

    // The file's channel messages at their frames at sampleRate, as the offline
    // renderer places them: {events: [{frame, data}], endFrame, noteChannels (bit n
    // for channel n)}. Throws a MidiFileError saying why a file is refused.
    scheduleMidiFile(bytes, sampleRate) {
        const data = bytes instanceof ArrayBuffer ? new Uint8Array(bytes) : new Uint8Array(bytes.buffer, bytes.byteOffset, bytes.byteLength);
        checkMidiFileSize(data.byteLength);
        const schedule = this.catalogue.scheduleMidiFile(data, checkedRate(sampleRate));
        if (schedule.error) {
            throw new MidiFileError(schedule.error);
        }
        return schedule;
    }

    // Adds the processor to a context once.
    async addProcessor(context) {
        let added = this.contextsWithProcessor.get(context);
        if (!added) {
            added = context.audioWorklet.addModule(new URL('./zephyrant-processor.js', import.meta.url));
            this.contextsWithProcessor.set(context, added);
        }
        await added;
    }

    async makeNode(context, values, events = []) {
        await this.addProcessor(context);
        return new AudioWorkletNode(context, 'zephyrant', {
            numberOfInputs: 0,
            numberOfOutputs: 1,
            outputChannelCount: [2],
            processorOptions: { wasm: this.wasmBytes, values, events },
        });
    }

    // An instrument playing in context, with the basic program's values, a factory
    // sound (sound) and given values (values) as in valuesOf. Connect it like any node.
    async createInstrument(context, options = {}) {
        const values = this.valuesOf(options);
        return new ZephyrantInstrument(this, context, await this.makeNode(context, values), values);
    }

    // Renders offline and answers {left, right, sampleRate}: two Float32Arrays of
    // the same length. Either midiFile (bytes of a Standard MIDI File, played to its
    // end and tail seconds beyond, 2 by default) or events ([{frame, data: [status,
    // data1, data2]}] and [{frame, parameter: name or index, value}]) with frames,
    // the length. A value takes effect at the start of the 128-frame block that holds
    // its frame, a MIDI message at its frame. sound and values as in valuesOf;
    // onProgress(fraction) is told how far the render is.
    async renderOffline({ sampleRate = 44100, midiFile, events, frames, tail = 2, sound, values, onProgress } = {}) {
        const rate = checkedRate(sampleRate);
        let timeline;
        let length;
        if (midiFile !== undefined) {
            if (!(Number.isFinite(tail) && tail >= 0)) {
                throw new RangeError(`the tail must be 0 seconds or more, not ${tail}`);
            }
            const schedule = this.scheduleMidiFile(midiFile, rate);
            timeline = schedule.events;
            length = schedule.endFrame + Math.round(tail * rate);
        } else {
            timeline = (events ?? []).map((event) => this.timelineEntry(event));
            length = frames;
            if (!Number.isInteger(length) || length < 0) {
                throw new RangeError(`frames must be a whole number from 0, not ${frames}`);
            }
        }
        if (length > LONGEST_RENDER_FRAMES) {
            throw new RangeError(`the render would be ${length} frames (${(length / rate / 60).toFixed(1)} minutes at ` +
                `${rate} Hz), longer than the ${LONGEST_RENDER_FRAMES} frames a render holds`);
        }
        if (length === 0) {
            return { left: new Float32Array(0), right: new Float32Array(0), sampleRate: rate };
        }
        const context = new OfflineAudioContext({ numberOfChannels: 2, length, sampleRate: rate });
        const node = await this.makeNode(context, this.valuesOf({ sound, values }), timeline);
        node.connect(context.destination);
        if (onProgress) {
            reportProgress(context, length, onProgress);
        }
        const rendered = await context.startRendering();
        onProgress?.(1);
        return { left: rendered.getChannelData(0), right: rendered.getChannelData(1), sampleRate: rate };
    }

    timelineEntry(event) {
        if (!Number.isInteger(event.frame) || event.frame < 0) {
            throw new RangeError(`an event's frame must be a whole number from 0, not ${event.frame}`);
        }
        if (event.data) {
            return { frame: event.frame, data: checkedMidi(event.data) };
        }
        return { frame: event.frame, index: this.parameterIndex(event.parameter), value: checkedValue(event.value) };
    }
}

// One instrument in an AudioContext. Times are the context's (seconds, as
// context.currentTime); without one a message plays as soon as possible.
export class ZephyrantInstrument {
    constructor(zephyrant, context, node, values) {
        this.zephyrant = zephyrant;
        this.context = context;
        this.node = node;
        this.values = values;
    }

    connect(destination) {
        return this.node.connect(destination);
    }

    disconnect() {
        this.node.disconnect();
    }

    frameOf(time) {
        return time === undefined ? undefined : Math.round(time * this.context.sampleRate);
    }

    // Sets a parameter (name or index) to a value from 0 to 1.
    setValue(parameter, value, time) {
        const index = this.zephyrant.parameterIndex(parameter);
        this.values[index] = checkedValue(value);
        this.node.port.postMessage({ type: 'value', index, value: this.values[index], frame: this.frameOf(time) });
    }

    // Sets every parameter as valuesOf({sound, values}) gives them.
    setValues(options, time) {
        this.zephyrant.valuesOf(options).forEach((value, index) => this.setValue(index, value, time));
    }

    // One MIDI channel message: [status, data1, data2].
    midi(data, time) {
        this.node.port.postMessage({ type: 'midi', data: checkedMidi(data), frame: this.frameOf(time) });
    }

    noteOn(key, velocity = 100, time) {
        this.midi([0x90, key, velocity], time);
    }

    noteOff(key, time) {
        this.midi([0x80, key, 0], time);
    }

    // The pitch wheel from -1 (four semitones down) through 0 to 1 (up).
    pitchBend(position, time) {
        const value = Math.max(0, Math.min(16383, Math.round((position + 1) * 8192)));
        this.midi([0xE0, value & 0x7F, value >> 7], time);
    }

    controller(number, value, time) {
        this.midi([0xB0, number, value], time);
    }

    // Stops the engine for good and disconnects the node.
    close() {
        this.node.port.postMessage({ type: 'stop' });
        this.node.disconnect();
    }
}

// A WAV file of 32-bit float samples, two channels.
export function encodeWav(left, right, sampleRate) {
    const frames = left.length;
    const dataBytes = frames * 8;
    const buffer = new ArrayBuffer(58 + dataBytes);
    const view = new DataView(buffer);
    const text = (at, value) => [...value].forEach((c, n) => view.setUint8(at + n, c.charCodeAt(0)));
    text(0, 'RIFF');
    view.setUint32(4, 50 + dataBytes, true);
    text(8, 'WAVE');
    text(12, 'fmt ');
    view.setUint32(16, 18, true);
    view.setUint16(20, 3, true); // IEEE float
    view.setUint16(22, 2, true);
    view.setUint32(24, sampleRate, true);
    view.setUint32(28, sampleRate * 8, true);
    view.setUint16(32, 8, true);
    view.setUint16(34, 32, true);
    view.setUint16(36, 0, true);
    text(38, 'fact');
    view.setUint32(42, 4, true);
    view.setUint32(46, frames, true);
    text(50, 'data');
    view.setUint32(54, dataBytes, true);
    // Samples that are not numbers are written as 0, as the offline renderer writes them.
    for (let n = 0, at = 58; n < frames; ++n, at += 8) {
        view.setFloat32(at, Number.isFinite(left[n]) ? left[n] : 0, true);
        view.setFloat32(at + 4, Number.isFinite(right[n]) ? right[n] : 0, true);
    }
    return buffer;
}

function checkedValue(value) {
    if (typeof value !== 'number' || !(value >= 0 && value <= 1)) {
        throw new RangeError(`a parameter value must be a number from 0 to 1, not ${value}`);
    }
    return value;
}

function checkedRate(rate) {
    if (!Number.isInteger(rate) || rate < LOWEST_RATE || rate > HIGHEST_RATE) {
        throw new RangeError(`the sample rate must be a whole number of Hz from ${LOWEST_RATE} to ${HIGHEST_RATE}, not ${rate}`);
    }
    return rate;
}

function checkedMidi(data) {
    const bytes = Array.from(data);
    if (bytes.length < 1 || bytes.length > 3 || bytes.some((byte) => !Number.isInteger(byte) || byte < 0 || byte > 255) ||
        bytes[0] < 0x80 || bytes[0] >= 0xF0 || bytes.slice(1).some((byte) => byte > 127)) {
        throw new RangeError(`a MIDI channel message is a status byte and up to two data bytes, not [${bytes}]`);
    }
    return bytes;
}

// Suspends the render at up to 50 block boundaries to tell onProgress how far it is.
function reportProgress(context, length, onProgress) {
    const steps = 50;
    let lastBlock = 0;
    for (let step = 1; step < steps; ++step) {
        const block = Math.floor((length * step) / steps / 128);
        if (block <= lastBlock) {
            continue;
        }
        lastBlock = block;
        const frame = block * 128;
        context.suspend(frame / context.sampleRate).then(() => {
            try {
                onProgress(frame / length);
            } finally {
                context.resume();
            }
        });
    }
}
