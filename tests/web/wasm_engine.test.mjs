// The page's compiled engine (blocks as WebAssembly) under node: 10,000
// random images against the plain machine, and the random images of the
// engines' test against the native build's compiled engine, image by image.
// ZAR_NATIVE and ZAR_WEB name the two builds' folders.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { spawn, spawnSync } from 'node:child_process';
import path from 'node:path';

const root = path.resolve(path.dirname(new URL(import.meta.url).pathname), '../..');
const native = path.join(process.env.ZAR_NATIVE ?? path.join(root, 'build'), 'tests/zar-engine-check');
const web = path.join(process.env.ZAR_WEB ?? path.join(root, 'build-web'), 'web/core/zar-engine-check.js');
const env = { ...process.env, NODE_PATH: '/usr/share/nodejs' };

// Runs the check under node; its standard output.
function inNode(args) {
  return new Promise((resolve) => {
    const child = spawn('node', ['--no-experimental-fetch', web, ...args], { env });
    let out = '';
    child.stdout.on('data', (d) => (out += d));
    child.on('close', (status) => resolve({ status, out }));
  });
}

test('10,000 random images run by the page\'s compiled engine as by the plain machine', { timeout: 900_000 }, async () => {
  // Two halves at once, one a core.
  const halves = await Promise.all([inNode(['reference', '5000', '2']), inNode(['reference', '5000', '3'])]);
  for (const { status, out } of halves) {
    assert.match(out, /^engine compiled$/m, 'the page has the compiled engine');
    assert.match(out, /^5000 passed, 0 failed$/m, out);
    assert.equal(status, 0);
  }
});

test('the random images of the engines\' test leave the page as the native compiled engine', { timeout: 300_000 }, async () => {
  const args = ['digest', '300', '1'];
  const page = await inNode(args);
  const here = spawnSync(native, args, { encoding: 'utf8' });
  assert.equal(here.status, 0, here.stderr);
  const digests = (out) => out.split('\n').filter((line) => /^\d+ /.test(line));
  const [ours, theirs] = [digests(page.out), digests(here.stdout)];
  assert.equal(ours.length, 301);  // and a loop that plots
  for (let i = 0; i < ours.length; ++i) assert.equal(ours[i], theirs[i], `image ${i}`);
  // Compiled code took a part of the steps in the page.
  const compiled = Number(/^compiled steps (\d+)$/m.exec(page.out)?.[1] ?? 0);
  assert.ok(compiled > 50_000, `compiled steps ${compiled}`);
});
