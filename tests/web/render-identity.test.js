// Offline renders in the browser against the native renderer of the same tree, in
// blocks of 128 frames: the same samples, bit for bit.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { after, before, describe, test } from 'node:test';

import { openBrowser, renderInPage } from './browser.js';
import { compareRenders } from './compare.js';
import { renderMidiFileNatively, renderPhraseNatively, repository } from './native.js';
import { decayPhrases, identityPhrases } from './phrases.js';

// Below this a sample is more than 600 dB under full scale.
const FAR_BELOW_HEARING = 1e-30;

let session;
let page;
before(async () => {
    session = await openBrowser();
    page = await session.openPage();
});
after(async () => session?.close());

function describeDifference(result) {
    return `${result.differing} of ${2 * result.frames} samples differ, the first at frame ${result.firstFrame}, ` +
        `by up to ${result.largest}`;
}

describe('offline renders in the browser equal the native renderer sample for sample', () => {
    for (const phrase of identityPhrases) {
        test(phrase.name, async () => {
            const browser = await renderInPage(page, phrase);
            const result = compareRenders(browser, renderPhraseNatively(phrase));
            assert.deepEqual(result.lengths, [phrase.frames, phrase.frames]);
            assert.equal(result.differing, 0, describeDifference(result));
        });
    }

    const midiFiles = [
        { file: 'examples/reference.mid', sampleRate: 48000, options: { sound: 'Harp Ring' }, args: ['--preset', 'Harp Ring'] },
        { file: 'examples/reference.mid', sampleRate: 44100, options: { sound: 'Wide Chorus', values: { Chorus: 1 }, tail: 0.5 },
            args: ['--preset', 'Wide Chorus', '--param', 'Chorus=1', '-t', '0.5'] },
    ];
    for (const { file, sampleRate, options, args } of midiFiles) {
        test(`${file} at ${sampleRate} Hz with ${args.join(' ')}`, async () => {
            const midiFileBase64 = fs.readFileSync(path.join(repository, file)).toString('base64');
            const browser = await renderInPage(page, { midiFileBase64, sampleRate, ...options });
            const result = compareRenders(browser, renderMidiFileNatively(path.join(repository, file), sampleRate, args));
            assert.equal(result.lengths[0], result.lengths[1], 'the same length as the native render');
            assert.equal(result.differing, 0, describeDifference(result));
        });
    }
});

describe('long decays differ from the native render only far below hearing, where native rendering flushes subnormal values', () => {
    for (const phrase of decayPhrases) {
        test(phrase.name, async (t) => {
            const browser = await renderInPage(page, phrase);
            const native = renderPhraseNatively(phrase);
            const result = compareRenders(browser, native);
            assert.deepEqual(result.lengths, [phrase.frames, phrase.frames]);
            let loudestDiffering = 0;
            for (const channel of ['left', 'right']) {
                for (let n = Math.max(result.firstFrame, 0); result.differing > 0 && n < phrase.frames; ++n) {
                    if (!Object.is(browser[channel][n], native[channel][n])) {
                        loudestDiffering = Math.max(loudestDiffering, Math.abs(browser[channel][n]), Math.abs(native[channel][n]));
                    }
                }
            }
            t.diagnostic(result.differing === 0 ? 'identical'
                : `${describeDifference(result)} (${(result.firstFrame / phrase.sampleRate).toFixed(2)} s); ` +
                  `the loudest differing sample is ${loudestDiffering.toExponential(2)}`);
            assert.ok(loudestDiffering < FAR_BELOW_HEARING, `a differing sample of ${loudestDiffering}`);
        });
    }
});

describe('the JavaScript module refuses what it cannot render, with one clear message', () => {
    const refusals = [
        [{ sampleRate: 44100.5, frames: 10 }, /sample rate must be a whole number of Hz from 8000 to 768000/],
        [{ sampleRate: 4000, frames: 10 }, /sample rate must be a whole number of Hz/],
        [{ frames: -1 }, /frames must be a whole number from 0/],
        [{ frames: 10, values: { Loudness: 0.5 } }, /unknown parameter 'Loudness'; the parameters are: Exciter, Modulation/],
        [{ frames: 10, values: { Volume: 1.5 } }, /a parameter value must be a number from 0 to 1, not 1.5/],
        [{ frames: 10, sound: 'Banjo' }, /no factory sound 'Banjo'/],
        [{ frames: 10, events: [{ frame: 0, data: [0x90, 200, 1] }] }, /a MIDI channel message is a status byte and up to two data bytes/],
        [{ frames: 10, events: [{ frame: 1.5, data: [0x90, 60, 1] }] }, /an event's frame must be a whole number from 0/],
        [{ midiFileBase64: '' }, /not a Standard MIDI File/],
        [{ sampleRate: 8000, frames: 20 * 60 * 44100 + 1 },
            /the render would be 52920001 frames \(110\.3 minutes at 8000 Hz\), longer than the 52920000 frames a render holds/],
    ];
    for (const [options, message] of refusals) {
        test(JSON.stringify(options), async () => {
            await assert.rejects(renderInPage(page, options), message);
        });
    }
});
