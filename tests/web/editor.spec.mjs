// The assembler panel against the desktop's rules, through the native core:
// the colours (token classes) and the messages of every example and of a
// malformed source equal tests/editor-dump's; a message's click puts the
// cursor on its line; the editor's text becomes code page 1252 bytes; a
// breakpoint on a line number follows its line and stops Generate and Start.
import { test, expect } from '@playwright/test';
import fs from 'node:fs';
import path from 'node:path';
import { counter, example, examples, native, open, root, runNative, saved, scratch } from './support.mjs';

const dumper = native('tests/editor-dump');
const dir = scratch('editor');

const nativeDump = (file) => JSON.parse(runNative([file], { tool: dumper, encoding: 'utf8' }).stdout);

async function openPanel(page) {
  await open(page, { ready: '[data-editor-ready="1"]' });
  await page.click('#mzarass');
}

// Does what action does and waits for the editor's next scan or Generate.
async function scanned(page, action) {
  const before = await counter(page, 'assembled');
  await action();
  await page.waitForFunction((n) => Number(document.body.dataset.assembled) > n, before);
}
const openSource = (page, name, bytes) =>
  scanned(page, () => page.evaluate(([n, b]) => window.zarEditor.open(n, b), [name, [...bytes]]));
const generate = (page, button = '#mcreateonly') => scanned(page, () => page.click(button));
const spans = (page) => page.evaluate(() => window.zarEditor.probe().spans());
const breakpoints = (page) => page.evaluate(() => window.zarEditor.probe().breakpoints());
const text = async (page) => Buffer.from(await page.evaluate(() => window.zarEditor.bytes())).toString('latin1');

const messageRows = (page) =>
  page.$$eval('#asm-messages tr', (rows) => rows.map((r) => [...r.cells].map((c) => c.textContent)));
const expectedRows = (dump) => [
  ...dump.messages.map((m) => [m.line ? String(m.line) : '', m.text, m.reason]),
  ...dump.warnings.map((m) => [m.line ? String(m.line) : '', `warning: ${m.text}`, m.reason]),
];

test('every example from Open Example: the colours, the messages and the listings are the core\'s', async ({ page }) => {
  await openPanel(page);
  expect(examples.length).toBeGreaterThan(5);
  for (const name of examples) {
    const file = example(name);
    const dump = nativeDump(file);
    await scanned(page, () => page.selectOption('#mexamples', name));
    await expect(page.locator('#sourceCaption')).toHaveText(`Quelltext : ${name}`);
    expect(await text(page), name).toBe(fs.readFileSync(file, 'latin1'));
    expect(await spans(page), name).toEqual(dump.tokens);
    await page.locator('#msrclisting').setChecked(false);
    await generate(page);
    expect(await messageRows(page), name).toEqual(expectedRows(dump));
    expect(await page.locator('#asm-listing').textContent(), name).toBe(dump.listing);
    await page.locator('#msrclisting').setChecked(true);
    await generate(page);
    expect(await page.locator('#asm-listing').textContent(), name).toBe(dump.listingWithSource);
    // Generate and Copy leaves in memory what zar asm writes.
    const program = path.join(dir, 'program.oisc');
    runNative(['asm', file, '-o', program]);
    await generate(page, '#mcreatecopy');
    expect(await saved(page), name).toBe(fs.readFileSync(program, 'latin1'));
  }
});

test('a malformed source: its messages in the list and the margin; a click goes to the line', async ({ page }) => {
  const source = 'MOV,a,1\nFOO,1,2\nSUB,a\n\n:x\n:x\nGTO,nowhere\nMOVE,a,b\nSUB,a,b,c,d\nSET,a';
  const file = path.join(dir, 'bad.OIA');
  fs.writeFileSync(file, source);
  const dump = nativeDump(file);
  await openPanel(page);
  await openSource(page, 'bad.OIA', Buffer.from(source));
  expect(await spans(page)).toEqual(dump.tokens);
  await generate(page);
  expect(await messageRows(page)).toEqual(expectedRows(dump));
  const lines = new Set(dump.messages.filter((m) => m.line > 0).map((m) => m.line));
  await expect(page.locator('.cm-zar-marks .zar-mark-error')).toHaveCount(lines.size);
  // The error colour is the desktop's red wave, on the lines the core rejects.
  const wave = await page.locator('.tok-error').first().evaluate((e) => getComputedStyle(e).textDecorationStyle);
  expect(wave).toBe('wavy');
  // Generate and Copy of a program that fails: memory cleared.
  await generate(page, '#mcreatecopy');
  expect(await saved(page)).toBe('0\r\n'.repeat(256));
  const last = dump.messages.findLastIndex((m) => m.line > 0);
  await page.locator('#asm-messages tr').nth(last).click();
  const cursorLine = await page.evaluate(() => {
    const { view } = window.zarEditor.probe();
    return view.state.doc.lineAt(view.state.selection.main.head).number;
  });
  expect(cursorLine).toBe(dump.messages[last].line);
});

// The desktop highlighter's formats, kind by kind (the core's TokenKind order).
const desktopFormats = [
  ['statement', 'rgb(0, 0, 139)', '700', 'normal'],
  ['label', 'rgb(139, 0, 139)', '400', 'normal'],
  ['number', 'rgb(0, 128, 96)', '400', 'normal'],
  ['unknown', 'rgb(176, 96, 0)', '400', 'normal'],
  ['name', 'rgb(0, 0, 0)', '400', 'normal'],
  ['error', 'rgb(0, 0, 0)', '400', 'normal'],
  ['comment', 'rgb(110, 110, 110)', '400', 'italic'],
];

