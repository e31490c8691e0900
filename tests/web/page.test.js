// The page as a person uses it, in headless Chromium: what it shows against what
// the native module shows a host, the sound of its keys measured at an
// AnalyserNode, and its renders against the native renderer.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { after, before, beforeEach, describe, test } from 'node:test';

import { openBrowser } from './browser.js';
import { compareRenders } from './compare.js';
import { moduleParameters, readFloatWav, renderMidiFileNatively, rendererRefusal, repository } from './native.js';

// A key's note is plainly audible above this peak level (-40 dBFS); the idle
// instrument stays below the silence level.
const SOUNDING = 0.01;
const SILENT = 1e-4;

let session;
before(async () => {
    session = await openBrowser();
});
after(async () => session?.close());

async function openReadyPage() {
    const page = await session.openPage();
    await page.waitForSelector('body[data-ready="true"]');
    return page;
}

// One page for the tests of a group, opened before them and closed after them:
// each page plays in its own AudioContext, and one at a time keeps the machine quiet.
function usePage() {
    const shared = {};
    before(async () => {
        shared.page = await openReadyPage();
    });
    after(async () => shared.page?.close());
    return shared;
}

// What each control shows: its label, its value as a number and its text.
function readControls(page) {
    return page.$$eval('#controls .control', (rows) => rows.map((row) => {
        const input = row.querySelector('input');
        return {
            label: row.querySelector('label').textContent,
            value: input.type === 'checkbox' ? (input.checked ? 1 : 0) : Number(input.value),
            text: row.querySelector('output').value,
        };
    }));
}

// The text a host shows beside a control: the display text and its label.
function hostText(parameter) {
    return parameter.display === '' ? '' : `${parameter.display} ${parameter.label}`.trim();
}

// Every control as the module shows the same parameter: its name without the
// trailing blanks, its value as the module holds it, its text.
function assertControlsShow(controls, parameters) {
    assert.equal(controls.length, parameters.length);
    controls.forEach((control, index) => {
        const parameter = parameters[index];
        assert.equal(control.label, parameter.name.trimEnd(), `control ${index}`);
        assert.equal(Math.fround(control.value), parameter.value, `${control.label}'s value`);
        assert.equal(control.text, hostText(parameter), `${control.label}'s text`);
    });
}

function outputPeak(page) {
    return page.evaluate(() => window.zephyrantPage.scope.peak());
}

// Polls the output's peak until it is above (or below) level; answers the last peak.
async function waitForPeak(page, above, level) {
    let peak = 0;
    for (let attempt = 0; attempt < 50; ++attempt) {
        peak = await outputPeak(page);
        if (above ? peak > level : peak < level) {
            break;
        }
        await page.waitForTimeout(50);
    }
    return peak;
}

describe('the page shows the instrument as a host shows it', () => {
    const shared = usePage();
    beforeEach(() => shared.page.click('#reset'));

    test('it loads without console errors and shows the 19 controls with the names, values and texts of the basic program', async () => {
        const page = await openReadyPage();
        assertControlsShow(await readControls(page), moduleParameters());
        assert.equal(await page.$eval('#sound', (menu) => menu.value), 'Basic');
        assert.deepEqual(page.problems, []);
        await page.close();
    });

    // The key presses on a focused control, and the value they lead to from the
    // basic program's.
    const moves = [
        ['Volume', ['End'], 1],
        ['Volume', ['Home'], 0],
        ['Volume', ['PageDown', 'ArrowLeft'], 0.19],
        ['Exciter', ['PageUp', 'PageUp', 'PageUp', 'PageUp'], 0.9],
        ['Modulation', ['Shift+ArrowRight'], 0.101],
        ['ADSRCurve', ['Home'], 0],
        ['Fixing', ['Home'], 0],
        ['Fixing', ['End'], 1],
        ['Fixing', ['ArrowUp'], 0.31],
        ['DynaTone', ['ArrowRight'], 0.01],
        ['ToneRama', ['ArrowDown', 'ArrowDown'], 0.48],
        ['Decay', ['End'], 1],
    ];
    for (const [name, keys, expected] of moves) {
        test(`${keys.join(' and ')} on ${name} set ${expected} and show the instrument's text for it`, async () => {
            const { page } = shared;
            const index = (await readControls(page)).findIndex((control) => control.label === name);
            await page.focus(`#parameter-${index}`);
            for (const key of keys) {
                await page.keyboard.press(key);
            }
            const control = (await readControls(page))[index];
            assert.equal(control.value, expected);
            const parameter = moduleParameters({ values: [[index, expected]] })[index];
            assert.equal(control.text, hostText(parameter));
        });
    }

    test('Space on the Legato switch turns it off, and the switches carry no text', async () => {
        const { page } = shared;
        await page.focus('[role="switch"][data-parameter="Legato"]');
        await page.keyboard.press('Space');
        const legato = (await readControls(page)).find((control) => control.label === 'Legato');
        assert.deepEqual(legato, { label: 'Legato', value: 0, text: '' });
    });

    for (const sound of ['Hard Distortion', 'Glass Comb', 'Staccato']) {
        test(`choosing ${sound} sets every control to its values, and the reset brings back "Basic"`, async () => {
            const { page } = shared;
            await page.selectOption('#sound', sound);
            assertControlsShow(await readControls(page), moduleParameters({ sound }));
            await page.click('#reset');
            assertControlsShow(await readControls(page), moduleParameters());
            assert.equal(await page.$eval('#sound', (menu) => menu.value), 'Basic');
        });
    }

    test('every control, key and button has a name a screen reader can say', async () => {
        const { page } = shared;
        const unnamed = await page.$$eval('button, input, select, canvas, [role="switch"]', (elements) => elements
            .filter((element) => {
                const labelled = element.labels?.length > 0 || element.getAttribute('aria-label') ||
                    element.textContent.trim() !== '' || element.closest('label');
                return !labelled;
            })
            .map((element) => element.outerHTML));
        assert.deepEqual(unnamed, []);
    });
});

