// What the browser tests share: Debian's Chromium started headless through
// playwright-core with a private home, so nothing of the user's is read or
// written, and stopped with its home removed.
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { chromium } from 'playwright-core';

export const CHROMIUM = '/usr/bin/chromium';

export async function launchChromium(prefix) {
    const home = fs.mkdtempSync(path.join(os.tmpdir(), prefix));
    const browser = await chromium.launch({
        executablePath: CHROMIUM,
        args: ['--headless', '--no-sandbox', '--disable-gpu', '--no-first-run',
            '--disable-background-networking', '--disable-component-update', '--disable-sync'],
        env: { ...process.env, HOME: home, XDG_CONFIG_HOME: path.join(home, 'config'),
            XDG_CACHE_HOME: path.join(home, 'cache') },
        timeout: 60000,
    });
    return {
        browser,
        home,
        async close() {
            await browser.close();
            fs.rmSync(home, { recursive: true, force: true });
        },
    };
}
