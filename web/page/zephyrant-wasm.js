// The WebAssembly module of the instrument and thin wrappers over its C interface
// (web/ZephyrantWeb.h). Loaded by the page, by the AudioWorkletProcessor and by
// tests; it uses nothing that an AudioWorkletGlobalScope lacks (no fetch, no
// TextDecoder) except in the functions that say so.

// The longest run one render call renders (ZEPHYRANT_LONGEST_RENDER).
export const LONGEST_RENDER = 1024;

// Makes a ready instance of a compiled module: its C library's start-up
// (_initialize) runs here, once. The library's output functions are never reached
// by the interface; should one be, it reports that nothing can be written.
export function instantiate(module) {
    const imports = {};
    for (const entry of WebAssembly.Module.imports(module)) {
        if (entry.kind === 'function') {
            imports[entry.module] ??= {};
            imports[entry.module][entry.name] = () => 52; // "function not supported"
        }
    }
    const instance = new WebAssembly.Instance(module, imports);
    instance.exports._initialize();
    return instance.exports;
}

// One engine in an instance: parameters, MIDI at frames and rendering blocks of
// up to blockLength frames (a quantum by default) into its two channel buffers,
// which left and right view, blockLength long.
export class WasmEngine {
    constructor(wasm, sampleRate, blockLength = 128) {
        if (!(blockLength >= 1 && blockLength <= LONGEST_RENDER)) {
            throw new RangeError(`blocks of 1 to ${LONGEST_RENDER} frames, not ${blockLength}`);
        }
        this.wasm = wasm;
        this.blockLength = blockLength;
        this.handle = wasm.zephyrant_create(sampleRate);
        if (this.handle === 0) {
            throw new Error('the instrument could not be set up (out of memory)');
        }
        this.viewBuffers();
    }

    // Views of the output buffers; made anew only when the memory has grown.
    viewBuffers() {
        const buffer = this.wasm.memory.buffer;
        this.left = new Float32Array(buffer, this.wasm.zephyrant_left(this.handle), this.blockLength);
        this.right = new Float32Array(buffer, this.wasm.zephyrant_right(this.handle), this.blockLength);
    }

    setSampleRate(rate) {
        this.wasm.zephyrant_set_sample_rate(this.handle, rate);
    }

    setParameter(index, value) {
        this.wasm.zephyrant_set_parameter(this.handle, index, value);
    }

    getParameter(index) {
        return this.wasm.zephyrant_get_parameter(this.handle, index);
    }

    // A message of up to three bytes at a frame of the next render call.
    midi(frame, status, data1 = 0, data2 = 0) {
        this.wasm.zephyrant_midi(this.handle, frame, status, data1, data2);
    }

    // Renders frames frames (at most blockLength) into left and right.
    render(frames) {
        const rendered = this.wasm.zephyrant_render(this.handle, Math.min(frames, this.blockLength));
        if (this.left.buffer !== this.wasm.memory.buffer) {
            this.viewBuffers();
        }
        return rendered;
    }

    destroy() {
        this.wasm.zephyrant_destroy(this.handle);
        this.handle = 0;
    }
}

// A NUL-terminated string of the module's memory (ASCII, as the tables hold).
function readText(wasm, address) {
    const bytes = new Uint8Array(wasm.memory.buffer, address);
    let text = '';
    for (let n = 0; bytes[n] !== 0; ++n) {
        text += String.fromCharCode(bytes[n]);
    }
    return text;
}

// What the instrument shows: its parameters with names, labels, defaults and
// display texts, and the factory sounds.
export class Catalogue {
    constructor(wasm) {
        this.wasm = wasm;
        const count = wasm.zephyrant_parameter_count();
        this.parameters = [];
        for (let index = 0; index < count; ++index) {
            this.parameters.push({
                index,
                name: readText(wasm, wasm.zephyrant_parameter_name(index)),
                label: readText(wasm, wasm.zephyrant_parameter_label(index)),
                defaultValue: wasm.zephyrant_parameter_default(index),
            });
        }
        this.sounds = [];
        for (let sound = 0; sound < wasm.zephyrant_sound_count(); ++sound) {
            const values = [];
            for (let index = 0; index < count; ++index) {
                values.push(wasm.zephyrant_sound_value(sound, index));
            }
            this.sounds.push({
                name: readText(wasm, wasm.zephyrant_sound_name(sound)),
                description: readText(wasm, wasm.zephyrant_sound_description(sound)),
                values,
            });
        }
    }

    // The display text of value for the parameter at index, as the engine holds
    // the value (empty for parameters shown without a number).
    displayText(index, value) {
        return readText(this.wasm, this.wasm.zephyrant_parameter_display(index, value));
    }

    // A Standard MIDI File's messages on frames at rate, as the offline renderer
    // places them: {events: [{frame, data: [status, data1, data2?]}], endFrame,
    // noteChannels} or {error} with the reason the file was refused.
    scheduleMidiFile(bytes, rate) {
        const wasm = this.wasm;
        const data = wasm.zephyrant_allocate(Math.max(bytes.byteLength, 1));
        if (data === 0) {
            return { error: 'not enough memory to read the file' };
        }
        new Uint8Array(wasm.memory.buffer, data, bytes.byteLength).set(bytes);
        const schedule = wasm.zephyrant_schedule_midi_file(data, bytes.byteLength, rate);
        wasm.zephyrant_release(data);
        if (schedule === 0) {
            return { error: 'not enough memory to read the file' };
        }
        try {
            const error = readText(wasm, wasm.zephyrant_schedule_error(schedule));
            if (error !== '') {
                return { error };
            }
            const count = wasm.zephyrant_schedule_event_count(schedule);
            const view = new DataView(wasm.memory.buffer, wasm.zephyrant_schedule_events(schedule), count * 16);
            const events = [];
            for (let n = 0; n < count; ++n) {
                const at = n * 16;
                const size = view.getUint8(at + 11);
                const data = [view.getUint8(at + 8), view.getUint8(at + 9), view.getUint8(at + 10)].slice(0, size);
                events.push({ frame: view.getFloat64(at, true), data });
            }
            return {
                events,
                endFrame: wasm.zephyrant_schedule_end_frame(schedule),
                noteChannels: wasm.zephyrant_schedule_note_channels(schedule),
            };
        } finally {
            wasm.zephyrant_schedule_free(schedule);
        }
    }
}
