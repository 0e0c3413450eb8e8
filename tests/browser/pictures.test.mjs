// The PNG and animated GIF exports as a browser shows them: both load in
// Debian's Chromium at the drawing's size, and the browser's own image
// decoder finds the GIF's three frames. CTest passes the files' paths.
import { after, before, describe, it } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { pathToFileURL } from 'node:url';
import { launchChromium } from './harness.mjs';

const pngPath = process.env.GW_PICTURE_PNG;
const gifPath = process.env.GW_PICTURE_GIF;
if (!pngPath || !gifPath)
    throw new Error('GW_PICTURE_PNG and GW_PICTURE_GIF are not set: run this test through ctest');

describe('picture exports in Chromium', () => {
    let chromium;
    let browser;
    let dir;

    before(async () => {
        chromium = await launchChromium('gw-pictures-');
        ({ browser, home: dir } = chromium);
    });

    after(() => chromium?.close());

    it('shows the PNG and the GIF at the same size and decodes three GIF frames', async () => {
        const page = await browser.newPage();
        const html = path.join(dir, 'show.htm');
        fs.writeFileSync(html, `<!DOCTYPE html><img id="png" src="${pathToFileURL(pngPath).href}">` +
            `<img id="gif" src="${pathToFileURL(gifPath).href}">`);
        await page.goto(pathToFileURL(html).href);
        await page.waitForFunction(() => [...document.images].every((i) => i.complete));
        const sizes = await page.evaluate(() => [...document.images].map(
            (i) => [i.naturalWidth, i.naturalHeight]));
        assert.ok(sizes[0][0] > 0 && sizes[0][1] > 0, 'the PNG is shown');
        assert.deepEqual(sizes[1], sizes[0], 'the GIF has the frame\'s size');

        const gif = [...fs.readFileSync(gifPath)];
        const frames = await page.evaluate(async (bytes) => {
            const decoder = new ImageDecoder({ data: new Uint8Array(bytes), type: 'image/gif' });
            await decoder.tracks.ready;
            const track = decoder.tracks.selectedTrack;
            return { count: track.frameCount, loops: track.repetitionCount };
        }, gif);
        assert.equal(frames.count, 3);
        assert.equal(frames.loops, Infinity, 'the GIF loops forever');
    });
});
