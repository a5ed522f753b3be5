// Sharing by link: Copy Link and opening the link elsewhere gives the same
// source byte for byte (code page 1252 bytes too) as a new file; a link never
// overwrites one of the learner's files; links too long, damaged or not ZAR's
// say so and change nothing.
import { test, expect } from '@playwright/test';
import crypto from 'node:crypto';
import fs from 'node:fs';
import path from 'node:path';
import zlib from 'node:zlib';
import { arrive, ascii, current, edit, example, examples, flush, high, openFiles, root, stored } from './support.mjs';

const b64url = (buf) => Buffer.from(buf).toString('base64url');
const packed = (text) => b64url(zlib.deflateRawSync(text));
const srcLink = (bytes, name) => `#v1/src=${packed(Buffer.from(bytes))}&name=${encodeURIComponent(name)}`;
const open = (page, hash = '') => openFiles(page, { hash });
const follow = (page, hash) => page.evaluate((h) => (location.hash = h), hash);

// A link opens through the workspace as any source arriving does, never over
// a file of its name (files.spec.mjs: a source that arrives never overwrites).
test('a link pasted into an open tab opens under a free name, one with a bad name under a plain one; a source too long for a link says so', async ({ page }) => {
  await open(page);
  await arrive(page, 'prog.OIA', ascii('mine\r\n'));
  await follow(page, srcLink(high, 'prog.OIA'));
  await expect(page.locator('#linkNote')).toContainText('Opened prog-2.OIA from the link');
  expect(await current(page)).toEqual({ name: 'prog-2.OIA', bytes: high });
  await follow(page, srcLink(ascii('x\r\n'), 'a/b'));
  await expect(page.locator('#linkNote')).toContainText('Opened shared.OIA from the link');
  // A source too long for a link says so and leaves the address as it was: random bytes do not compress.
  await arrive(page, 'big.OIA', [...crypto.randomBytes(40000)]);
  await page.click('#mlink');
  await expect(page.locator('#linkNote')).toContainText('big.OIA is too long for a link');
  expect(page.url()).not.toContain('#');
});

const big = 'A'.repeat(33 * 1024);
const bad = [
  ['too long', `#v1/src=${big}`, 'This link is too long (34 KB; a ZAR link holds at most 32 KB): nothing was opened.'],
  ['not base64url', '#v1/src=ab+c', 'This link is damaged (it is not base64url): nothing was opened.'],
  ['cut base64url', '#v1/src=abcde', 'This link is damaged (it is not base64url): nothing was opened.'],
  ['broken deflate', `#v1/src=${b64url(Buffer.from([0xff, 0xff, 0xff, 0xff]))}`, 'This link is damaged (its compressed data is broken): nothing was opened.'],
  ['deflate cut short', `#v1/src=${b64url(zlib.deflateRawSync(Buffer.from(high)).subarray(0, 20))}`, 'This link is damaged (its compressed data is broken): nothing was opened.'],
  ['unpacks too big', `#v1/src=${packed(Buffer.alloc(2 << 20))}`, 'This link is damaged (it unpacks to more than 1 MB): nothing was opened.'],
  ['foreign', '#section-2', 'This link is not a ZAR link: nothing was opened.'],
  ['newer', `#v2/src=${packed('x')}`, 'This link was made by a newer ZAR (link version 2): nothing was opened.'],
  ['nothing in it', '#v1/colour=red', 'This ZAR link holds nothing to open: nothing was opened.'],
  ['exercise not JSON', `#v1/exercisejson=${packed('{"task": ')}`, 'This exercise link is damaged (it holds no exercise in JSON): nothing was opened.'],
  ['exercise bad name', '#v1/exercise=..%2F..%2Fx%20y', 'This exercise link is damaged (no such exercise name): nothing was opened.'],
];

test('links too long, damaged or not ZAR\'s say so and change nothing', async ({ page }) => {
  await open(page);
  await arrive(page, 'keep.OIA', high);
  const before = [await stored(page), await current(page)];
  for (const [what, hash, message] of bad) {
    await page.evaluate(() => (document.getElementById('linkNote').textContent = ''));
    await follow(page, hash);
    await expect(page.locator('#linkNote'), what).toHaveText(message);
    expect([await stored(page), await current(page)], what).toEqual(before);
  }
  // At the start of a page as well.
  await open(page, bad[3][1]);
  await expect(page.locator('#linkNote')).toHaveText(bad[3][2]);
  expect([await stored(page), await current(page)]).toEqual(before);
});

