// Bundles the page and its worker into OUT (default ../build-web/site) beside
// the core's wasm: index.html, style.css, main.js, worker.js, zar-core.js and
// zar-core.wasm, all by relative URLs.
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
