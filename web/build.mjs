// Bundles the page and its worker into OUT (default ../build-web/site) beside
// the core's wasm: index.html, style.css, main.js, worker.js, zar-core.js and
// zar-core.wasm, all by relative URLs; the course of exercises/ (course.json,
// the exercises, their starters and expected pictures) under exercises/.
import * as esbuild from 'esbuild';
import fs from 'node:fs';
import path from 'node:path';

const here = path.dirname(new URL(import.meta.url).pathname);
const out = path.resolve(process.argv[2] ?? path.join(here, '../build-web/site'));
const core = path.resolve(process.argv[3] ?? path.join(here, '../build-web/web/core'));
fs.mkdirSync(out, { recursive: true });
await esbuild.build({
  entryPoints: [path.join(here, 'src/main.ts'), path.join(here, 'src/worker.ts')],
  bundle: true, minify: true, format: 'iife', target: 'es2022', outdir: out, logLevel: 'warning',
});
for (const f of ['index.html', 'style.css']) fs.copyFileSync(path.join(here, f), path.join(out, f));
for (const f of ['zar-core.js', 'zar-core.wasm']) fs.copyFileSync(path.join(core, f), path.join(out, f));

const exercises = path.join(here, '../exercises');
fs.mkdirSync(path.join(out, 'exercises'), { recursive: true });
for (const f of fs.readdirSync(exercises).filter((f) => /\.(json|png|ppm|oia)$/i.test(f))) {
  fs.copyFileSync(path.join(exercises, f), path.join(out, 'exercises', f));
}
