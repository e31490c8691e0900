// The native side of the comparisons: the offline renderer (zephyrant-render) and
// the reference player of the test build (zephyrant-web-reference), both driving
// the module built from the same tree in blocks of 128 frames.
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

export const repository = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../..');
const nativeBuild = path.resolve(repository, process.env.ZEPHYRANT_NATIVE_BUILD ?? 'build/release');
const renderer = path.join(nativeBuild, 'zephyrant-render');
const reference = path.join(nativeBuild, 'tests', 'zephyrant-web-reference');
const moduleFile = path.join(nativeBuild, 'Zephyrant.so');
const scratch = fs.mkdtempSync(path.join(os.tmpdir(), 'zephyrant-web-'));
process.on('exit', () => fs.rmSync(scratch, { recursive: true, force: true }));

export const BLOCK = 128;

// The bits of value as a 32-bit float, in hexadecimal: the exact value both sides set.
function floatBits(value) {
    const word = Buffer.alloc(4);
    word.writeFloatLE(value);
    return word.readUInt32LE().toString(16);
}

// The samples of a WAV file of 32-bit floats, as {left, right}.
export function readFloatWav(bytes) {
    if (bytes.toString('ascii', 0, 4) !== 'RIFF' || bytes.toString('ascii', 8, 12) !== 'WAVE') {
        throw new Error('not a WAV file');
    }
    let format = null;
    for (let at = 12; at + 8 <= bytes.length;) {
        const id = bytes.toString('ascii', at, at + 4);
        const size = bytes.readUInt32LE(at + 4);
        if (id === 'fmt ') {
            format = { code: bytes.readUInt16LE(at + 8), channels: bytes.readUInt16LE(at + 10),
                rate: bytes.readUInt32LE(at + 12), bits: bytes.readUInt16LE(at + 22) };
        } else if (id === 'data') {
            if (!format || format.code !== 3 || format.channels !== 2 || format.bits !== 32) {
                throw new Error(`not stereo 32-bit float samples: ${JSON.stringify(format)}`);
            }
            const data = bytes.subarray(at + 8, at + 8 + size);
            return { ...deinterleave(new Float32Array(data.buffer.slice(data.byteOffset, data.byteOffset + data.length))), rate: format.rate };
        }
        at += 8 + size + (size & 1);
    }
    throw new Error('a WAV file without samples');
}

function deinterleave(samples) {
    const frames = samples.length / 2;
    const left = new Float32Array(frames);
    const right = new Float32Array(frames);
    for (let n = 0; n < frames; ++n) {
        left[n] = samples[2 * n];
        right[n] = samples[2 * n + 1];
    }
    return { left, right };
}

// A MIDI file rendered by the offline renderer with -b 128; args such as
// ['--preset', 'Harp Ring'] or ['--param', 'Volume=0.5'].
export function renderMidiFileNatively(midiFile, rate, args = []) {
    const output = path.join(scratch, 'render.wav');
    execFileSync(renderer, [midiFile, '-q', '-b', String(BLOCK), '-r', String(rate), '-m', moduleFile, '-o', output, ...args]);
    return readFloatWav(fs.readFileSync(output));
}

// A phrase as the browser tests give it to renderOffline ({sampleRate, frames,
// sound, values: {name: value}, events: [{frame, data} or {frame, parameter, value}]}),
// rendered natively.
export function renderPhraseNatively(phrase) {
    const lines = [`rate ${phrase.sampleRate}`, `frames ${phrase.frames}`];
    if (phrase.sound) {
        lines.push(`sound ${phrase.sound}`);
    }
    for (const [name, value] of Object.entries(phrase.values ?? {})) {
        lines.push(`value ${name} ${floatBits(value)}`);
    }
    for (const event of phrase.events) {
        lines.push(event.data ? `midi ${event.frame} ${[...event.data, 0, 0].slice(0, 3).join(' ')}`
            : `value-at ${event.frame} ${event.parameter} ${floatBits(event.value)}`);
    }
    const phraseFile = path.join(scratch, 'phrase.txt');
    const output = path.join(scratch, 'phrase.raw');
    fs.writeFileSync(phraseFile, lines.join('\n') + '\n');
    execFileSync(reference, [moduleFile, 'render', phraseFile, output]);
    const bytes = fs.readFileSync(output);
    return deinterleave(new Float32Array(bytes.buffer.slice(bytes.byteOffset, bytes.byteOffset + bytes.length)));
}

// What a host sees of every parameter once the module has a factory sound (sound,
// a name) and then values ([[index, value]]) set: [{name, value, display, label}]
// in index order, the name as the module reports it.
export function moduleParameters({ sound, values = [] } = {}) {
    const args = [moduleFile, 'texts', ...(sound ? ['sound', sound] : []),
        ...values.flatMap(([index, value]) => [String(index), floatBits(value)])];
    return execFileSync(reference, args, { encoding: 'utf8' }).split('\n').filter((line) => line !== '').map((line) => {
        const [name, bits, display, label] = line.split('\t');
        const word = Buffer.alloc(4);
        word.writeUInt32LE(parseInt(bits, 16));
        return { name, value: word.readFloatLE(), display, label };
    });
}

// The display texts the module shows for each of values of the parameter at index.
export function moduleDisplays(index, values) {
    const output = execFileSync(reference, [moduleFile, 'display', String(index), ...values.map(floatBits)], { encoding: 'utf8' });
    return output.split('\n').slice(0, values.length);
}

// The reason the offline renderer gives for refusing a MIDI file of these bytes,
// without the file's name.
export function rendererRefusal(bytes) {
    const file = path.join(scratch, 'refused.mid');
    fs.writeFileSync(file, bytes);
    try {
        execFileSync(renderer, [file, '-q', '-m', moduleFile, '-o', path.join(scratch, 'refused.wav')], { stdio: 'pipe' });
    } catch (failure) {
        const message = failure.stderr.toString().trim();
        const prefix = `zephyrant-render: ${file}: `;
        return message.startsWith(prefix) ? message.slice(prefix.length) : message;
    }
    throw new Error('the renderer played a file the test expected it to refuse');
}

// The factory sounds the renderer lists: [name, description] in its order.
export function rendererSounds() {
    return execFileSync(renderer, ['--list-presets'], { encoding: 'utf8' }).trim().split('\n').map((line) => line.split('\t'));
}
