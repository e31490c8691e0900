// Headless Debian Chromium driven by playwright-core, and the page served on
// 127.0.0.1 at a free port, for the browser tests.
import { chromium } from 'playwright-core';
import path from 'node:path';

import { serve } from '../../web/serve.mjs';
import { repository } from './native.js';

// The built page: scripts/build-web.sh puts it into build/web/site.
export const siteFolder = path.resolve(repository, process.env.ZEPHYRANT_WEB_SITE ?? 'build/web/site');

// Chromium as root in a closed network: no sandbox, and none of the background
// connections it would otherwise try at every start.
const CHROMIUM_FLAGS = [
    '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
    '--disable-component-update', '--disable-sync', '--autoplay-policy=no-user-gesture-required',
];

// The server and the browser for one test file; close() ends both.
export async function openBrowser() {
    const { server, address } = await serve(siteFolder);
    const browser = await chromium.launch({
        executablePath: process.env.CHROMIUM ?? '/usr/bin/chromium',
        args: CHROMIUM_FLAGS,
    });
    return {
        address,
        browser,
        // A new page at the site's address; problems collects console errors,
        // uncaught exceptions and failed requests.
        async openPage(file = '') {
            const page = await browser.newPage();
            page.problems = [];
            page.on('console', (message) => message.type() === 'error' && page.problems.push(message.text()));
            page.on('pageerror', (error) => page.problems.push(error.message));
            // A download ends its request as aborted: that is no failure.
            page.on('requestfailed', (request) => {
                const reason = request.failure()?.errorText;
                if (!(request.url().startsWith('blob:') && reason === 'net::ERR_ABORTED')) {
                    page.problems.push(`${request.url()}: ${reason}`);
                }
            });
            await page.goto(address + file);
            return page;
        },
        async close() {
            await browser.close();
            await new Promise((resolve) => server.close(resolve));
        },
    };
}

// Both channels of an offline render in the page, by the documented module:
// options as renderOffline takes them, with midiFileBase64 for the file's bytes.
export async function renderInPage(page, options) {
    const encoded = await page.evaluate(async ({ midiFileBase64, ...options }) => {
        const { Zephyrant } = await import('./zephyrant.js');
        const zephyrant = await Zephyrant.load();
        if (midiFileBase64 !== undefined) {
            options.midiFile = Uint8Array.from(atob(midiFileBase64), (c) => c.charCodeAt(0));
        }
        const { left, right } = await zephyrant.renderOffline(options);
        const base64 = (samples) => {
            const bytes = new Uint8Array(samples.buffer, samples.byteOffset, samples.byteLength);
            let text = '';
            for (let n = 0; n < bytes.length; n += 0x8000) {
                text += String.fromCharCode(...bytes.subarray(n, n + 0x8000));
            }
            return btoa(text);
        };
        return { left: base64(left), right: base64(right) };
    }, options);
    return { left: floatsOfBase64(encoded.left), right: floatsOfBase64(encoded.right) };
}

export function floatsOfBase64(text) {
    const bytes = Buffer.from(text, 'base64');
    return new Float32Array(bytes.buffer, bytes.byteOffset, bytes.byteLength / 4);
}
