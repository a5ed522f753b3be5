// Offline and installable: after one visit the site starts, loads and runs a
// program and opens an exercise with no network, as the native zar runs it,
// with the learner's files; a new build takes over on the next start and the
// files (IndexedDB) stay. Each test serves a copy of the site of its own, to
// stop the server or change the site.
import { test, expect } from '@playwright/test';
import { spawn } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import { arrive, ascii, example, flush, load, nativeRun, pageState, root, run, scratch, stored } from './support.mjs';

// A copy of the site, served; after one visit, which the service worker
// controls, with a file of the learner's kept.
async function visit(page) {
  const dir = scratch('offline');
  fs.cpSync(process.env.ZAR_SITE ?? path.join(root, 'build-web/site'), dir, { recursive: true });
  // On a free port, which the server prints.
  const server = spawn('python3', ['-u', '-m', 'http.server', '0', '--bind', '127.0.0.1', '--directory', dir],
    { stdio: ['ignore', 'pipe', 'ignore'] });
  const port = await new Promise((done) => server.stdout.on('data', (d) => /port (\d+)/.test(d) && done(RegExp.$1)));
  await page.goto(`http://127.0.0.1:${port}/index.html`);
  await page.waitForSelector('body[data-ready="1"][data-offline="ready"]');
  await expect(page.locator('#newVersion')).toBeHidden();  // the first version is no news
  await page.waitForFunction(() => window.zarFiles);
  await arrive(page, 'mine.OIA', ascii('SUB,1,1,0'));
  await flush(page);
  const stop = () => new Promise((done) => server.once('exit', done).kill());
  return { dir, stop };
}
async function restart(page) {
  await page.reload();
  await page.waitForSelector('body[data-ready="1"]');
  await page.waitForFunction(() => window.zarFiles);
}
const mine = [{ name: 'mine.OIA', bytes: ascii('SUB,1,1,0') }];

test('after one visit the site starts, runs a program, opens an exercise and is installable with no network',
  async ({ page, context }) => {
    await (await visit(page)).stop();
    await context.setOffline(true);
    await restart(page);
    expect(await stored(page)).toEqual(mine);
    const program = example('countdown.OIA');
    await load(page, program);
    await run(page, 5000);
    expect(await pageState(page)).toEqual(nativeRun(program, '', 5000));
    const opened = await page.evaluate(() => window.zarExercises.open({ name: '01_print_a_character' }));
    expect(opened.title).toBe('Print a character');
    const manifest = await page.evaluate(async () => {
      const m = await (await fetch(document.querySelector('link[rel="manifest"]').href)).json();
      const icons = await Promise.all(m.icons.map(async (i) => [i.sizes, (await fetch(i.src)).headers.get('content-type')]));
      return { name: m.name, display: m.display, start: m.start_url, icons };
    });
    expect(manifest).toEqual({ name: 'OISC ZAR by the ZAR team', display: 'standalone', start: './index.html',
      icons: [['any', 'image/svg+xml'], ['192x192', 'image/png'], ['512x512', 'image/png']] });
  });

// When the browser looks for a new service worker is its own business: under
// load the look may come a start later than this test waits for.
test.describe(() => {
  test.describe.configure({ retries: 2 });
  test('a new version takes over on the next start and the files in IndexedDB stay', async ({ page }) => {
    const { dir, stop } = await visit(page);
    try {
      const [old] = await page.evaluate(() => caches.keys());
      // The next build: another page, another version.
      const edit = (f, from, to) => fs.writeFileSync(path.join(dir, f), fs.readFileSync(path.join(dir, f), 'latin1').replace(from, to));
      edit('index.html', '</body>', '<p id="nextVersion">next</p></body>');
      edit('sw.js', old, `${old}0`);
      // This start shows the old page and fetches the new one, which the next start shows.
      await restart(page);
      await expect(page.locator('#nextVersion')).toHaveCount(0);
      // The browser looks for the new build at a start, now and then only at the
      // one after: started again until it has taken over.
      await expect.poll(async () => {
        const keys = await page.evaluate(() => caches.keys());
        if (keys[0] !== `${old}0`) await restart(page);
        return keys;
      }, { timeout: 60_000, intervals: [3_000] }).toEqual([`${old}0`]);
      // The page open when the new build took over says so; one started after
      // that is the new build's already.
      await expect.poll(async () => (await page.locator('#newVersion').isVisible())
        || (await page.locator('#nextVersion').count()) === 1).toBe(true);
      await restart(page);
      await expect(page.locator('#nextVersion')).toHaveText('next');
      expect(await stored(page)).toEqual(mine);
    } finally {
      await stop();
    }
  });
});
