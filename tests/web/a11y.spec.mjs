// The page for everyone: axe finds no serious or critical fault on any panel
// or dialog (those other parts add included: every section panel-* and every
// <dialog>), the keyboard alone reaches every control with its focus shown,
// a phone's screen stacks the panels with touch targets of 44 px, and the
// console is read out in batches that can be switched off.
import { test, expect } from '@playwright/test';
import AxeBuilder from '@axe-core/playwright';
import path from 'node:path';
import { example, load, open, run, scratch } from './support.mjs';

const shots = process.env.ZAR_SHOTS ?? scratch('a11y');
// Every panel shown, those of other parts too.
const showEveryPanel = (page) => page.evaluate(() => {
  for (const p of document.querySelectorAll('section[id^="panel-"]')) p.hidden = false;
  window.zar({ type: 'show', panels: ['memoryText', 'screen', 'history', 'debugger'] });
});
async function seriousFaults(page, include = 'body') {
  const { violations } = await new AxeBuilder({ page }).include(include)
    .withTags(['wcag2a', 'wcag2aa', 'wcag21a', 'wcag21aa', 'wcag22aa', 'best-practice']).analyze();
  return violations.filter((v) => ['serious', 'critical'].includes(v.impact))
    .map((v) => ({ id: v.id, nodes: v.nodes.map((n) => n.target.join(' ')) }));
}
// The visible controls, named by id or by place and caption.
const controls = (selector) => [...document.querySelectorAll(selector)]
  .filter((e) => e.type !== 'file' && e.getClientRects().length && !e.closest('[hidden], dialog'))
  .map((e) => [e, e.id || `${e.closest('[id]')?.id} ${e.textContent.trim()}`]);

for (const size of [[1280, 800], [390, 844]]) {
  test(`axe finds nothing serious on the page, each panel and each dialog at ${size.join(' x ')}`, async ({ page }) => {
    await open(page, { size });
    await showEveryPanel(page);
    await load(page, example('screen.OIA'));
    await run(page, 100000);
    const sections = await page.locator('section[id^="panel-"]').evaluateAll((all) => all.map((p) => `#${p.id}`));
    expect(sections.length).toBeGreaterThanOrEqual(4);
    for (const part of ['body', ...sections]) expect({ part, faults: await seriousFaults(page, part) }).toEqual({ part, faults: [] });
    await page.screenshot({ path: path.join(shots, `every-panel-${size.join('x')}.png`), fullPage: true });
    for (let i = 0; i < await page.locator('dialog').count(); ++i) {
      await page.evaluate((n) => document.querySelectorAll('dialog')[n].showModal(), i);
      expect({ i, faults: await seriousFaults(page, 'dialog[open]') }).toEqual({ i, faults: [] });
      await page.evaluate((n) => document.querySelectorAll('dialog')[n].close(), i);
    }
  });
}

test('Tab alone reaches every control of every panel, each with a visible focus ring', async ({ page }) => {
  await open(page);
  await showEveryPanel(page);
  const want = await page.evaluate(`(${controls})('button:enabled, input:enabled, select, textarea, a[href], '
    + '[tabindex="0"], summary, [contenteditable="true"]').map(([, name]) => name)`);
  // A group of radio buttons is one stop of Tab (the arrow keys choose within it).
  want.splice(0, want.length, ...new Set(want));
  const reached = [];
  for (let i = 0; i < want.length + 10; ++i) {
    await page.keyboard.press('Tab');
    const focused = await page.evaluate(`(() => {
      const e = document.activeElement, s = getComputedStyle(e);
      return e === document.body ? {} : { name: (${controls})('*').find(([c]) => c === e)?.[1] ?? e.tagName,
        ring: s.outlineStyle !== 'none' && parseFloat(s.outlineWidth) >= 2 };
    })()`);
    if (reached.some((r) => r.name === focused.name)) break;  // round again
    if (focused.name) reached.push(focused);
  }
  expect(reached.map((r) => r.name).sort()).toEqual(want.sort());
  expect(reached.filter((r) => !r.ring).map((r) => r.name)).toEqual([]);
});

