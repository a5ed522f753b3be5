// The page against the native zar run: the same program with the same inputs
// gives the same console, steps, IP, memory and screen. The fixtures are made
// by the native build in this run (ZAR_NATIVE, default build/).
import { test, expect } from '@playwright/test';
import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';

const root = path.resolve(path.dirname(new URL(import.meta.url).pathname), '../..');
const zar = path.join(process.env.ZAR_NATIVE ?? path.join(root, 'build'), 'cli/zar');
const scratch = fs.mkdtempSync(path.join(os.tmpdir(), 'zar-page-'));

function native(program, script, steps) {
  const input = path.join(scratch, 'input.txt');
  fs.writeFileSync(input, script);
  const [dump, ppm] = [path.join(scratch, 'dump.oisc'), path.join(scratch, 'screen.ppm')];
  const r = spawnSync(zar, ['run', program, '--steps', String(steps), '--input', input, '--dump', dump,
    '--screen', ppm], { encoding: 'latin1' });
  expect(r.status, r.stderr).toBe(0);
  const ppmBytes = fs.readFileSync(ppm);
  return {
    console: Buffer.from(r.stdout, 'latin1').toString('utf8').replace(/\r\n|\r/g, '\n'),
    steps: r.stderr.match(/steps: (\d+)/)[1], ip: r.stderr.match(/ip: (\d+)/)[1],
    dump: fs.readFileSync(dump, 'latin1'), screen: ppmBytes.subarray(ppmBytes.length - 256 * 256 * 3).toString('base64'),
  };
}

async function open(page) {
  await page.goto('index.html');
  await page.waitForSelector('body[data-ready="1"]');
}

// Runs in the page as zar run does and reads back what the page shows.
async function inPage(page, program, script, steps) {
  const runs = Number((await page.locator('body').getAttribute('data-runs')) ?? 0);
  await page.evaluate(([bytes, name, input, n]) => {
    window.zar({ type: 'load', bytes: new Uint8Array(bytes), name });
    window.zar({ type: 'clearConsole' });
    window.zar({ type: 'inputs', text: new TextEncoder().encode(input), keys: false });
    window.zar({ type: 'run', steps: n });
    window.zar({ type: 'save' });
  }, [[...fs.readFileSync(program)], path.basename(program), script, steps]);
  await page.waitForSelector(`body[data-runs="${runs + 1}"]`);
  await page.waitForFunction(() => window.lastFile);
  return page.evaluate(() => {
    const rgba = document.getElementById('screen').getContext('2d').getImageData(0, 0, 256, 256).data;
    let screen = '';
    for (let i = 0; i < rgba.length; i += 4) screen += String.fromCharCode(rgba[i], rgba[i + 1], rgba[i + 2]);
    screen = btoa(screen);
    const file = new TextDecoder('latin1').decode(window.lastFile);
    window.lastFile = undefined;
    const b = document.body.dataset;
    return { console: document.getElementById('cbox').textContent, steps: b.clock, ip: b.ip, dump: file, screen };
  });
}

const examples = fs.readdirSync(path.join(root, 'examples')).filter((f) => f.endsWith('.OIA'));
const cases = examples.map((ex) => [path.join(root, 'examples', ex), '0 text "hi"\n3000 text "34"\n', 200000]);
for (const ex of fs.readdirSync(path.join(root, 'exercises')).filter((f) => /^\d.*\.json$/.test(f))) {
  const first = JSON.parse(fs.readFileSync(path.join(root, 'exercises', ex), 'utf8')).cases[0];
  const cells = Object.entries(first.cells ?? {}).map(([c, v]) => `0 cell ${c} ${v}\n`).join('');
  const inputs = (first.inputs ?? []).filter((l) => !/ (connect|net|close)/.test(l));
  cases.push([path.join(root, 'tests/exercises/solutions', ex.replace('.json', '.OIA')), cells + inputs.join('\n') + '\n',
    first.steps]);
}

test('every example and exercise gives what zar run gives', async ({ page }) => {
  for (const [program, script, steps] of cases) {
    await open(page);  // a machine of its own, as each zar run has
    await page.click('#msop');
    const got = await inPage(page, program, script, steps);
    const want = native(program, script, steps);
    expect({ name: path.basename(program), ...got }).toEqual({ name: path.basename(program), ...want });
  }
});

// A slice of full speed may end between the program's read of cell 254 and
// its clearing of it: a key written there was lost.
test('keys typed into the key field reach the program', async ({ page }) => {
  await open(page);
  await page.evaluate((bytes) => window.zar({ type: 'load', bytes: new Uint8Array(bytes), name: 'upper.OIA' }),
    [...fs.readFileSync(path.join(root, 'examples/upper.OIA'))]);
  await page.keyboard.press('F5');  // Run at Full Speed
  await expect(page.locator('#state')).toHaveText('State: running at full speed');
  await page.waitForTimeout(300);
  await page.focus('#keyb');
  for (const k of ['h', 'i']) {
    await page.keyboard.press(k);
    await page.waitForTimeout(300);
  }
  await page.keyboard.type('abc');  // faster than the slices
  await expect(page.locator('#cbox')).toHaveText('HIABC');
});

test('Step Back after 1,000 steps equals the state after N - 1000', async ({ page }) => {
  await open(page);
  const program = path.join(root, 'examples/history_waves.OIA');
  const want = native(program, '', 4000);
  await inPage(page, program, '', 5000);
  await page.evaluate(() => {
    window.zar({ type: 'stepBack', steps: 1000 });
    window.zar({ type: 'save' });
  });
  await page.waitForFunction(() => window.lastFile);
  const dump = await page.evaluate(() => new TextDecoder('latin1').decode(window.lastFile));
  expect(dump).toBe(want.dump);
  await expect(page.locator('body')).toHaveAttribute('data-ip', want.ip);
});

test('full speed with every panel open keeps drawing, and Stop ends it at once', async ({ page }) => {
  await open(page);
  for (const id of ['#msop', '#mhist', '#mdbg']) await page.click(id);
  await page.evaluate((bytes) => window.zar({ type: 'load', bytes: new Uint8Array(bytes), name: 'bounce.OIA' }),
    [...fs.readFileSync(path.join(root, 'examples/bounce.OIA'))]);
  await page.click('#fullSpeed');
  const steps = async () => Number(await page.locator('body').getAttribute('data-steps'));
  const first = await steps();
  await page.waitForTimeout(500);
  const second = await steps();
  expect(second).toBeGreaterThan(first);
  await expect(page.locator('#state')).toHaveText('State: running at full speed');
  await page.keyboard.press('Shift+F5');
  await expect(page.locator('#state')).toHaveText('State: stopped');
  const stopped = await steps();
  await page.waitForTimeout(300);
  expect(await steps()).toBe(stopped);
});

for (const [width, height] of [[1280, 800], [390, 844]]) {
  test(`a picture of the page at ${width} x ${height}`, async ({ page }) => {
    await page.setViewportSize({ width, height });
    await open(page);
    for (const id of ['#msop', '#mhist', '#mdbg']) await page.click(id);
    await page.evaluate((bytes) => {
      window.zar({ type: 'load', bytes: new Uint8Array(bytes), name: 'screen.OIA' });
      window.zar({ type: 'run', steps: 100000 });
    }, [...fs.readFileSync(path.join(root, 'examples/screen.OIA'))]);
    await page.waitForSelector('body[data-runs="1"]');
    await page.screenshot({ path: path.join(process.env.ZAR_SHOTS ?? scratch, `page-${width}x${height}.png`), fullPage: true });
  });
}
