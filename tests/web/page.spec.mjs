// The page against the native zar run: the same program with the same inputs
// gives the same console, steps, IP, memory and screen. The fixtures are made
// by the native build in this run (ZAR_NATIVE, default build/).
import { test, expect } from '@playwright/test';
import fs from 'node:fs';
import path from 'node:path';
import { example, examples, load, nativeRun, open, pageState, root, run, saved } from './support.mjs';

const cases = examples.map((ex) => [example(ex), '0 text "hi"\n3000 text "34"\n', 200000]);
for (const ex of fs.readdirSync(path.join(root, 'exercises')).filter((f) => /^\d.*\.json$/.test(f))) {
  const first = JSON.parse(fs.readFileSync(path.join(root, 'exercises', ex), 'utf8')).cases[0];
  const cells = Object.entries(first.cells ?? {}).map(([c, v]) => `0 cell ${c} ${v}\n`).join('');
  const inputs = (first.inputs ?? []).filter((l) => !/ (connect|net|close)/.test(l));
  cases.push([path.join(root, 'tests/exercises/solutions', ex.replace('.json', '.OIA')), cells + inputs.join('\n') + '\n',
    first.steps]);
}

test('every example and exercise gives what zar run gives, and 1,000 steps back what it gives 1,000 steps before', async ({ page }) => {
  for (const [program, script, steps] of cases) {
    await open(page);  // a machine of its own, as each zar run has
    await page.click('#msop');
    await load(page, program);
    await run(page, steps, { script });
    const name = path.basename(program);
    expect({ name, ...(await pageState(page, { screen: true })) })
      .toEqual({ name, ...nativeRun(program, script, steps, { screen: true }) });
  }
  // Step Back after 5,000 steps equals the state after 4,000.
  const program = example('history_waves.OIA');
  const want = nativeRun(program, '', 4000);
  await open(page);
  await load(page, program);
  await run(page, 5000);
  await page.evaluate(() => window.zar({ type: 'stepBack', steps: 1000 }));
  expect(await saved(page)).toBe(want.dump);
  await expect(page.locator('body')).toHaveAttribute('data-ip', want.ip);
});

// A slice of full speed may end between the program's read of cell 254 and
// its clearing of it: a key written there was lost. With a network route on,
// full speed waits at a repeat of the state and must wake for a key.
for (const [route, state] of [['off', 'State: running at full speed'], ['peer', /^State: waiting/]]) {
  test(`keys typed into the key field reach the program at full speed, and Stop ends it (network route ${route})`, async ({ page }) => {
    await open(page);
    if (route !== 'off') {
      await page.click('#mnet');
      await page.check(`input[name="netRoute"][value="${route}"]`);
      await page.click('#mdbg');
    }
    await load(page, example('upper.OIA'));
    await page.keyboard.press('F5');  // Run at Full Speed
    await expect(page.locator('#state')).toHaveText(state);
    await page.waitForTimeout(300);
    await page.focus('#keyb');
    for (const k of ['h', 'i']) {
      await page.keyboard.press(k);
      await page.waitForTimeout(300);
    }
    await page.keyboard.type('abc');  // faster than the slices
    await expect(page.locator('#cbox')).toHaveText('HIABC');
    // Stop, pressed away from the key field (whose keys go to the machine), ends full speed at once.
    await page.evaluate(() => document.activeElement.blur());
    await page.keyboard.press('Shift+F5');
    await expect(page.locator('#state')).toHaveText('State: stopped');
    const stopped = await page.locator('body').getAttribute('data-steps');
    await page.waitForTimeout(300);
    await expect(page.locator('body')).toHaveAttribute('data-steps', stopped);
  });
}

// A program waiting at a fixed point at full speed wakes for timed inputs sent meanwhile.
test('timed inputs sent while full speed waits reach the program', async ({ page }) => {
  await open(page);
  const waits = ':wait\nSUB,z,41,wait\nSUB,255,40,?\n:halt\nSUB,z,z,halt\nSET,z\n';
  await load(page, 'waits.OIA', Buffer.from(waits));
  await page.keyboard.press('F5');
  await expect(page.locator('#state')).toHaveText(/^State: waiting/);
  const script = new TextEncoder().encode('0 cell 40 191\n9 cell 41 1\n');
  await page.evaluate((s) => window.zar({ type: 'inputs', text: new Uint8Array(s), keys: false }), [...script]);
  await expect(page.locator('#cbox')).toHaveText('A');
});
