// What the page's specs share: the builds' folders, a scratch folder, the
// native zar run as fixture, and the page opened, loaded, run and read back.
import { expect } from '@playwright/test';
import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';

export const root = path.resolve(path.dirname(new URL(import.meta.url).pathname), '../..');
export const native = (tool) => path.join(process.env.ZAR_NATIVE ?? path.join(root, 'build'), tool);
export const zar = native('cli/zar');
export const port = Number(process.env.ZAR_WEB_PORT ?? 8765);
export const scratch = (name) => fs.mkdtempSync(path.join(os.tmpdir(), `zar-${name}-`));
export const example = (name) => path.join(root, 'examples', name);
export const examples = fs.readdirSync(path.join(root, 'examples')).filter((f) => f.endsWith('.OIA'));

// A source with every byte above 0x7F (code page 1252 letters and signs).
export const high = [...Buffer.from('0 text "'), ...Array.from({ length: 128 }, (_, i) => 0x80 + i), ...Buffer.from('"\r\n')];
export const ascii = (s) => [...Buffer.from(s, 'latin1')];
const shown = (stdout) => Buffer.from(stdout, 'latin1').toString('utf8').replace(/\r\n|\r/g, '\n');

// A native tool's run (zar unless named) that ends with one of the statuses ok: its stdout and stderr.
export function runNative(args, { tool = zar, ok = [0], encoding = 'latin1' } = {}) {
  const r = spawnSync(tool, args, { encoding, maxBuffer: 1 << 26 });
  expect(ok, r.stderr).toContain(r.status);
  return r;
}

// zar run with an input script: console, steps, IP and memory (and the screen's RGB in base64 with screen).
const runDir = scratch('run');
export function nativeRun(program, script, steps, { screen = false } = {}) {
  const [input, dump, ppm] = ['input.txt', 'dump.oisc', 'screen.ppm'].map((f) => path.join(runDir, f));
  fs.writeFileSync(input, script);
  const r = runNative(['run', program, '--steps', String(steps), '--input', input, '--dump', dump,
    ...(screen ? ['--screen', ppm] : [])]);
  const state = { console: shown(r.stdout), steps: r.stderr.match(/steps: (\d+)/)[1],
    ip: r.stderr.match(/ip: (\d+)/)[1], dump: fs.readFileSync(dump, 'latin1') };
  if (screen) state.screen = fs.readFileSync(ppm).subarray(-256 * 256 * 3).toString('base64');
  return state;
}

// The page opened at index.html (with hash), ready (and whatever else is named).
export async function open(page, { hash = '', size, ready = '' } = {}) {
  if (size) await page.setViewportSize({ width: size[0], height: size[1] });
  await page.goto(`index.html${hash}`);
  await page.waitForSelector(`body[data-ready="1"]${ready}`);
}
export const counter = async (page, name) => Number((await page.locator('body').getAttribute(`data-${name}`)) ?? 0);

// Loads a program's bytes (a file's, or given) into the machine.
export const load = (page, file, bytes = fs.readFileSync(file)) => page.evaluate(([b, n]) =>
  window.zar({ type: 'load', bytes: new Uint8Array(b), name: n }), [[...bytes], path.basename(file)]);

// Runs steps steps and waits for the run's end; with a script, on a clear
// console with the script's timed inputs, as zar run --input.
export async function run(page, steps, { script } = {}) {
  const runs = await counter(page, 'runs');
  await page.evaluate(([n, s]) => {
    if (s !== null) {
      window.zar({ type: 'clearConsole' });
      window.zar({ type: 'inputs', text: new TextEncoder().encode(s), keys: false });
    }
    window.zar({ type: 'run', steps: n });
  }, [steps, script ?? null]);
  await page.waitForSelector(`body[data-runs="${runs + 1}"]`);
}

// The machine's memory as the page's Save writes it.
export async function saved(page) {
  await page.evaluate(() => {
    window.lastFile = undefined;
    window.zar({ type: 'save' });
  });
  await page.waitForFunction(() => window.lastFile);
  return page.evaluate(() => new TextDecoder('latin1').decode(window.lastFile));
}

// What the page shows, as nativeRun gives it.
export async function pageState(page, { screen = false } = {}) {
  const dump = await saved(page);
  return page.evaluate(([d, withScreen]) => {
    const b = document.body.dataset;
    const state = { console: document.getElementById('cbox').textContent, steps: b.clock, ip: b.ip, dump: d };
    if (withScreen) {
      const rgba = document.getElementById('screen').getContext('2d').getImageData(0, 0, 256, 256).data;
      state.screen = btoa(Array.from({ length: 256 * 256 * 3 }, (_, i) => String.fromCharCode(rgba[i + Math.floor(i / 3)]))
        .join(''));
    }
    return state;
  }, [dump, screen]);
}

// The learner's files: a source arriving, an edit, the current file and all kept ones (by name).
export async function openFiles(page, options) {
  await open(page, options);
  await page.waitForFunction(() => window.zarFiles);
  await flush(page);
}
export const flush = (page) => page.evaluate(() => window.zarFiles.flush());
export const edit = (page, bytes) => page.evaluate((b) => window.zarFiles.workspace.edited(new Uint8Array(b)), bytes);
export const arrive = (page, name, bytes, origin = 'example') => page.evaluate(([n, b, o]) =>
  window.zarFiles.workspace.open({ name: n, bytes: new Uint8Array(b) }, o), [name, bytes, origin]);
export const current = (page) => page.evaluate(() => {
  const f = window.zarFiles.workspace.current();
  return { name: f.name, bytes: [...f.bytes] };
});
export const stored = (page) => page.evaluate(async () => {
  await window.zarFiles.flush();
  const all = (await window.zarFiles.list()).map((f) => ({ name: f.name, bytes: [...f.bytes] }));
  return all.sort((a, b) => (a.name < b.name ? -1 : 1));
});
