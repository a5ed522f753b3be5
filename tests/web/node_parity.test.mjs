// zar.js under node against the native zar, byte for byte: stdout, stderr,
// exit status and the files written (a --screen PNG by its pixels), on every
// example and every exercise with its reference solution.
// ZAR_NATIVE and ZAR_WEB name the two builds' folders.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import zlib from 'node:zlib';

const root = path.resolve(path.dirname(new URL(import.meta.url).pathname), '../..');
const native = path.join(process.env.ZAR_NATIVE ?? path.join(root, 'build'), 'cli/zar');
const web = path.join(process.env.ZAR_WEB ?? path.join(root, 'build-web'), 'cli/zar.js');
const scratch = fs.mkdtempSync(path.join(os.tmpdir(), 'zar-parity-'));

// The RGB rows of an 8-bit RGB PNG without filters, as ScreenPng writes them.
function pixels(file) {
  const png = fs.readFileSync(file);
  const data = [];
  for (let at = 8; at < png.length; ) {
    const length = png.readUInt32BE(at);
    if (png.toString('latin1', at + 4, at + 8) === 'IDAT') data.push(png.subarray(at + 8, at + 8 + length));
    at += 12 + length;
  }
  return zlib.inflateSync(Buffer.concat(data));
}

// Runs one build in a folder of its own; the names in args are relative to it.
function zar(build, args) {
  const dir = path.join(scratch, build);
  fs.rmSync(dir, { recursive: true, force: true });
  fs.mkdirSync(dir);
  const [command, prefix] = build === 'native' ? [native, []] : ['node', ['--no-experimental-fetch', web]];
  const r = spawnSync(command, [...prefix, ...args], { cwd: dir, encoding: 'latin1' });
  const files = {};
  for (const name of fs.readdirSync(dir)) {
    const file = path.join(dir, name);
    const mode = fs.statSync(file).mode & 0o777;
    files[name] = [mode, name.endsWith('.png') ? pixels(file) : fs.readFileSync(file)];
  }
  return { status: r.status, stdout: r.stdout, stderr: r.stderr, files };
}

const examples = fs.readdirSync(path.join(root, 'examples')).filter((f) => f.endsWith('.OIA'));
const input = path.join(scratch, 'input.txt');
fs.writeFileSync(input, '0 cell 200 7\n500 text "ab"\n3000 key 13\n');
const runs = [];
for (const ex of examples) {
  const src = path.join(root, 'examples', ex);
  runs.push(['asm', src, '-o', 'out.oisc', '--listing', 'list.txt', '--table', 'table.txt']);
  runs.push(['run', src, '--steps', '300000', '--dump', 'dump.oisc', '--screen', 'screen.png', '--keys', 'hi 3+4\n']);
  runs.push(['run', src, '--steps', '200000', '--dump', 'dump.oisc', '--screen', 'screen.ppm', '--input', input]);
}
const solutions = path.join(root, 'tests/exercises/solutions');
for (const ex of fs.readdirSync(path.join(root, 'exercises')).filter((f) => /^\d.*\.json$/.test(f))) {
  runs.push(['check', path.join(root, 'exercises', ex), path.join(solutions, ex.replace('.json', '.OIA'))]);
}
runs.push(['run', 'missing.oisc']);  // a file error: message and exit status
runs.push(['run', path.join(root, 'examples/hello.OIA'), '--steps', 'x']);

for (const args of runs) {
  test(args.map((a) => path.basename(a)).join(' '), () => {
    assert.deepEqual(zar('web', args), zar('native', args));
  });
}