describe('playing makes sound', () => {
    const shared = usePage();
    const ways = [
        ['the mouse on the on-screen key C4', async (page) => {
            const box = await page.locator('#keyboard [aria-label="C4"]').boundingBox();
            await page.mouse.move(box.x + box.width / 2, box.y + box.height * 0.85);
            await page.mouse.down();
            return () => page.mouse.up();
        }],
        ['a finger on the on-screen key E4', async (page) => {
            await page.locator('#keyboard [aria-label="E4"]').dispatchEvent('pointerdown', { pointerId: 7, pointerType: 'touch', isPrimary: true });
            return () => page.locator('#keyboard [aria-label="E4"]').dispatchEvent('pointerup', { pointerId: 7, pointerType: 'touch', isPrimary: true });
        }],
        ['Enter on the focused on-screen key G4', async (page) => {
            await page.focus('#keyboard [aria-label="G4"]');
            await page.keyboard.down('Enter');
            return () => page.keyboard.up('Enter');
        }],
        ['the computer key A', async (page) => {
            await page.keyboard.down('a');
            return () => page.keyboard.up('a');
        }],
        ['the computer key J with a control focused', async (page) => {
            await page.focus('#parameter-9');
            await page.keyboard.down('j');
            return () => page.keyboard.up('j');
        }],
        ['a note from a MIDI input', async (page) => {
            await page.evaluate(() => window.zephyrantPage.receiveMidi(new Uint8Array([0x91, 57, 100])));
            return () => page.evaluate(() => window.zephyrantPage.receiveMidi(new Uint8Array([0x81, 57, 0])));
        }],
    ];
    for (const [way, press] of ways) {
        test(`${way} sounds at the output while held`, async () => {
            const { page } = shared;
            assert.ok(await waitForPeak(page, false, SILENT) < SILENT, 'silent before the key');
            const release = await press(page);
            const peak = await waitForPeak(page, true, SOUNDING);
            await release();
            assert.ok(peak > SOUNDING, `peak ${peak}`);
            assert.deepEqual(page.problems, []);
        });
    }

    test('Z and X move the computer keys an octave down and up', async () => {
        const { page } = shared;
        await page.keyboard.press('x');
        assert.equal(await page.$eval('#octave-text', (output) => output.value), 'C5');
        await page.keyboard.press('z');
        await page.keyboard.press('z');
        assert.equal(await page.$eval('#octave-text', (output) => output.value), 'C3');
        assert.equal(await page.locator('#keyboard .key').first().getAttribute('aria-label'), 'C3');
        await page.keyboard.press('x');
    });

    test('the pitch wheel moves while held and springs back to the centre when let go', async () => {
        const { page } = shared;
        await page.focus('#pitch-wheel');
        await page.keyboard.down('PageUp');
        const held = Number(await page.$eval('#pitch-wheel', (wheel) => wheel.value));
        await page.keyboard.up('PageUp');
        assert.ok(held > 0, `held at ${held}`);
        assert.equal(await page.$eval('#pitch-wheel', (wheel) => wheel.value), '0');
        assert.equal(await page.$eval('#pitch-wheel', (wheel) => wheel.getAttribute('aria-valuetext')), 'centre');
    });
});

