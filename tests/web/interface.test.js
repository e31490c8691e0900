// The WebAssembly module's C interface, run by Node's own WebAssembly engine (the
// one Chromium runs): what it tells the page about the instrument against what the
// native module tells a host, and its answers to calls out of range.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { describe, test } from 'node:test';

import { siteFolder } from './browser.js';
import { moduleDisplays, moduleParameters, rendererSounds, repository } from './native.js';
import { Catalogue, instantiate } from '../../web/page/zephyrant-wasm.js';
import { MidiFileError, Zephyrant } from '../../web/page/zephyrant.js';

const wasm = instantiate(new WebAssembly.Module(fs.readFileSync(path.join(siteFolder, 'zephyrant.wasm'))));
const catalogue = new Catalogue(wasm);

describe('the module tells the page what the native module tells a host', () => {
    test('the names without their trailing blanks, the labels and the basic program\'s values', () => {
        const native = moduleParameters();
        assert.deepEqual(catalogue.parameters.map(({ name, label, defaultValue }) => ({ name, label, value: defaultValue })),
            native.map(({ name, label, value }) => ({ name: name.trimEnd(), label, value })));
    });

    // Every thousandth of the range, the ends of Fixing's and DynaTone's texts,
    // and values a host may send beyond the range.
    const values = Array.from({ length: 1001 }, (_, n) => n / 1000);
    values.push(1e-7, 0.0099999, 0.0100001, 0.9899999, 0.9900001, 0.5000001, -0.5, 1.5, 2, 10, 123456, 1e9, -1e9, NaN, Infinity);
    for (const parameter of catalogue.parameters) {
        test(`the display texts of ${parameter.name} across its range and beyond`, () => {
            const expected = moduleDisplays(parameter.index, values);
            const shown = values.map((value) => catalogue.displayText(parameter.index, value));
            const differing = values.map((value, n) => [value, shown[n], expected[n]]).filter(([, a, b]) => a !== b);
            assert.deepEqual(differing, []);
        });
    }

    test('the factory sounds with their names, descriptions and values, in the renderer\'s order', () => {
        assert.deepEqual(catalogue.sounds.map(({ name, description }) => [name, description]), rendererSounds());
        for (const sound of catalogue.sounds) {
            assert.deepEqual(sound.values, moduleParameters({ sound: sound.name }).map(({ value }) => value), sound.name);
        }
    });
});

describe('the C interface answers calls out of range harmlessly', () => {
    const text = (address) => {
        const bytes = new Uint8Array(wasm.memory.buffer, address);
        return new TextDecoder().decode(bytes.subarray(0, bytes.indexOf(0)));
    };
    const cases = [
        ['the name of parameter -1', () => text(wasm.zephyrant_parameter_name(-1)), ''],
        ['the name of parameter 19', () => text(wasm.zephyrant_parameter_name(19)), ''],
        ['the label of parameter 99', () => text(wasm.zephyrant_parameter_label(99)), ''],
        ['the default of parameter -5', () => wasm.zephyrant_parameter_default(-5), 0],
        ['the display of parameter -1', () => text(wasm.zephyrant_parameter_display(-1, 0.5)), ''],
        ['the name of sound 18', () => text(wasm.zephyrant_sound_name(18)), ''],
        ['the name of sound -1', () => text(wasm.zephyrant_sound_name(-1)), ''],
        ['the value of parameter 19 of sound 0', () => wasm.zephyrant_sound_value(0, 19), 0],
        ['a schedule at the rate 0', () => catalogue.scheduleMidiFile(fs.readFileSync(path.join(repository, 'examples/demo.mid')), 0).error,
            'the sample rate must be a whole number of Hz from 1'],
    ];
    for (const [what, call, expected] of cases) {
        test(what, () => {
            assert.equal(call(), expected);
        });
    }

    test('a render of more frames than a call holds renders 1024, and none for 0 or fewer', () => {
        const instrument = wasm.zephyrant_create(44100);
        assert.notEqual(instrument, 0);
        assert.deepEqual([5000, 1024, 128, 0, -3].map((frames) => wasm.zephyrant_render(instrument, frames)), [1024, 1024, 128, 0, 0]);
        assert.equal(wasm.zephyrant_get_parameter(instrument, -1), 0);
        wasm.zephyrant_set_parameter(instrument, 15, 0.7);
        assert.equal(wasm.zephyrant_get_parameter(instrument, 15), 0, 'Legato keeps the integer truncation');
        wasm.zephyrant_destroy(instrument);
    });
});

describe('the JavaScript module', () => {
    const zephyrant = new Zephyrant(null, new WebAssembly.Module(fs.readFileSync(path.join(siteFolder, 'zephyrant.wasm'))));
    test('takes parameters by name in any letter case, by index and by the index\'s text', () => {
        const values = zephyrant.valuesOf({ sound: 'dark nylon', values: { volume: 0.25, 12: 0.5, ' ToneRama ': 1 } });
        const expected = [...zephyrant.sound('Dark Nylon').values];
        expected[9] = 0.25;
        expected[12] = 0.5;
        expected[17] = 1;
        assert.deepEqual(values, expected);
        assert.deepEqual(zephyrant.valuesOf({ values: [0.1, 0.2] }).slice(0, 3), [0.1, 0.2, zephyrant.parameters[2].defaultValue]);
        assert.throws(() => zephyrant.valuesOf({ values: { 19: 0.5 } }), /unknown parameter '19'/);
        assert.throws(() => zephyrant.valuesOf({ values: { Volume: NaN } }), /a parameter value must be a number from 0 to 1, not NaN/);
    });
    test('refuses a MIDI file larger than 64 MiB before reading it, as the renderer does', () => {
        assert.throws(() => zephyrant.scheduleMidiFile(new Uint8Array(64 * 1024 * 1024 + 1), 44100),
            new MidiFileError('larger than 64 MiB, too large for a MIDI file'));
    });
});
