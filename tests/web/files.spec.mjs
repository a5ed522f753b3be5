// The learner's files in the page: kept as typed, back after a reload or in a
// new tab, shared by two tabs without losing an edit, listed with New,
// Rename, Delete and Undo, Upload, Download and Download All; code page 1252
// bytes stay bytes.
import { test, expect } from '@playwright/test';
import { unzipSync } from 'fflate';
import fs from 'node:fs';
import { arrive, ascii, current, edit, example, flush, high, openFiles as open, stored } from './support.mjs';

const showFiles = async (page) => {
  await page.click('#mfiles');
  await expect(page.locator('#panel-files')).toBeVisible();
};
const save = async (page, bytes) => {
  await edit(page, bytes);
  await flush(page);
};
async function rename(page, from, to) {
  await page.click(`[aria-label="Rename ${from}"]`);
  await page.fill('.fileRename', to);
  await page.press('.fileRename', 'Enter');
}
// The name and bytes of what a click downloads.
async function download(page, selector) {
  const [d] = await Promise.all([page.waitForEvent('download'), page.click(selector)]);
  return { name: d.suggestedFilename(), bytes: [...fs.readFileSync(await d.path())] };
}
// Each tab ends showing what is kept under the name it shows.
async function showKept(...tabs) {
  for (const p of tabs) {
    const c = await current(p);
    await expect.poll(async () => (await stored(p)).find((f) => f.name === c.name)?.bytes).toEqual(c.bytes);
  }
}

test('a source typed is kept after a pause, or typed on without one, and comes back after a reload and in a new tab', async ({ context }) => {
  const page = await context.newPage();
  await open(page);
  await arrive(page, 'prog.OIA', ascii('0 0 0\r\n'));
  await edit(page, high);
  // No flush: the pause saves it.
  await expect.poll(() => page.evaluate(async () => (await window.zarFiles.list()).map((f) => [...f.bytes]))).toEqual([high]);
  await page.reload();
  await page.waitForFunction(() => window.zarFiles);
  await flush(page);
  expect(await current(page)).toEqual({ name: 'prog.OIA', bytes: high });
  // An edit right before the tab closes is kept too.
  await edit(page, [...high, 0x41]);
  await page.close({ runBeforeUnload: true });
  const again = await context.newPage();
  await open(again);
  expect(await current(again)).toEqual({ name: 'prog.OIA', bytes: [...high, 0x41] });
  expect(await stored(again)).toEqual([{ name: 'prog.OIA', bytes: [...high, 0x41] }]);
  // Typing on without a pause is saved all the same.
  for (let i = 0; i < 30; ++i) {
    await edit(again, ascii(`x${i}`));
    await again.waitForTimeout(200);
  }
  const kept = await again.evaluate(async () => [...(await window.zarFiles.list())[0].bytes]);
  expect(Buffer.from(kept).toString('latin1')).toMatch(/^x\d+$/);
});

test('a source that arrives never overwrites a file: same bytes reuse it, others get a free name', async ({ page }) => {
  await open(page);
  await arrive(page, 'a.OIA', ascii('1\r\n'));
  await arrive(page, 'a.OIA', ascii('1\r\n'), 'link');
  await arrive(page, 'a.OIA', ascii('2\r\n'), 'link');
  await arrive(page, 'a.OIA', ascii('3\r\n'), 'load');
  expect(await stored(page)).toEqual([
    { name: 'a-2.OIA', bytes: ascii('2\r\n') },
    { name: 'a-3.OIA', bytes: ascii('3\r\n') },
    { name: 'a.OIA', bytes: ascii('1\r\n') },
  ]);
  expect(await current(page)).toEqual({ name: 'a-3.OIA', bytes: ascii('3\r\n') });
  // Typing into a workspace with no file yet makes one under its name.
  await page.click('#mfiles');
  await page.click('#filesNew');
  await flush(page);
  await save(page, ascii('4\r\n'));
  expect((await stored(page)).find((f) => f.name === 'untitled.OIA')).toEqual({ name: 'untitled.OIA', bytes: ascii('4\r\n') });
});

