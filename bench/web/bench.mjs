// make bench-web: the page's speed against the native zar on this machine,
// in the same run, as medians of five. Never asserted: printed.
//   ZAR_NATIVE, ZAR_SITE: the native build folder and the built site; ZAR_BENCH_PORT its port.
import { chromium } from '@playwright/test';
import { spawn, spawnSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import zlib from 'node:zlib';

const here = path.dirname(new URL(import.meta.url).pathname);
const root = path.resolve(here, '../..');
const zar = path.join(process.env.ZAR_NATIVE ?? path.join(root, 'build'), 'cli/zar');
const site = process.env.ZAR_SITE ?? path.join(root, 'build-web/site');
const port = Number(process.env.ZAR_BENCH_PORT ?? 8766);
// Steps of one timed run: enough that the compiled engine runs for a tenth
// of a second or more. A run's end costs a fixed few tens of milliseconds
// when it printed (the last million characters of the console handed to the
// page and shown), which at 20 M steps was most of a compiled run's time.
const Steps = Number(process.env.ZAR_BENCH_STEPS ?? 100_000_000);
const median = (xs) => [...xs].sort((a, b) => a - b)[Math.floor(xs.length / 2)];
const repeat = async (n, f) => { const r = []; for (let i = 0; i < n; ++i) r.push(await f()); return median(r); };

function nativeRate(program) {
  const t0 = performance.now();
  const r = spawnSync(zar, ['run', program, '--engine', 'interp', '--steps', String(Steps)], { stdio: 'ignore' });
  if (r.status !== 0) throw new Error(`zar run ${program}: ${r.status}`);
  return Steps / ((performance.now() - t0) / 1000);
}

async function open(browser) {
  const page = await browser.newPage();
  await page.goto(`http://127.0.0.1:${port}/index.html`);
  await page.waitForSelector('body[data-ready="1"]');
  return page;
}

async function load(page, program) {
  await page.evaluate(([bytes, name]) => window.zar({ type: 'load', bytes: new Uint8Array(bytes), name }),
    [[...fs.readFileSync(program)], path.basename(program)]);
}

// Steps a second of one run of Steps steps in the page, timed in the page.
async function pageRate(page, program) {
  await load(page, program);
  return page.evaluate((n) => new Promise((done) => {
    const runs = document.body.dataset.runs;
    const t0 = performance.now();
    new MutationObserver((_, o) => {
      if (document.body.dataset.runs === runs) return;
      o.disconnect();
      done(n / ((performance.now() - t0) / 1000));
    }).observe(document.body, { attributes: true });
    window.zar({ type: 'run', steps: n });
  }), Steps);
}

const engine = (page, compiled) => page.evaluate((c) => window.zar({ type: 'engine', compiled: c }), compiled);

// The compiled engine against the interpreter in the same page, turn about.
async function engineRates(page, program) {
  const interp = [], compiled = [];
  for (let i = 0; i < 5; ++i) {
    await engine(page, false);
    interp.push(await pageRate(page, program));
    await engine(page, true);
    compiled.push(await pageRate(page, program));
  }
  return { interp: median(interp), compiled: median(compiled) };
}

// The time to compile the hot blocks of each example into one module, and
// the blocks of every address, under node (zar-compile-times.js).
function compileTimes() {
  const check = path.join(site, '..', 'web/core/zar-compile-times.js');
  const examples = fs.readdirSync(path.join(root, 'examples')).filter((f) => f.endsWith('.OIA'))
    .map((f) => path.join(root, 'examples', f));
  const r = spawnSync('node', ['--no-experimental-fetch', check, ...examples],
    { encoding: 'utf8', env: { ...process.env, NODE_PATH: '/usr/share/nodejs' } });
  if (r.status !== 0) throw new Error(`zar-compile-times: ${r.status} ${r.stderr}`);
  return r.stdout.trim().split('\n').map((line) => {
    const [file, blocks, hot, all] = line.split(' ');
    return { name: path.basename(file, '.OIA'), blocks: Number(blocks), hot: Number(hot), all: Number(all) };
  });
}

async function fullSpeedRate(page, program) {
  await load(page, program);
  await page.evaluate(() => window.zar({ type: 'fullSpeed' }));
  await page.waitForTimeout(300);
  const s0 = Number(await page.locator('body').getAttribute('data-steps'));
  const t0 = performance.now();
  await page.waitForTimeout(2000);
  const s1 = Number(await page.locator('body').getAttribute('data-steps'));
  const rate = (s1 - s0) / ((performance.now() - t0) / 1000);
  await page.evaluate(() => window.zar({ type: 'stop' }));
  return rate;
}

function siteGzipped(folder = site) {
  let total = 0;
  for (const f of fs.readdirSync(folder, { withFileTypes: true })) {
    const file = path.join(folder, f.name);
    total += f.isDirectory() ? siteGzipped(file) : zlib.gzipSync(fs.readFileSync(file), { level: 9 }).length;
  }
  return total;
}

const server = spawn('python3', ['-m', 'http.server', String(port), '--bind', '127.0.0.1', '--directory', site],
  { stdio: 'ignore' });
await new Promise((r) => setTimeout(r, 800));
const browser = await chromium.launch({ executablePath: '/usr/bin/chromium', args: ['--no-sandbox'] });
try {
  const mega = (x) => `${(x / 1e6).toFixed(1)} M steps/s`;
  const page = await open(browser);
  const programs = { countdown: path.join(here, 'countdown.OIA'), printing: path.join(here, 'printing.OIA'),
    bounce: path.join(root, 'examples/bounce.OIA') };
  for (const [name, program] of Object.entries(programs)) {
    const native = await repeat(5, () => nativeRate(program));
    const { interp, compiled } = await engineRates(page, program);
    console.log(`${name}: native zar run --engine interp ${mega(native)}, page interpreter ${mega(interp)} ` +
      `(${(interp / native).toFixed(2)} native), page compiled ${mega(compiled)} ` +
      `(${(compiled / interp).toFixed(2)}x the page's interpreter)`);
  }
  const times = compileTimes();
  const slowest = (key) => times.reduce((a, b) => (b[key] > a[key] ? b : a));
  const [hot, all] = [slowest('hot'), slowest('all')];
  console.log(`compile of an example's hot blocks into one module: slowest ${hot.name} (${hot.blocks} blocks) ` +
    `${hot.hot.toFixed(2)} ms; of the blocks of every address: median ${median(times.map((t) => t.all)).toFixed(2)} ` +
    `ms, slowest ${all.name} ${all.all.toFixed(2)} ms`);
  const countdown = path.join(here, 'countdown.OIA');
  const bare = await repeat(5, () => fullSpeedRate(page, countdown));
  for (const id of ['#msop', '#mhist', '#mdbg']) await page.click(id);
  const shown = await repeat(5, () => fullSpeedRate(page, countdown));
  console.log(`full speed: no panel ${mega(bare)}, every panel ${mega(shown)}, ratio ${(shown / bare).toFixed(2)}`);
  const paint = await repeat(5, async () => {
    const p = await browser.newPage();
    await p.goto(`http://127.0.0.1:${port}/index.html`);
    const ms = await p.evaluate(() => new Promise((done) => new PerformanceObserver((l) => {
      const e = l.getEntries().find((x) => x.name === 'first-contentful-paint');
      if (e) done(e.startTime);
    }).observe({ type: 'paint', buffered: true })));
    await p.close();
    return ms;
  });
  console.log(`first paint of the front panel: ${paint.toFixed(0)} ms; the site gzipped: ${(siteGzipped() / 1024).toFixed(0)} KB`);
} finally {
  await browser.close();
  server.kill();
}