test('on a phone the panels stack, the memory text fits, every control is a 44 px touch target, and the key pad '
  + 'types into the key cell, seen in the memory table', async ({ page }) => {
  await open(page, { size: [390, 844] });
  await showEveryPanel(page);
  await page.evaluate(() => window.zar({ type: 'fill', pattern: 3 }));
  await expect(page.locator('#rtb1')).toContainText('IP:');
  const layout = await page.evaluate(`(() => {
    const [rtb1, table] = [document.getElementById('rtb1'), document.getElementById('memTableBox')];
    const boxes = [...document.querySelectorAll('#front > div, .panel')].map((e) => e.getBoundingClientRect())
      .filter((b) => b.height);
    const target = (e) => (e.type === 'checkbox' && e.closest('label')) || e;
    return { pageWide: document.documentElement.scrollWidth, memoryTextScrolls: rtb1.scrollWidth > rtb1.clientWidth,
      tableScrolls: table.scrollWidth > table.clientWidth,
      stacked: boxes.every((b, i) => i === 0 || b.top >= boxes[i - 1].bottom - 1),
      small: (${controls})('button, input, select, textarea, a[href]').filter(([e]) => {
        const b = target(e).getBoundingClientRect();
        return b.width < 44 || b.height < 44;
      }).map(([, name]) => name) };
  })()`);
  expect(layout).toEqual({ pageWide: 390, memoryTextScrolls: false, tableScrolls: false, stacked: true, small: [] });
  // The table: row and column headers, Ascending's values, the IP's cell, the key cell.
  const table = page.locator('#memTable');
  await page.evaluate(() => window.zar({ type: 'fill', pattern: 1 }));
  await expect(table.locator('thead th[scope="col"]')).toHaveCount(16);
  await expect(table.locator('tbody th[scope="row"]')).toHaveCount(16);
  await expect(table.locator('tbody tr').nth(3).locator('td').nth(5)).toHaveText('53');
  await expect(table.locator('td[aria-current="true"]')).toHaveText('0');
  for (const [key, code] of [['A', '65'], ['7', '55'], ['Space', '32']]) {
    await page.locator('#keypad button', { hasText: new RegExp(`^${key}$`) }).click();
    await expect(table.locator('tbody tr').nth(15).locator('td').nth(14)).toHaveText(code);
  }
});

test('console output is read out in batches, at most about once a second, and can be switched off', async ({ page }) => {
  await open(page);
  await page.evaluate(() => {
    const region = document.getElementById('consoleAnnounce');
    window.announced = [];
    new MutationObserver(() => window.announced.push([performance.now(), region.textContent]))
      .observe(region, { childList: true, characterData: true, subtree: true });
  });
  await expect(page.locator('#consoleAnnounce')).toHaveAttribute('aria-live', 'polite');
  await load(page, example('upper.OIA'));  // echoes each key as it comes
  await page.evaluate(() => window.zar({ type: 'fullSpeed' }));
  await page.waitForTimeout(300);
  const typeAndWait = async (keys, all) => {
    await page.focus('#keyb');
    await page.keyboard.type(keys, { delay: 150 });
    await expect(page.locator('#cbox')).toHaveText(all);
    await page.waitForTimeout(1200);
    return page.evaluate(() => window.announced);
  };
  const announced = await typeAndWait('abcdefghij', 'ABCDEFGHIJ');
  expect(announced.map(([, t]) => t).join('')).toBe('ABCDEFGHIJ');
  expect(announced.length).toBeLessThan(5);  // not a character at a time: 150 ms apart, batches 1 s apart
  for (let i = 1; i < announced.length; ++i) expect(announced[i][0] - announced[i - 1][0]).toBeGreaterThan(900);
  await page.click('#announceConsole');  // off: nothing more, and so it stays
  expect(await typeAndWait('xyz', 'ABCDEFGHIJXYZ')).toHaveLength(announced.length);
  await page.reload();
  await expect(page.locator('#announceConsole')).not.toBeChecked();
});
