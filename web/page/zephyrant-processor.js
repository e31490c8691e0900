// The instrument in the audio thread: one engine in its own WebAssembly instance,
// rendering each quantum. MIDI messages and parameter values reach it as small
// messages, each at a frame of the context (or as soon as possible) or, for an
// offline render, all at once with the node's options; it hands every message to
// the engine at its exact frame inside the quantum that holds the frame, and sets
// every value at the start of that quantum, as a host sets values between blocks.
import { instantiate, WasmEngine } from './zephyrant-wasm.js';

// The frames of one render quantum.
const QUANTUM = 128;
// Where an entry without a frame belongs: before anything still to come.
const AS_SOON_AS_POSSIBLE = -Infinity;

class ZephyrantProcessor extends AudioWorkletProcessor {
    // processorOptions: wasm (the module's bytes), values (the 19 starting values),
    // events ([{frame, data}] and [{frame, index, value}] to schedule at once).
    constructor(options) {
        super();
        const { wasm, values = [], events = [] } = options.processorOptions;
        this.engine = new WasmEngine(instantiate(new WebAssembly.Module(wasm)), sampleRate, QUANTUM);
        values.forEach((value, index) => this.engine.setParameter(index, value));
        // Entries in frame order (equal frames in arrival order); those before head are done.
        this.timeline = [];
        this.head = 0;
        for (const event of events) {
            this.schedule(event);
        }
        this.running = true;
        this.port.onmessage = (message) => this.receive(message.data);
    }

    // {type: 'midi', data, frame?}, {type: 'value', index, value, frame?},
    // {type: 'stop'}: the node renders nothing more and can be collected.
    receive(message) {
        if (this.head > 0) {
            this.timeline.splice(0, this.head);
            this.head = 0;
        }
        if (message.type === 'midi') {
            this.schedule({ frame: message.frame, data: message.data });
        } else if (message.type === 'value') {
            this.schedule({ frame: message.frame, index: message.index, value: message.value });
        } else if (message.type === 'stop') {
            this.running = false;
        }
    }

    schedule(event) {
        const frame = Number.isFinite(event.frame) ? event.frame : AS_SOON_AS_POSSIBLE;
        const entry = event.data
            ? { frame, index: -1, value: 0, status: event.data[0] | 0, data1: event.data[1] | 0, data2: event.data[2] | 0 }
            : { frame, index: event.index, value: event.value, status: 0, data1: 0, data2: 0 };
        const timeline = this.timeline;
        let low = this.head;
        let high = timeline.length;
        while (low < high) {
            const middle = (low + high) >>> 1;
            if (timeline[middle].frame <= frame) {
                low = middle + 1;
            } else {
                high = middle;
            }
        }
        timeline.splice(low, 0, entry);
    }

    process(inputs, outputs) {
        const start = currentFrame;
        const end = start + QUANTUM;
        const timeline = this.timeline;
        const engine = this.engine;
        while (this.head < timeline.length && timeline[this.head].frame < end) {
            const entry = timeline[this.head++];
            if (entry.index >= 0) {
                engine.setParameter(entry.index, entry.value);
            } else {
                engine.midi(entry.frame > start ? entry.frame - start : 0, entry.status, entry.data1, entry.data2);
            }
        }
        engine.render(QUANTUM);
        const channels = outputs[0];
        channels[0].set(engine.left);
        if (channels.length > 1) {
            channels[1].set(engine.right);
        }
        return this.running;
    }
}

registerProcessor('zephyrant', ZephyrantProcessor);
