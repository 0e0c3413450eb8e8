// Plays the animated HTML export in Debian's Chromium and works its controls
// the way a viewer would. The pages come from make_anim_page (three frames
// and one frame, white background, 100 ms a frame); CTest passes their paths
// and the screenshot's path in the environment.
import { after, before, describe, it } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { pathToFileURL } from 'node:url';

const CHROMIUM = '/usr/bin/chromium';
const DELAY_MS = 100;
const SETUP_HINT = 'run scripts/browser_deps.sh to install it';

function requireEnv(name) {
    const value = process.env[name];
    if (!value) {
        throw new Error(
            `${name} is not set: run this test through ctest (test browser_anim_page)`);
    }
    return value;
}

// Defined in every page before its own scripts run: a sampler that records
// each change of the set of visible layers (computed visibility of the
// elements text0, text1, ...), polling every 5 ms.
function installSampler() {
    window.__gwVisible = () => {
        const ids = [];
        for (const el of document.querySelectorAll('[id^=text]')) {
            if (/^text\d+$/.test(el.id) && getComputedStyle(el).visibility === 'visible')
                ids.push(el.id);
        }
        return ids.join(',');
    };
    window.__gwSeen = [{ ids: '', t: performance.now() }];
    setInterval(() => {
        const ids = window.__gwVisible();
        if (window.__gwSeen[window.__gwSeen.length - 1].ids !== ids)
            window.__gwSeen.push({ ids, t: performance.now() });
    }, 5);
}

// What the test needs, checked before any test starts so that a machine
// without it fails at once with the reason.
function missing(what) {
    const message = `${what}: ${SETUP_HINT}`;
    console.error(`anim_page.test.mjs: ${message}`);
    return new Error(message);
}
const page3Path = requireEnv('GW_ANIM_PAGE');
const page1Path = requireEnv('GW_ANIM_PAGE_SINGLE');
const screenshotPath = requireEnv('GW_ANIM_SCREENSHOT');
for (const file of [page3Path, page1Path]) {
    if (!fs.existsSync(file))
        throw new Error(`${file} is missing: make_anim_page did not write it`);
}
try {
    fs.accessSync(CHROMIUM, fs.constants.X_OK);
} catch {
    throw missing(`${CHROMIUM} is missing (Debian package chromium)`);
}
let chromium;
try {
    ({ chromium } = await import('playwright-core'));
} catch (e) {
    throw missing(`playwright-core is not installed in tests/browser/node_modules (${e.code})`);
}
const page3Url = pathToFileURL(page3Path).href;
const page1Url = pathToFileURL(page1Path).href;

