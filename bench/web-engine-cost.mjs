// The engine's cost per sample in the browser against the native build, in one
// run: each case renders the same events in blocks of 128 frames through the C
// interface (web/ZephyrantWeb.h), natively (zephyrant-web-cost) and as WebAssembly
// in headless Chromium, in alternating rounds, each timed in its thread's CPU time;
// the cheapest repeat of each side and the median make the ratios.
// scripts/run-web-bench.sh builds and runs it.
//
//   node bench/web-engine-cost.mjs NATIVE_PROGRAM [ROUNDS]
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';

import { openBrowser } from '../tests/web/browser.js';
import { repository } from '../tests/web/native.js';

const [program, roundsText = '3'] = process.argv.slice(2);
if (!program) {
    console.error('usage: node bench/web-engine-cost.mjs NATIVE_PROGRAM [ROUNDS]');
    process.exit(2);
}
const rounds = Number(roundsText);
const REPEATS = 3;
const EVERY_STAGE = { 11: 0.7, 12: 0.6, 13: 0.5, 14: 0.4, 18: 1 }; // DynaTone, Distorter, Overdrive, Chorus, PowerChord

// seconds rendered, timed from `from` on; midi: a file of the repository, or hold: a key held from the start.
const cases = [
    { name: 'reference phrase, basic program', rate: 44100, seconds: 16, from: 0, midi: 'examples/reference.mid', values: {} },
    { name: 'reference phrase, every stage on', rate: 44100, seconds: 16, from: 0, midi: 'examples/reference.mid', values: EVERY_STAGE },
    { name: 'reference phrase at 48 kHz', rate: 48000, seconds: 16, from: 0, midi: 'examples/reference.mid', values: {} },
    { name: 'held high note, 10-20 s (subnormal tail)', rate: 44100, seconds: 20, from: 10, hold: 100, values: { 6: 1 } },
];

function native(testCase) {
    const source = testCase.midi ? [path.join(repository, testCase.midi)] : ['hold', String(testCase.hold)];
    const values = Object.entries(testCase.values).map(([index, value]) => `${index}=${value}`);
    const output = execFileSync(program, [String(testCase.rate), String(REPEATS), String(testCase.seconds),
        String(testCase.from), ...source, ...values], { encoding: 'utf8' });
    return output.trim().split('\n').map(Number);
}

// The same loop as zephyrant-web-cost, in the page, on the module's own instance:
// the frames before `from` untimed, then the rest timed in the page thread's CPU
// time, as the browser's developer tools report it.
async function inBrowser(page, cdp, testCase) {
    const midi = testCase.midi ? fs.readFileSync(path.join(repository, testCase.midi)).toString('base64') : null;
    const threadTime = async () => (await cdp.send('Performance.getMetrics')).metrics.find((m) => m.name === 'ThreadTime').value;
    const costs = [];
    for (let repeat = 0; repeat < REPEATS; ++repeat) {
        const frames = await page.evaluate(async ({ rate, seconds, from, hold, values, midi }) => {
            const { instantiate, WasmEngine, Catalogue } = await import('./zephyrant-wasm.js');
            window.benchModule ??= await WebAssembly.compile(await (await fetch('zephyrant.wasm')).arrayBuffer());
            const wasm = instantiate(window.benchModule);
            const events = midi
                ? new Catalogue(wasm).scheduleMidiFile(Uint8Array.from(atob(midi), (c) => c.charCodeAt(0)), rate).events
                : [{ frame: 0, data: [0x90, hold, 127] }];
            const engine = new WasmEngine(wasm, rate);
            for (const [index, value] of Object.entries(values)) {
                engine.setParameter(Number(index), value);
            }
            let next = 0;
            let lastSample = 0;
            // Renders the blocks from start to end (multiples of 128).
            const render = (start, end) => {
                for (let block = start; block < end; block += 128) {
                    while (next < events.length && events[next].frame < block + 128) {
                        const { frame, data } = events[next++];
                        engine.midi(frame - block, data[0], data[1] ?? 0, data[2] ?? 0);
                    }
                    engine.render(128);
                    lastSample = engine.left[127];
                }
                return lastSample;
            };
            const frames = Math.floor((seconds * rate) / 128) * 128;
            const timedFrom = Math.floor((from * rate) / 128) * 128;
            render(0, timedFrom);
            window.benchRest = () => render(timedFrom, frames);
            return frames - timedFrom;
        }, { ...testCase, midi });
        const started = await threadTime();
        await page.evaluate(() => window.benchRest());
        costs.push(((await threadTime()) - started) * 1e9 / frames);
    }
    return costs;
}

const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];

const session = await openBrowser();
try {
    // A document of the site that runs nothing: the page itself would play and draw.
    const page = await session.openPage('zephyrant-wasm.js');
    const cdp = await page.context().newCDPSession(page);
    await cdp.send('Performance.enable', { timeDomain: 'threadTicks' });
    console.log(`CPU ns per frame (both channels), blocks of 128, ${rounds} rounds of ${REPEATS} repeats a side, alternating`);
    console.log(`${'case'.padEnd(42)} ${'native'.padStart(8)} ${'browser'.padStart(8)} ${'ratio'.padStart(6)}  (median: native, browser, ratio)`);
    for (const testCase of cases) {
        const nativeCosts = [];
        const browserCosts = [];
        for (let round = 0; round < rounds; ++round) {
            nativeCosts.push(...native(testCase));
            browserCosts.push(...(await inBrowser(page, cdp, testCase)));
        }
        const [nativeBest, browserBest] = [Math.min(...nativeCosts), Math.min(...browserCosts)];
        const [nativeMedian, browserMedian] = [median(nativeCosts), median(browserCosts)];
        console.log(`${testCase.name.padEnd(42)} ${nativeBest.toFixed(1).padStart(8)} ${browserBest.toFixed(1).padStart(8)} ` +
            `${(browserBest / nativeBest).toFixed(2).padStart(5)}x  (${nativeMedian.toFixed(1)}, ${browserMedian.toFixed(1)}, ` +
            `${(browserMedian / nativeMedian).toFixed(2)}x)`);
    }
    const size = fs.statSync(path.join(repository, process.env.ZEPHYRANT_WEB_SITE ?? 'build/web/site', 'zephyrant.wasm')).size;
    console.log(`zephyrant.wasm: ${size} bytes (${(size / 1024).toFixed(1)} KiB)`);
} finally {
    await session.close();
}
