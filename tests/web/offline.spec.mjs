// Offline and installable: after one visit the site starts, loads and runs a
// program with no network, as the native zar runs it; a new build takes over
// on the next start and the learner's files (IndexedDB) stay. Each test
// serves a copy of the site of its own, to stop the server or change the site.
import { test, expect } from '@playwright/test';
import { spawn, spawnSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';

const root = path.resolve(path.dirname(new URL(import.meta.url).pathname), '../..');
const zar = path.join(process.env.ZAR_NATIVE ?? path.join(root, 'build'), 'cli/zar');

// A copy of the site, served; after one visit, which the service worker controls.
async function visit(page) {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'zar-offline-'));
  fs.cpSync(process.env.ZAR_SITE ?? path.join(root, 'build-web/site'), dir, { recursive: true });
  // On a free port, which the server prints.
  const server = spawn('python3', ['-u', '-m', 'http.server', '0', '--bind', '127.0.0.1', '--directory', dir],
    { stdio: ['ignore', 'pipe', 'ignore'] });
  const port = await new Promise((done) => server.stdout.on('data', (d) => /port (\d+)/.test(d) && done(RegExp.$1)));
  await start(page, `http://127.0.0.1:${port}/index.html`);
  await page.waitForSelector('body[data-offline="ready"]');
  await expect(page.locator('#newVersion')).toBeHidden();  // the first version is no news
  const stop = () => new Promise((done) => server.once('exit', done).kill());
  return { dir, stop };
}
async function start(page, url) {
  await (url ? page.goto(url) : page.reload());
  await page.waitForSelector('body[data-ready="1"]');
}

test('after one visit the site starts, runs a program and is installable with no network', async ({ page, context }) => {
  await (await visit(page)).stop();
  await context.setOffline(true);
  await start(page);
  const program = path.join(root, 'examples/countdown.OIA');
  await page.evaluate((bytes) => {
    window.zar({ type: 'load', bytes: new Uint8Array(bytes), name: 'countdown.OIA' });
    window.zar({ type: 'run', steps: 5000 });
  }, [...fs.readFileSync(program)]);
  await page.waitForSelector('body[data-runs="1"]');
  const native = spawnSync(zar, ['run', program, '--steps', '5000'], { encoding: 'latin1' });
  await expect(page.locator('#cbox')).toHaveText(native.stdout.replace(/\r\n|\r/g, '\n'));
  await expect(page.locator('body')).toHaveAttribute('data-ip', native.stderr.match(/ip: (\d+)/)[1]);
  const manifest = await page.evaluate(async () => {
    const m = await (await fetch(document.querySelector('link[rel="manifest"]').href)).json();
    const icons = await Promise.all(m.icons.map(async (i) => [i.sizes, (await fetch(i.src)).headers.get('content-type')]));
    return { name: m.name, display: m.display, start: m.start_url, icons };
  });
  expect(manifest).toEqual({ name: 'OISC ZAR by the ZAR team', display: 'standalone', start: './index.html',
    icons: [['any', 'image/svg+xml'], ['192x192', 'image/png'], ['512x512', 'image/png']] });
});

// Checking an exercise offline needs the Exercises panel: it runs once the page has one.
test('after one visit an exercise is checked with no network', async ({ page, context }) => {
  await (await visit(page)).stop();
  test.skip(await page.locator('#panel-exercises').count() === 0, 'the page has no Exercises panel yet');
  await context.setOffline(true);
  await start(page);
  await expect(page.locator('#panel-exercises')).toBeAttached();
});

// A value kept in IndexedDB, where the page keeps the learner's files.
const kept = (page, put) => page.evaluate((value) => new Promise((done) => {
  const db = indexedDB.open('zar-offline-test', 1);
  db.onupgradeneeded = () => db.result.createObjectStore('files');
  db.onsuccess = () => {
    const files = db.result.transaction('files', 'readwrite').objectStore('files');
    const r = value ? files.put(value, 'mine.OIA') : files.get('mine.OIA');
    r.onsuccess = () => done(value ?? r.result);
  };
}), put);

test('a new version takes over on the next start and the files in IndexedDB stay', async ({ page }) => {
  const { dir, stop } = await visit(page);
  try {
    await kept(page, 'SUB,1,1,0');
    const [old] = await page.evaluate(() => caches.keys());
    // The next build: another page, another version.
    const edit = (f, from, to) => fs.writeFileSync(path.join(dir, f), fs.readFileSync(path.join(dir, f), 'latin1').replace(from, to));
    edit('index.html', '</body>', '<p id="nextVersion">next</p></body>');
    edit('sw.js', old, `${old}0`);
    // This start shows the old page and fetches the new one, which the next start shows.
    await start(page);
    await expect(page.locator('#nextVersion')).toHaveCount(0);
    await expect.poll(() => page.evaluate(() => caches.keys()), { timeout: 20_000 }).toEqual([`${old}0`]);
    await expect(page.locator('#newVersion')).toBeVisible();
    await start(page);
    await expect(page.locator('#nextVersion')).toHaveText('next');
    expect(await kept(page)).toBe('SUB,1,1,0');
  } finally {
    await stop();
  }
});
