// Takes the README's picture of the page: a factory sound chosen, a note held and
// the example file rendered, in headless Chromium.
//   node tests/web/screenshot.js docs/web-page.png
import path from 'node:path';

import { openBrowser } from './browser.js';

const output = path.resolve(process.argv[2] ?? 'docs/web-page.png');
const session = await openBrowser();
try {
    const page = await session.openPage();
    await page.setViewportSize({ width: 1280, height: 1000 });
    await page.waitForSelector('body[data-ready="true"]');
    await page.selectOption('#sound', 'Wide Chorus');
    await page.click('#use-example');
    await page.click('#render-button');
    await page.waitForSelector('#render-result:not([hidden])');
    await page.keyboard.down('KeyJ');
    await page.keyboard.down('KeyG');
    await page.waitForTimeout(700);
    await page.screenshot({ path: output, fullPage: true });
    console.log(`wrote ${output}`);
} finally {
    await session.close();
}
