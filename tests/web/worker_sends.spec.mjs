// What the worker sends the page: only what a shown panel needs, and no
// more of the console than the page keeps (its last 1,010,000 characters as
// shown), compared with the native zar run.
import { test, expect } from '@playwright/test';
import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';

const root = path.resolve(path.dirname(new URL(import.meta.url).pathname), '../..');
const zar = path.join(process.env.ZAR_NATIVE ?? path.join(root, 'build'), 'cli/zar');
const scratch = fs.mkdtempSync(path.join(os.tmpdir(), 'zar-sends-'));
const Keep = 1_010_000;

// Every reply of the worker, by the fields it carries.
async function recordReplies(page) {
  await page.addInitScript(() => {
    window.replies = [];
    const Base = window.Worker;
    window.Worker = class extends Base {
      constructor(...args) {
        super(...args);
        this.addEventListener('message', (e) => {
          if (e.data.type === 'update') window.replies.push(Object.keys(e.data).filter((k) => e.data[k] !== undefined));
        });
      }
    };
  });
}
async function open(page) {
  await page.goto('index.html');
  await page.waitForSelector('body[data-ready="1"]');
}
// The fields of the updates that come while the screen program runs on.
async function fieldsWhileRunning(page) {
  await page.evaluate(() => { window.replies = []; });
  const runs = Number((await page.locator('body').getAttribute('data-runs')) ?? 0);
  await page.evaluate(() => window.zar({ type: 'run', steps: 20000 }));
  await page.waitForSelector(`body[data-runs="${runs + 1}"]`);
  await page.waitForTimeout(100);
  return new Set(await page.evaluate(() => window.replies.flat()));
}

test('hidden panels are not sent: only what a shown panel needs', async ({ page }) => {
  await recordReplies(page);
  await open(page);
  await page.evaluate((bytes) => window.zar({ type: 'load', bytes: new Uint8Array(bytes), name: 'screen.OIA' }),
    [...fs.readFileSync(path.join(root, 'examples/screen.OIA'))]);
  const panelFields = ['screenRows', 'history', 'instruction', 'depth'];
  const sent = (fields) => panelFields.filter((f) => fields.has(f));
  expect(sent(await fieldsWhileRunning(page))).toEqual([]);
  await page.click('#msop');
  expect(sent(await fieldsWhileRunning(page))).toEqual(['screenRows']);
  await page.click('#mhist');
  await page.click('#mdbg');
  expect(sent(await fieldsWhileRunning(page))).toEqual(panelFields);
  for (const id of ['#msop', '#mhist', '#mdbg']) await page.click(id);
  const hidden = await fieldsWhileRunning(page);
  expect(sent(hidden)).toEqual([]);
  expect(hidden.has('memory')).toBe(true);
});

// "a\r\n" for ever: the shown console (a line break for the pair) is two
// thirds of what was printed.
const flood = 'MOV,a,159\nMOV,cr,243\nMOV,lf,246\n:loop\nSUB,255,a,?\nSUB,255,cr,?\nSUB,255,lf,?\nGTO,loop\n' +
  'SET,a\nSET,cr\nSET,lf\n';
// The console as the page shows it after zar run: the characters the
// console keeps (it drops the oldest million when it holds two), their line
// breaks as one, and no more than the last 1,010,000 of those.
function nativeConsole(program, steps) {
  const r = spawnSync(zar, ['run', program, '--steps', String(steps)], { encoding: 'latin1', maxBuffer: 1 << 26 });
  expect(r.status, r.stderr).toBe(0);
  const [printed, room] = [r.stdout.length, 2 * Keep];
  const kept = printed < room ? printed : Keep + ((printed - room) % (room - Keep));
  return r.stdout.slice(-kept).replace(/\r\n|\r/g, '\n').slice(-Keep);
}

const shown = async (page) => page.evaluate(() => ({
  text: document.getElementById('cbox').textContent, part: Number(document.body.dataset.consolePart),
  dropped: !document.getElementById('dropped').hidden,
}));

for (const [steps, cut] of [[2_500_000, true], [2_800_000, false]]) {
  test(`the worker sends no more of a long console than the page keeps (${steps} steps), run and gone back`,
    async ({ page }) => {
      const program = path.join(scratch, 'flood.OIA');
      fs.writeFileSync(program, flood);
      await open(page);
      await page.evaluate(([bytes, n]) => {
        window.zar({ type: 'load', bytes: new Uint8Array(bytes), name: 'flood.OIA' });
        window.zar({ type: 'run', steps: n });
      }, [[...fs.readFileSync(program)], steps]);
      await page.waitForSelector('body[data-runs="1"]');
      for (const back of [0, 1, 4999]) {
        if (back) {
          const now = Number(await page.locator('body').getAttribute('data-steps'));
          await page.evaluate((b) => window.zar({ type: 'stepBack', steps: b }), back);
          await page.waitForSelector(`body[data-steps="${now - back}"]`);
          await page.waitForTimeout(100);
        }
        const n = Number(await page.locator('body').getAttribute('data-steps'));
        const want = nativeConsole(program, n);
        expect(want.length === Keep).toBe(cut);
        const got = await shown(page);
        expect({ n, part: got.part, length: got.text.length, same: got.text === want, dropped: got.dropped })
          .toEqual({ n, part: want.length, length: want.length, same: true, dropped: true });
      }
      // Cleared and printed afresh: nothing dropped, nothing cut.
      await page.evaluate(() => {
        window.zar({ type: 'clearConsole' });
        window.zar({ type: 'run', steps: 4000 });
      });
      await page.waitForSelector('body[data-runs="2"]');
      await expect(page.locator('#cbox')).toHaveText(/^\n?(a\n){990,1000}a?$/);
      await expect(page.locator('#dropped')).toBeHidden();
    });
}