test('the list: new, open, rename, delete with undo, upload, download and Download All keep the bytes', async ({ page }) => {
  await open(page);
  await showFiles(page);
  // Whether the browser keeps the files for good, in either case said.
  const storage = page.locator('#filesStorage');
  await expect(storage).toHaveAttribute('data-persisted', /true|false/);
  const kept = (await storage.getAttribute('data-persisted')) === 'true';
  await expect(storage).toContainText(kept ? 'keeps these files' : 'refused persistent storage');
  await arrive(page, 'first.OIA', high);
  await page.click('#filesNew');
  await flush(page);
  await save(page, ascii('5\r\n'));
  await expect(page.locator('#filesList li')).toHaveCount(2);
  await expect(page.locator('#filesList li[data-name="untitled.OIA"] .fileName')).toHaveAttribute('aria-current', 'true');

  await page.click('[aria-label="Open first.OIA"]');
  await flush(page);
  expect(await current(page)).toEqual({ name: 'first.OIA', bytes: high });
  await expect(page.locator('#filesList li[data-name="first.OIA"] .fileName')).toHaveAttribute('aria-current', 'true');
  await expect(page.locator('#filesList [aria-current]')).toHaveCount(1);

  // A taken name is refused with a message; a free one renames, the bytes stay.
  await rename(page, 'first.OIA', 'untitled.OIA');
  await expect(page.locator('#filesNote')).toContainText('there is a file named untitled.OIA already');
  await page.click('[aria-label="Rename first.OIA"]');
  await page.fill('.fileRename', 'Zähler.OIA');
  // A save while the name is being typed leaves the field as it is.
  await save(page, [...high, 0x20]);
  await page.evaluate(() => window.zarFiles.list());
  await page.waitForTimeout(100);
  await expect(page.locator('.fileRename')).toHaveValue('Zähler.OIA');
  await page.press('.fileRename', 'Enter');
  await save(page, high);
  await expect(page.locator('#filesList li[data-name="Zähler.OIA"]')).toHaveCount(1);
  expect(await current(page)).toEqual({ name: 'Zähler.OIA', bytes: high });

  expect(await download(page, '[aria-label="Download Zähler.OIA"]')).toEqual({ name: 'Zähler.OIA', bytes: high });

  await page.click('[aria-label="Delete Zähler.OIA"]');
  await expect(page.locator('#filesUndo')).toBeVisible();
  await expect(page.locator('#filesList li')).toHaveCount(1);
  expect((await stored(page)).map((f) => f.name)).toEqual(['untitled.OIA']);
  expect((await current(page)).bytes).toEqual([]);
  await page.click('#filesUndoButton');
  await flush(page);
  await expect(page.locator('#filesList li')).toHaveCount(2);
  expect(await current(page)).toEqual({ name: 'Zähler.OIA', bytes: high });

  await page.setInputFiles('#filesUploadInput', [
    { name: 'up.OIA', mimeType: 'text/plain', buffer: Buffer.from(high) },
    { name: 'untitled.OIA', mimeType: 'text/plain', buffer: Buffer.from('other\r\n') },
    { name: 'huge.OIA', mimeType: 'text/plain', buffer: Buffer.alloc((1 << 20) + 1) },
  ]);
  await expect(page.locator('#filesNote')).toHaveText('Kept up.OIA, untitled-2.OIA. Not kept, above 1 MB: huge.OIA.');
  await expect(page.locator('#filesList li')).toHaveCount(4);
  expect(await stored(page)).toEqual([
    { name: 'Zähler.OIA', bytes: high },
    { name: 'untitled-2.OIA', bytes: ascii('other\r\n') },
    { name: 'untitled.OIA', bytes: ascii('5\r\n') },
    { name: 'up.OIA', bytes: high },
  ]);
  // Download All: a zip with every file and its bytes, an empty one too.
  await arrive(page, 'empty.OIA', []);
  await flush(page);
  const zip = await download(page, '#filesZip');
  expect(zip.name).toBe('zar-files.zip');
  expect(Object.entries(unzipSync(new Uint8Array(zip.bytes))).map(([name, b]) => ({ name, bytes: [...b] }))
    .sort((x, y) => (x.name < y.name ? -1 : 1))).toEqual(await stored(page));
});