test('exercise links reach the exercises, and a teacher makes one from an exercise file', async ({ page }) => {
  await open(page);
  // A course exercise by name, and a teacher's own (its Markdown rendered).
  await follow(page, '#v1/exercise=01_print_a_character');
  await expect(page.locator('#exerciseTitle')).toHaveText('Print a character');
  const teacher = JSON.stringify({ title: 'Linked by a teacher', task: 'Print **1**.',
    cases: [{ name: 'prints 1', steps: 100, expect: { console: '1' } }] });
  await follow(page, `#v1/exercisejson=${packed(teacher)}`);
  await expect(page.locator('#exerciseTitle')).toHaveText('Linked by a teacher');
  await expect(page.locator('#exerciseTask strong')).toHaveText('1');
  await follow(page, `#v1/exercisejson=${packed('{"title":"x"}')}`);
  await expect(page.locator('#linkNote')).toContainText('The exercise of this link cannot be opened: ');
  await expect(page.locator('#exerciseTitle')).toHaveText('Linked by a teacher');
  const exercise = '{"title": "Zähle", "task": "Print **1**.", "tests": []}';
  await page.click('#mfiles');
  await page.setInputFiles('#exerciseJson', { name: 'mine.json', mimeType: 'application/json', buffer: Buffer.from(exercise) });
  await expect(page.locator('#exerciseLinkOut')).toHaveValue(/#v1\/exercisejson=/);
  const link = await page.locator('#exerciseLinkOut').inputValue();
  const inLink = /#v1\/exercisejson=([A-Za-z0-9_-]+)$/.exec(link)[1];
  expect(zlib.inflateRawSync(Buffer.from(inLink, 'base64url')).toString('utf8')).toBe(exercise);
  for (const [name, text] of [['bad.json', '{'], ['list.json', '[1]']]) {
    await page.setInputFiles('#exerciseJson', { name, mimeType: 'application/json', buffer: Buffer.from(text) });
    await expect(page.locator('#linkNote')).toHaveText(`${name} is not an exercise in JSON: no link was made.`);
  }
});


// Copy Link in one browser, the link followed in another: every example and
// exercise starter and a source of code page 1252 bytes.
test('Copy Link gives every source byte for byte in another browser, which node\'s zlib reads too', async ({ browser }) => {
  const files = [...examples.map(example), ...fs.readdirSync(path.join(root, 'exercises'))
    .filter((f) => f.endsWith('.OIA')).map((f) => path.join(root, 'exercises', f))];
  const sources = [['Grüße.OIA', high], ...files.map((f) => [path.basename(f), [...fs.readFileSync(f)]])];
  const from = await browser.newContext({ permissions: ['clipboard-read', 'clipboard-write'] });
  const to = await browser.newContext();
  const [a, b] = [await from.newPage(), await to.newPage()];
  await open(a);
  await open(b);
  const hashes = [];
  for (const [name, bytes] of sources) {
    await arrive(a, name, bytes);
    await a.click('#mlink');
    await expect(a.locator('#linkNote')).toContainText(`Copied a link to ${name}`);
    expect(await a.evaluate(() => navigator.clipboard.readText())).toBe(a.url());
    const hash = new URL(a.url()).hash;
    hashes.push(hash);
    const inLink = /^#v1\/src=([A-Za-z0-9_-]+)&name=/.exec(hash)[1];
    expect([...zlib.inflateRawSync(Buffer.from(inLink, 'base64url'))], name).toEqual(bytes);
    await follow(b, hash);
    await expect(b.locator('#linkNote')).toContainText(`Opened ${name} from the link`);
    expect(await current(b), name).toEqual({ name, bytes });
  }
  // The tab reloaded does not take its own link for a new source, though its file has changed since.
  await edit(a, ascii('changed\r\n'));
  await flush(a);
  await a.reload();
  await a.waitForFunction(() => window.zarFiles);
  expect((await stored(a)).map((f) => f.name).sort()).toEqual(sources.map(([name]) => name).sort());
  // A page started at a link in a new browser opens it and takes it out of the address.
  const fresh = await browser.newContext();
  const c = await fresh.newPage();
  await open(c, hashes[0]);
  expect(await stored(c)).toEqual([{ name: 'Grüße.OIA', bytes: high }]);
  expect(c.url()).not.toContain('#');
  for (const context of [from, to, fresh]) await context.close();
});
