// The animated SVG export as Chromium shows it, paused at chosen times: the
// one visible frame, cell by cell, against the drawing's frame in cells.gwp.
import { after, before, describe, it } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { pathToFileURL } from 'node:url';
import { launchChromium } from './harness.mjs';

const TURN_MS = 200; // --interval 2
const BACK = '#102030';
const dir = process.env.GW_SVG_DIR;
if (!dir)
    throw new Error('GW_SVG_DIR is not set: run this test through ctest');

// The drawing's frames as rows of [byte, colour]: "GWHEADER", frames,
// columns, rows, then 16-byte cells (colour first, byte at 12).
function readFrames(file) {
    const bytes = fs.readFileSync(file);
    const [nFrames, nCols, nRows] = [8, 12, 16].map((o) => bytes.readInt32LE(o));
    const hex = (at) => '#' + [0, 1, 2]
        .map((n) => bytes[at + n].toString(16).padStart(2, '0')).join('');
    const row = (f, r) => Array.from({ length: nCols },
        (_, c) => 20 + ((f * nRows + r) * nCols + c) * 16).map((at) => [bytes[at + 12], hex(at)]);
    const frames = Array.from({ length: nFrames },
        (_, f) => Array.from({ length: nRows }, (_, r) => row(f, r)));
    return { frames, nRows };
}

// In the page: the visible groups' ids and the first one's cells as rows of
// [character, fill]; a blank has no colour of its own.
function shown() {
    const groups = [...document.querySelectorAll('g')]
        .filter((g) => getComputedStyle(g).visibility === 'visible');
    const svg = document.documentElement;
    const rowHeight = svg.height.baseVal.value / window.gwRows;
    const rgb = (el) => {
        const m = getComputedStyle(el).fill.match(/\d+/g).map(Number);
        return '#' + m.map((n) => n.toString(16).padStart(2, '0')).join('');
    };
    const rows = Array.from({ length: window.gwRows }, () => []);
    for (const text of groups[0]?.querySelectorAll('text') ?? []) {
        const row = rows[Math.floor(text.y.baseVal[0].value / rowHeight)];
        for (const node of text.childNodes) {
            const fill = rgb(node.nodeType === Node.TEXT_NODE ? text : node);
            for (const ch of node.textContent)
                row.push([ch, ch === ' ' ? '' : fill]);
        }
    }
    return { ids: groups.map((g) => g.id), rows };
}

// The frame as shown: bytes as Windows-1252 (Chromium's table; Node's may
// lack it), trailing blanks left out.
let cp1252 = [];
function expected(frame) {
    return frame.map((row) => {
        const cells = row.map(([byte, fill]) => [cp1252[byte], cp1252[byte] === ' ' ? '' : fill]);
        while (cells.length && cells[cells.length - 1][0] === ' ')
            cells.pop();
        return cells;
    });
}

describe('animated SVG export in Chromium', () => {
    let chromium;
    let browser;
    const { frames, nRows } = readFrames(path.join(dir, 'cells.gwp'));

    before(async () => {
        chromium = await launchChromium('gw-svg-');
        browser = chromium.browser;
        const page = await browser.newPage();
        cp1252 = await page.evaluate(() => Array.from({ length: 256 },
            (_, n) => new TextDecoder('windows-1252').decode(new Uint8Array([n]))));
        await page.close();
    });

    after(() => chromium?.close());

    async function open(name, t) {
        const page = await browser.newPage();
        t.after(() => page.close());
        const errors = [];
        page.on('pageerror', (e) => errors.push(e.message));
        await page.goto(pathToFileURL(path.join(dir, name)).href);
        await page.evaluate((n) => { window.gwRows = n; }, nRows);
        assert.deepEqual(errors, []);
        assert.equal(await page.evaluate(() => document.scripts.length), 0, 'no script');
        return page;
    }

    // Pauses every animation at time ms, or with null cancels them as a viewer
    // that runs none, and reads what is shown.
    const at = (page, ms) => page.evaluate(([ms, read]) => {
        for (const a of document.getAnimations()) {
            if (ms === null) {
                a.cancel();
            } else {
                a.pause();
                a.currentTime = ms;
            }
        }
        return eval(`(${read})`)();
    }, [ms, shown.toString()]);

    it('shows exactly the frame whose turn it is, its text and colours', async (t) => {
        const page = await open('cells_loop.svg', t);
        assert.equal(await page.evaluate(() => document.getAnimations().length), frames.length);
        const background = await page.evaluate(() => [...document.querySelectorAll('g > rect')]
            .map((r) => r.getAttribute('fill')));
        assert.deepEqual(background, frames.map(() => BACK));
        const cycle = TURN_MS * frames.length;
        // Mid-turn, just inside each end of a turn, and in a later cycle.
        for (let f = 0; f < frames.length; ++f) {
            for (const ms of [100, 1, TURN_MS - 1, 5 * cycle + 50].map((d) => f * TURN_MS + d)) {
                const view = await at(page, ms);
                assert.deepEqual(view.ids, [`f${f + 1}`], `at ${ms} ms`);
                assert.deepEqual(view.rows, expected(frames[f]), `frame ${f + 1} at ${ms} ms`);
            }
        }
    });

    it('shows the first frame alone when animations do not run', async (t) => {
        for (const name of ['cells_loop.svg', 'cells_once.svg']) {
            const view = await at(await open(name, t), null);
            assert.deepEqual(view.ids, ['f1'], name);
            assert.deepEqual(view.rows, expected(frames[0]), name);
        }
    });

    it('played once, stops on the last frame', async (t) => {
        const page = await open('cells_once.svg', t);
        const end = TURN_MS * frames.length;
        assert.deepEqual((await at(page, TURN_MS + 100)).ids, ['f2']);
        for (const ms of [end - 1, end, end + 5000])
            assert.deepEqual((await at(page, ms)).ids, [`f${frames.length}`], `at ${ms} ms`);
    });
});