describe('rendering a MIDI file in the page', () => {
    const shared = usePage();

    test('the example with a factory sound and Volume at full downloads as a WAV of the native renderer\'s samples', async () => {
        const { page } = shared;
        await page.selectOption('#sound', 'Harp Ring');
        await page.focus('#parameter-9');
        await page.keyboard.press('End');
        await page.selectOption('#render-rate', '48000');
        await page.click('#use-example');
        await page.click('#render-button');
        await page.waitForSelector('#render-result:not([hidden])', { timeout: 60000 });
        const [download] = await Promise.all([page.waitForEvent('download'), page.click('#render-download')]);
        assert.equal(download.suggestedFilename(), 'demo.wav');
        const wav = readFloatWav(fs.readFileSync(await download.path()));
        assert.equal(wav.rate, 48000);
        const native = renderMidiFileNatively(path.join(repository, 'examples/demo.mid'), 48000,
            ['--preset', 'Harp Ring', '--param', 'Volume=1']);
        const result = compareRenders(wav, native);
        assert.equal(result.lengths[0], result.lengths[1]);
        assert.equal(result.differing, 0, `${result.differing} samples differ, the first at frame ${result.firstFrame}`);
        assert.match(await page.textContent('#render-status'), /^demo\.mid: 34\.69 s at 48000 Hz rendered, peak -\d+\.\d dBFS\.$/);
        assert.deepEqual(page.problems, []);
    });

    const header = (format, tracks, division) => [0x4D, 0x54, 0x68, 0x64, 0, 0, 0, 6, 0, format, 0, tracks, division >> 8, division & 0xFF];
    const track = (bytes) => [0x4D, 0x54, 0x72, 0x6B, 0, 0, 0, bytes.length, ...bytes];
    const malformed = [
        ['notes.txt.mid', Buffer.from('C D E F G A B\n')],
        ['short.mid', Buffer.from(header(0, 1, 96).slice(0, 10))],
        ['format2.mid', Buffer.from([...header(2, 1, 96), ...track([0, 0xFF, 0x2F, 0])])],
        ['cut.mid', Buffer.from([...header(0, 1, 96), ...track([0, 0x90, 60, 100, 0x60, 0x80, 60]).slice(0, 14)])],
        ['no-status.mid', Buffer.from([...header(0, 1, 96), ...track([0, 60, 100, 0, 0xFF, 0x2F, 0])])],
        ['empty.mid', Buffer.alloc(0)],
    ];
    // The first comes after the render above, whose download it must take away.
    for (const [name, bytes] of malformed) {
        test(`${name} gives the renderer's reason in one message, and no render or download`, async () => {
            const { page } = shared;
            await page.setInputFiles('#midi-file', { name, mimeType: 'audio/midi', buffer: bytes });
            await page.waitForFunction((shown) => document.querySelector('#render-error').textContent.startsWith(shown), `${name}:`);
            assert.equal(await page.isVisible('#render-error'), true);
            assert.equal(await page.textContent('#render-error'), `${name}: ${rendererRefusal(bytes)}`);
            assert.equal(await page.isDisabled('#render-button'), true);
            assert.equal(await page.isHidden('#render-result'), true);
            assert.equal(await page.getAttribute('#render-download', 'href'), '#');
        });
    }
});

describe('a browser without what the instrument needs gets one clear message', () => {
    for (const missing of ['AudioWorkletNode', 'WebAssembly']) {
        test(`without ${missing}`, async () => {
            const context = await session.browser.newContext();
            await context.addInitScript((name) => {
                delete window[name];
            }, missing);
            const page = await context.newPage();
            await page.goto(session.address);
            await page.waitForSelector('#message:not([hidden])');
            const expected = missing === 'WebAssembly' ? 'WebAssembly' : 'AudioWorklet';
            assert.match(await page.textContent('#message'), new RegExp(`^This browser lacks ${expected}, which Zephyrant needs to play\\.`));
            assert.equal(await page.isDisabled('#render-button'), true);
            assert.equal(await page.isDisabled('#use-example'), true);
            await context.close();
        });
    }
});