describe('animated HTML page in Chromium', () => {
    let browser;
    let profileDir;

    before(async () => {
        // Chromium gets a private home as well as Playwright's fresh profile,
        // so nothing of the user's is read or written.
        profileDir = fs.mkdtempSync(path.join(os.tmpdir(), 'gw-browser-'));
        browser = await chromium.launch({
            executablePath: CHROMIUM,
            args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic',
                '--no-first-run', '--disable-background-networking',
                '--disable-component-update', '--disable-sync'],
            env: {
                ...process.env,
                HOME: profileDir,
                XDG_CONFIG_HOME: path.join(profileDir, 'config'),
                XDG_CACHE_HOME: path.join(profileDir, 'cache'),
            },
            timeout: 60000,
        });
    });

    after(async () => {
        await browser?.close();
        if (profileDir)
            fs.rmSync(profileDir, { recursive: true, force: true });
    });

    // Opens a page in its own context; script errors are collected and
    // checked when the test ends.
    async function open(url, t) {
        const context = await browser.newContext({ viewport: { width: 640, height: 400 } });
        await context.addInitScript(installSampler);
        const page = await context.newPage();
        const errors = [];
        page.on('pageerror', (e) => errors.push(e.message));
        page.on('console', (m) => { if (m.type() === 'error') errors.push(m.text()); });
        t.after(async () => {
            await context.close();
            assert.deepEqual(errors, [], 'the page reported script errors');
        });
        await page.goto(url);
        await page.waitForFunction(() => window.__gwVisible() !== '');
        return page;
    }

    const visible = (page) => page.evaluate(() => window.__gwVisible());
    const seen = (page) => page.evaluate(() => window.__gwSeen.map((s) => s.ids));
    const next = (id, count) => `text${(Number(id.slice(4)) % count) + 1}`;

    // Number of layer changes the sampler sees during ms milliseconds.
    async function changesDuring(page, ms) {
        const start = await page.evaluate(() => window.__gwSeen.length);
        await page.waitForTimeout(ms);
        return (await page.evaluate(() => window.__gwSeen.length)) - start;
    }

    it('starts at frame 1 and cycles text1, text2, text3, text1 at the delay', async (t) => {
        const page = await open(page3Url, t);
        await page.waitForFunction(() => window.__gwSeen.length >= 5, null, { timeout: 10000 });
        const samples = await page.evaluate(() => window.__gwSeen.slice(0, 5));
        assert.deepEqual(samples.map((s) => s.ids), ['', 'text1', 'text2', 'text3', 'text1'],
            'exactly one layer is visible at a time, in order');
        for (let i = 2; i < samples.length; ++i) {
            const gap = samples[i].t - samples[i - 1].t;
            assert.ok(gap >= DELAY_MS * 0.5 && gap < DELAY_MS * 20, `frame shown for ${gap} ms`);
        }
        assert.equal(await page.inputValue('input[name=D0]'), String(DELAY_MS));
        const texts = await page.evaluate(() =>
            [1, 2, 3].map((n) => document.getElementById(`text${n}`).textContent));
        texts.forEach((text, i) => assert.match(text, new RegExp(`FRAME ${i + 1} of 3`)));
    });

    it('Step pauses and resumes, without a second timer after a quick pause and resume',
        async (t) => {
            const page = await open(page3Url, t);
            const paused = await page.evaluate(() => {
                document.F0.B0.click();
                return { label: document.F0.B0.value, shown: window.__gwVisible() };
            });
            assert.equal(paused.label, ' Play  ');
            await page.waitForTimeout(DELAY_MS * 4);
            assert.equal(await visible(page), paused.shown, 'no frame change while paused');

            await page.locator('input[name=B0]').click();
            assert.equal(await page.inputValue('input[name=B0]'), ' Pause ');
            const resumed = await changesDuring(page, 1000);
            assert.ok(resumed >= 2 && resumed <= 13, `${resumed} frame changes in 1 s after resume`);

            await page.evaluate(() => { document.F0.B0.click(); document.F0.B0.click(); });
            assert.equal(await page.inputValue('input[name=B0]'), ' Pause ');
            const again = await changesDuring(page, 1000);
            assert.ok(again >= 2 && again <= 13, `${again} frame changes in 1 s: one timer only`);
        });

    it('--> shows the next frame, labels B0 " Auto " and stops', async (t) => {
        const page = await open(page3Url, t);
        const step = () => page.evaluate(() => {
            const before = window.__gwVisible();
            document.F0.B1.click();
            return { before, after: window.__gwVisible(), label: document.F0.B0.value };
        });
        const first = await step();
        assert.equal(first.after, next(first.before, 3));
        assert.equal(first.label, ' Auto ');
        await page.waitForTimeout(DELAY_MS * 4);
        assert.equal(await visible(page), first.after, 'stopped after -->');

        const second = await step();
        assert.equal(second.before, first.after);
        assert.equal(second.after, next(first.after, 3));

        await page.locator('input[name=B0]').click();
        assert.equal(await page.inputValue('input[name=B0]'), ' Pause ');
        assert.ok(await changesDuring(page, 600) >= 2, 'Step after --> plays again');
    });

    it('font-size list enables only the chosen style element and returns to "Font size"',
        async (t) => {
            const page = await open(page3Url, t);
            const state = () => page.evaluate(() => ({
                disabled: Array.from(document.styleSheets, (s) => s.disabled),
                size: getComputedStyle(document.querySelector('#text1 pre')).fontSize,
                index: document.mainform.fontsize_select.selectedIndex,
                label: document.mainform.fontsize_select.selectedOptions[0].text,
            }));
            const sizes = await page.evaluate(() =>
                Array.from(document.styleSheets).slice(0, 13).map((s) => s.cssRules[0].style.fontSize));
            assert.deepEqual(sizes, [...Array(12)].map((_, i) => `${i + 1}px`).concat(['10px']));
            const options = await page.evaluate(() => Array.from(
                document.mainform.fontsize_select.options, (o) => `${o.value}:${o.text}`));
            assert.deepEqual(options, ['00:Font size',
                ...[...Array(12)].map((_, i) => `${String(i + 1).padStart(2, '0')}:${i + 1}px`)]);

            const initial = await state();
            assert.equal(initial.disabled.length, 14, '13 font sizes and the layer style');
            assert.ok(initial.disabled.every((d) => !d));
            assert.equal(initial.size, '10px', 'the last of the 13 decides at first');

            for (const k of [4, 12, 10, 1]) {
                await page.selectOption('select[name=fontsize_select]', String(k).padStart(2, '0'));
                const s = await state();
                const expected = [...Array(13)].map((_, i) => i !== k - 1).concat([false]);
                assert.deepEqual(s.disabled, expected, `only style element ${k} after ${k}px`);
                assert.equal(s.size, `${k}px`);
                assert.equal(s.index, 0);
                assert.equal(s.label, 'Font size');
            }
        });

    it('layer style rules cover text0 to text3 and the text is fixed pitch', async (t) => {
        const page = await open(page3Url, t);
        const rules = await page.evaluate(() => {
            const sheet = document.styleSheets[13];
            return Array.from(sheet.cssRules, (r) => ({
                selector: r.selectorText,
                position: r.style.position, left: r.style.left, top: r.style.top,
                width: r.style.width, height: r.style.height,
                zIndex: r.style.zIndex, visibility: r.style.visibility,
            }));
        });
        assert.deepEqual(rules, [0, 1, 2, 3].map((i) => ({
            selector: `#text${i}`, position: 'absolute', left: '8px', top: '80px',
            width: '300px', height: '187px', zIndex: String(i), visibility: 'hidden',
        })));
        const box = await page.evaluate(() => {
            const r = document.getElementById('text1').getBoundingClientRect();
            return { left: r.left, top: r.top };
        });
        assert.deepEqual(box, { left: 8, top: 80 });

        // Character art only lines up in a fixed-pitch font.
        const widths = await page.evaluate(() => {
            const pre = document.querySelector('#text1 pre');
            const measure = (text) => {
                const span = document.createElement('span');
                span.textContent = text;
                pre.appendChild(span);
                const w = span.getBoundingClientRect().width;
                span.remove();
                return w;
            };
            return [measure('iiiiiiiiii'), measure('WWWWWWWWWW'), measure('          ')];
        });
        assert.ok(Math.abs(widths[0] - widths[1]) < 0.5 && Math.abs(widths[0] - widths[2]) < 0.5,
            `widths of i, W and space runs: ${widths}`);
    });

    it('body background is the inserted colour', async (t) => {
        const page = await open(page3Url, t);
        assert.equal(await page.evaluate(() => document.body.bgColor), '#ffffff');
        assert.equal(await page.evaluate(() => getComputedStyle(document.body).backgroundColor),
            'rgb(255, 255, 255)');
    });

    it('a single frame keeps showing', async (t) => {
        const page = await open(page1Url, t);
        assert.equal(await page.evaluate(() => max_pics), 1);
        await page.waitForTimeout(DELAY_MS * 6);
        assert.deepEqual(await seen(page), ['', 'text1']);
        assert.equal(await visible(page), 'text1');
        assert.match(await page.textContent('#text1'), /ONLY FRAME/);
    });

    it('looks right (screenshot)', async (t) => {
        const page = await open(page3Url, t);
        await page.evaluate(() => document.F0.B0.click()); // pause on a frame
        fs.mkdirSync(path.dirname(screenshotPath), { recursive: true });
        await page.screenshot({ path: screenshotPath, fullPage: true });
        assert.ok(fs.statSync(screenshotPath).size > 1000);
    });
});
