// What the worker sends the page: only what a shown panel needs, and no
// more of the console than the page keeps (its last 1,010,000 characters as
// shown), compared with the native zar run.
import { test, expect } from '@playwright/test';
import fs from 'node:fs';
import path from 'node:path';
import { counter, example, load, open, run, runNative, scratch } from './support.mjs';

const Keep = 1_010_000;

test('hidden panels are not sent: only what a shown panel needs', async ({ page }) => {
  // Every update's fields, as the worker posts them.
  await page.addInitScript(() => {
    window.fields = new Set();
    window.Worker = class extends window.Worker {
      constructor(...args) {
        super(...args);
        this.addEventListener('message', ({ data }) => Object.keys(data).forEach((k) => data[k] !== undefined && window.fields.add(k)));
      }
    };
  });
  await open(page);
  await load(page, example('screen.OIA'));
  const panelFields = ['screenRows', 'history', 'instruction', 'depth'];
  for (const [ids, want] of [[[], []], [['#msop'], ['screenRows']], [['#mhist', '#mdbg'], panelFields],
    [['#msop', '#mhist', '#mdbg'], []]]) {
    for (const id of ids) await page.click(id);
    await page.evaluate(() => window.fields.clear());
    await run(page, 20000);
    await page.waitForTimeout(100);
    const fields = await page.evaluate(() => [...window.fields]);
    expect({ ids, sent: panelFields.filter((f) => fields.includes(f)), memory: fields.includes('memory') })
      .toEqual({ ids, sent: want, memory: true });
  }
});

// "a\r\n" for ever: the shown console (a line break for the pair) is two thirds of what was printed.
const flood = 'MOV,a,159\nMOV,cr,243\nMOV,lf,246\n:loop\nSUB,255,a,?\nSUB,255,cr,?\nSUB,255,lf,?\nGTO,loop\n' +
  'SET,a\nSET,cr\nSET,lf\n';
const program = path.join(scratch('sends'), 'flood.OIA');
fs.writeFileSync(program, flood);
// The console as the page shows it after zar run: the characters the console keeps (it drops the oldest
// million when it holds two), their line breaks as one, and no more than the last 1,010,000 of those.
function nativeConsole(steps) {
  const r = runNative(['run', program, '--steps', String(steps)]);
  const [printed, room] = [r.stdout.length, 2 * Keep];
  const kept = printed < room ? printed : Keep + ((printed - room) % (room - Keep));
  return r.stdout.slice(-kept).replace(/\r\n|\r/g, '\n').slice(-Keep);
}

for (const [steps, cut] of [[2_500_000, true], [2_800_000, false]]) {
  test(`the worker sends no more of a long console than the page keeps (${steps} steps), run and gone back`,
    async ({ page }) => {
      await open(page);
      await load(page, program);
      await run(page, steps);
      for (const back of [0, 1, 4999]) {
        const n = await counter(page, 'steps') - back;
        if (back) {
          await page.evaluate((b) => window.zar({ type: 'stepBack', steps: b }), back);
          await page.waitForSelector(`body[data-steps="${n}"]`);
          await page.waitForTimeout(100);
        }
        const want = nativeConsole(n);
        expect(want.length === Keep).toBe(cut);
        const got = await page.evaluate(() => ({ text: document.getElementById('cbox').textContent,
          part: Number(document.body.dataset.consolePart), dropped: !document.getElementById('dropped').hidden }));
        expect({ n, part: got.part, length: got.text.length, same: got.text === want, dropped: got.dropped })
          .toEqual({ n, part: want.length, length: want.length, same: true, dropped: true });
      }
      // Cleared and printed afresh: nothing dropped, nothing cut.
      await page.evaluate(() => window.zar({ type: 'clearConsole' }));
      await run(page, 4000);
      await expect(page.locator('#cbox')).toHaveText(/^\n?(a\n){990,1000}a?$/);
      await expect(page.locator('#dropped')).toBeHidden();
    });
}