test('each token class has the desktop\'s format; typing gives code page 1252 bytes with the file\'s line breaks', async ({ page }) => {
  await openPanel(page);
  await openSource(page, 'kinds.OIA', Buffer.from('# note\n:top\nMOV,a,1\nSUB,a,a,?\nFOO\nSET,a'));
  const tokens = await spans(page);
  expect(new Set(tokens.map((t) => t[3]))).toEqual(new Set([0, 1, 2, 3, 4, 5, 6]));
  for (const [kind, [name, colour, weight, style]] of desktopFormats.entries()) {
    const [line, start] = tokens.find((t) => t[3] === kind);
    const format = await page.evaluate(
      ([l, s]) => {
        const { view } = window.zarEditor.probe();
        const { node } = view.domAtPos(view.state.doc.line(l + 1).from + s + 1);
        const e = node.nodeType === 3 ? node.parentElement : node;
        const css = getComputedStyle(e);
        return [e.className, css.color, css.fontWeight, css.fontStyle];
      },
      [line, start],
    );
    expect(format, name).toEqual([`tok-${name}`, colour, weight, style]);
  }
  // Typing gives the workspace code page 1252 bytes with the file's line breaks.
  await openSource(page, 'crlf.OIA', Buffer.from('SET,a\r\nSET,b'));
  await page.locator('.cm-content').click();
  await page.keyboard.press('Control+End');
  await page.keyboard.type('\n# ');
  await page.keyboard.insertText('é€ 😀');
  const bytes = await page.evaluate(() => window.zarEditor.bytes());
  const expected = [...Buffer.from('SET,a\r\nSET,b\r\n# ', 'latin1'), 0xe9, 0x80, 0x20, 0x3f, 0x3f];
  expect(bytes).toEqual(expected);
  await openSource(page, 'lf.OIA', Buffer.from('SET,a\nSET,b'));
  await page.locator('.cm-content').click();
  // Nothing to undo into the source opened before.
  await page.keyboard.press('Control+Z');
  expect(await text(page)).toBe('SET,a\nSET,b');
  await page.keyboard.press('Control+End');
  await page.keyboard.type('\nSET,c');
  expect(await text(page)).toBe('SET,a\nSET,b\nSET,c');
});

test('a breakpoint on a line number follows its line and stops Generate and Start', async ({ page }) => {
  const file = example('countdown.OIA');
  const dump = nativeDump(file);
  const line = 25; // SUB,c,one,?
  const address = dump.instructionAtLine[line - 1];
  expect(address).toBeGreaterThan(0);
  await openPanel(page);
  await page.click('#mdbg');
  await openSource(page, 'countdown.OIA', fs.readFileSync(file));
  await page.locator('.cm-lineNumbers .cm-gutterElement', { hasText: new RegExp(`^${line}$`) }).click();
  expect(await breakpoints(page)).toEqual([line]);
  // It waits for the first Generate.
  await page.waitForTimeout(100);
  await expect(page.locator('#breakpoints')).toHaveText('');
  // A line inserted above it: the breakpoint goes down with its line.
  await page.locator('.cm-content').click();
  await page.evaluate(() => {
    const { view } = window.zarEditor.probe();
    view.dispatch({ selection: { anchor: view.state.doc.line(10).to } });
  });
  await page.keyboard.type('\n# a note');
  expect(await breakpoints(page)).toEqual([line + 1]);
  // F9 in the editor toggles the cursor line's breakpoint (here the new line's, on and off).
  await page.keyboard.press('F9');
  expect(await breakpoints(page)).toEqual([11, line + 1]);
  await page.keyboard.press('F9');
  expect(await breakpoints(page)).toEqual([line + 1]);
  await page.keyboard.press('F5');
  await page.waitForSelector('body[data-runs="1"]');
  await expect(page.locator('#breakpoints')).toHaveText(`breakpoint ${address}`);
  expect(await page.evaluate(() => document.body.dataset.ip)).toBe(String(address));
  await expect(page.locator('#state')).toContainText(`at breakpoint ${address}`);
});

// The tutorial's programs (docs_test runs each as the text says), each put
// into the editor by its own button in Help: its text, assembled with a
// message only where it shows a mistake.
const tutorial = [...fs.readFileSync(path.join(root, 'docs/tutorial.md'), 'utf8')
  .matchAll(/^```(oia|oia-fails)\n([\s\S]*?)\n```$/gm)].map(([, kind, text]) => ({ fails: kind === 'oia-fails', text }));

test('the tutorial in the page: every program from its button is its text and assembles as it says', async ({ page }) => {
  expect(tutorial.length).toBeGreaterThan(10);
  await openPanel(page);
  for (const [k, program] of tutorial.entries()) {
    await page.click('#mhelptutorial');
    const put = page.locator('#asm-help .put-source');
    await expect(put).toHaveCount(tutorial.length);
    await scanned(page, () => put.nth(k).click());
    await expect(page.locator('#asm-help')).not.toBeVisible();
    await expect(page.locator('#sourceCaption')).toHaveText(`Quelltext : tutorial-${k + 1}.OIA`);
    expect((await text(page)).replace(/\r\n/g, '\n'), `program ${k + 1}`).toBe(program.text);
    await generate(page, '#mcreatecopy');
    expect((await messageRows(page)).length > 0, `program ${k + 1}`).toBe(program.fails);
  }
});
