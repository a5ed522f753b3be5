// Bundles the page and its worker into OUT (default ../build-web/site) beside
// the core's wasm: index.html, style.css, main.js, worker.js, zar-core.js and
// zar-core.wasm, all by relative URLs; the course of exercises/ (course.json,
// the exercises, their starters and expected pictures) under exercises/.
import * as esbuild from 'esbuild';
import crypto from 'node:crypto';
import fs from 'node:fs';
import path from 'node:path';
import { iconPng, iconSvg } from './icon.mjs';

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
// The editor's small core, the examples (with examples/index.json, their
// names) and the Markdown of Help, copied beside the page.
for (const f of ['zar-editor.js', 'zar-editor.wasm']) fs.copyFileSync(path.join(core, f), path.join(out, f));
const root = path.join(here, '..');
for (const folder of ['examples', 'docs']) fs.mkdirSync(path.join(out, folder), { recursive: true });
const examples = fs.readdirSync(path.join(root, 'examples')).filter((f) => /\.oia$/i.test(f)).sort();
for (const f of examples) fs.copyFileSync(path.join(root, 'examples', f), path.join(out, 'examples', f));
fs.writeFileSync(path.join(out, 'examples', 'index.json'), JSON.stringify(examples));
for (const f of ['language.md', 'tutorial.md']) fs.copyFileSync(path.join(root, 'docs', f), path.join(out, 'docs', f));
// Installable: the manifest and the icon.
fs.copyFileSync(path.join(here, 'manifest.webmanifest'), path.join(out, 'manifest.webmanifest'));
fs.writeFileSync(path.join(out, 'icon.svg'), iconSvg());
for (const size of [192, 512]) fs.writeFileSync(path.join(out, `icon-${size}.png`), iconPng(size));

// Offline (keep this last, so that it sees every file of the site): sw.js
// caches every file, under a version made of their contents.
const siteFiles = (dir) => fs.readdirSync(dir, { withFileTypes: true }).flatMap((e) =>
  e.isDirectory() ? siteFiles(path.join(dir, e.name)) : [path.join(dir, e.name)]);
const files = siteFiles(out).map((f) => path.relative(out, f).split(path.sep).join('/'))
  .filter((f) => f !== 'sw.js').sort();
const hash = crypto.createHash('sha256');
for (const f of files) hash.update(f).update('\0').update(fs.readFileSync(path.join(out, f)));
await esbuild.build({
  entryPoints: [path.join(here, 'src/sw.ts')], bundle: true, minify: true, format: 'iife', target: 'es2022',
  outfile: path.join(out, 'sw.js'), logLevel: 'warning',
  define: { SITE_VERSION: JSON.stringify(hash.digest('hex').slice(0, 16)), SITE_FILES: JSON.stringify(files) },
});