test('two tabs: an edit or a rename in one shows in the other', async ({ context }) => {
  const [a, b] = [await context.newPage(), await context.newPage()];
  await open(a);
  await arrive(a, 'shared.OIA', ascii('1\r\n'));
  await flush(a);
  await open(b);
  expect(await current(b)).toEqual({ name: 'shared.OIA', bytes: ascii('1\r\n') });

  await save(a, high);
  await expect.poll(() => current(b)).toEqual({ name: 'shared.OIA', bytes: high });
  await expect(b.locator('#filesNote')).toContainText('was changed in another tab');

  // A rename in one tab shows in the other. (Edits at the same time: the random typing below.)
  await b.click('#mfiles');
  await rename(b, 'shared.OIA', 'copy.OIA');
  await a.click('#mfiles');
  await expect(a.locator('#filesList li[data-name="copy.OIA"]')).toHaveCount(1);
});

test('without IndexedDB the page says so and works on', async ({ context, page }) => {
  await context.addInitScript(() => Object.defineProperty(window, 'indexedDB', { value: undefined }));
  await open(page);
  await expect(page.locator('#linkNote')).toContainText('Files cannot be kept in this browser');
  await arrive(page, 'a.OIA', high);
  await save(page, ascii('1\r\n'));
  expect(await current(page)).toEqual({ name: 'a.OIA', bytes: ascii('1\r\n') });
  expect(await stored(page)).toEqual([]);
});

// Each step types a token at the end of what a tab shows, saves or waits, at
// random in either tab: every token typed is in some file at the end, and
// each tab shows what is kept under the name it shows.
for (const seed of [1, 7, 42]) {
  test(`two tabs typing at random lose no edit (seed ${seed})`, async ({ context }) => {
    let state = seed;
    const random = () => (state = (state * 1103515245 + 12345) % 2147483648) / 2147483648;
    const [a, b] = [await context.newPage(), await context.newPage()];
    await open(a);
    await arrive(a, 'race.OIA', ascii('start\r\n'));
    await flush(a);
    await open(b);
    const typed = [];
    for (let i = 0; i < 40; ++i) {
      const [p, who] = random() < 0.5 ? [a, 'a'] : [b, 'b'];
      const token = `<${who}${i}>`;
      typed.push(token);
      await p.evaluate((t) => {
        const w = window.zarFiles.workspace;
        w.edited(new Uint8Array([...w.current().bytes, ...new TextEncoder().encode(t)]));
      }, token);
      const r = random();
      if (r < 0.3) await flush(p);
      else if (r < 0.45) await p.waitForTimeout(600);
    }
    for (const p of [a, b, a, b]) await flush(p);
    const kept = (await stored(a)).map((f) => Buffer.from(f.bytes).toString('latin1'));
    expect(typed.filter((t) => !kept.some((k) => k.includes(t)))).toEqual([]);
    await showKept(a, b);
  });
}

test('File > Load keeps a source among the files and runs it; a program file is only run', async ({ page }) => {
  await open(page);
  const source = fs.readFileSync(example('hello.OIA'));
  await page.setInputFiles('#file', { name: 'hello.OIA', mimeType: 'text/plain', buffer: source });
  await expect.poll(() => stored(page)).toEqual([{ name: 'hello.OIA', bytes: [...source] }]);
  await page.setInputFiles('#file', { name: 'memory.oisc', mimeType: 'text/plain', buffer: Buffer.from('0\r\n0\r\n0\r\n') });
  await page.waitForTimeout(300);
  expect((await stored(page)).map((f) => f.name)).toEqual(['hello.OIA']);
  // The core tells a source by its lines too, whatever its name.
  await page.setInputFiles('#file', { name: 'hello.txt', mimeType: 'text/plain', buffer: source });
  await expect.poll(async () => (await stored(page)).map((f) => f.name).sort()).toEqual(['hello.OIA', 'hello.txt']);
});
