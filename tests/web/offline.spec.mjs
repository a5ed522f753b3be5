// Offline and installable: after one visit the site starts, loads and runs a
// program with no network, as the native zar runs it; a new build takes over
// on the next start and the learner's files (IndexedDB) stay. Each test
// serves a copy of the site of its own, so that it can stop the server or
// change the site.
import { test, expect } from '@playwright/test';
import { spawn, spawnSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';

const root = path.resolve(path.dirname(new URL(import.meta.url).pathname), '../..');
const site = process.env.ZAR_SITE ?? path.join(root, 'build-web/site');
const zar = path.join(process.env.ZAR_NATIVE ?? path.join(root, 'build'), 'cli/zar');
const port = Number(process.env.ZAR_WEB_PORT ?? 8765) + 1;
const origin = `http://127.0.0.1:${port}/`;

async function serve(dir) {
  const server = spawn('python3', ['-m', 'http.server', String(port), '--bind', '127.0.0.1', '--directory', dir],
    { stdio: 'ignore' });
  for (let i = 0; i < 100; ++i) {
    try {
      if ((await fetch(`${origin}index.html`)).ok) return server;
    } catch { /* not listening yet */ }
    await new Promise((r) => setTimeout(r, 100));
  }
  throw new Error('the site server did not start');
}
async function stop(server) {
  const gone = new Promise((r) => server.once('exit', r));
  server.kill();
  await gone;
}
function copyOfSite() {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'zar-offline-'));
  fs.cpSync(site, dir, { recursive: true });
  return dir;
}
async function open(page) {
  await page.goto(`${origin}index.html`);
  await page.waitForSelector('body[data-ready="1"]');
}

test('after one visit the site starts and runs a program with no network', async ({ page, context }) => {
  const server = await serve(copyOfSite());
  try {
    await open(page);
    await page.waitForSelector('body[data-offline="ready"]');
  } finally {
    await stop(server);
  }
  await context.setOffline(true);
  await page.reload();
  await page.waitForSelector('body[data-ready="1"]');
  await expect(page.locator('#p1')).toBeVisible();
  const program = path.join(root, 'examples/countdown.OIA');
  await page.evaluate((bytes) => {
    window.zar({ type: 'load', bytes: new Uint8Array(bytes), name: 'countdown.OIA' });
    window.zar({ type: 'run', steps: 5000 });
  }, [...fs.readFileSync(program)]);
  await page.waitForSelector('body[data-runs="1"]');
  const native = spawnSync(zar, ['run', program, '--steps', '5000'], { encoding: 'latin1' });
  expect(native.status, native.stderr).toBe(0);
  await expect(page.locator('#cbox')).toHaveText(native.stdout.replace(/\r\n|\r/g, '\n'));
  await expect(page.locator('body')).toHaveAttribute('data-ip', native.stderr.match(/ip: (\d+)/)[1]);
});

// Checking an exercise offline needs the Exercises panel: it runs once a
// page has one.
test('after one visit an exercise is checked with no network', async ({ page, context }) => {
  const server = await serve(copyOfSite());
  try {
    await open(page);
    await page.waitForSelector('body[data-offline="ready"]');
  } finally {
    await stop(server);
  }
  test.skip(await page.locator('#panel-exercises').count() === 0, 'the page has no Exercises panel yet');
  await context.setOffline(true);
  await page.reload();
  await page.waitForSelector('body[data-ready="1"]');
  await expect(page.locator('#panel-exercises')).toBeAttached();
});

test('a new version takes over on the next start and the files in IndexedDB stay', async ({ page }) => {
  const dir = copyOfSite();
  const server = await serve(dir);
  try {
    await open(page);
    await page.waitForSelector('body[data-offline="ready"]');
    // A learner's file, where the page keeps them.
    await page.evaluate(() => new Promise((done, fail) => {
      const open = indexedDB.open('zar-offline-test', 1);
      open.onupgradeneeded = () => open.result.createObjectStore('files');
      open.onsuccess = () => {
        const t = open.result.transaction('files', 'readwrite');
        t.objectStore('files').put(new Uint8Array([83, 85, 66]), 'mine.OIA');
        t.oncomplete = () => done();
        t.onerror = () => fail(t.error);
      };
    }));
    const before = await page.evaluate(() => caches.keys());
    expect(before).toHaveLength(1);
    // The next build: another page, another version.
    fs.writeFileSync(path.join(dir, 'index.html'),
      fs.readFileSync(path.join(dir, 'index.html'), 'latin1').replace('</body>', '<p id="nextVersion">next</p></body>'));
    const sw = fs.readFileSync(path.join(dir, 'sw.js'), 'latin1');
    expect(sw).toContain(before[0]);
    fs.writeFileSync(path.join(dir, 'sw.js'), sw.replace(before[0], `${before[0]}0`));
    // This start still shows the old page and fetches the new version ...
    await page.reload();
    await page.waitForSelector('body[data-ready="1"]');
    await expect(page.locator('#nextVersion')).toHaveCount(0);
    await expect.poll(() => page.evaluate(() => caches.keys()), { timeout: 20_000 }).toEqual([`${before[0]}0`]);
    // ... which the next start shows.
    await page.reload();
    await page.waitForSelector('body[data-ready="1"]');
    await expect(page.locator('#nextVersion')).toHaveText('next');
    const kept = await page.evaluate(() => new Promise((done) => {
      const open = indexedDB.open('zar-offline-test', 1);
      open.onsuccess = () => {
        const get = open.result.transaction('files').objectStore('files').get('mine.OIA');
        get.onsuccess = () => done([...get.result]);
      };
    }));
    expect(kept).toEqual([83, 85, 66]);
  } finally {
    await stop(server);
  }
});

test('the site is installable: a manifest with its icons', async ({ page }) => {
  await page.goto('index.html');
  const manifest = await page.evaluate(async () => {
    const link = document.querySelector('link[rel="manifest"]');
    const m = await (await fetch(link.href)).json();
    const icons = [];
    for (const icon of m.icons) {
      const r = await fetch(new URL(icon.src, link.href));
      icons.push([icon.sizes, r.ok, r.headers.get('content-type')]);
    }
    return { name: m.name, display: m.display, start: m.start_url, icons };
  });
  expect(manifest).toEqual({
    name: 'OISC ZAR by the ZAR team', display: 'standalone', start: './index.html',
    icons: [['any', true, 'image/svg+xml'], ['192x192', true, 'image/png'], ['512x512', true, 'image/png']],
  });
});
