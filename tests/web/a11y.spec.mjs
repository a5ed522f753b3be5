// The page for everyone: axe finds no serious or critical fault on any panel
// or dialog (those other parts add included: every section panel-* and every
// <dialog>), the keyboard alone reaches every control with its focus shown,
// a phone's screen stacks the panels with touch targets of 44 px, and the
// console is read out in batches that can be switched off.
import { test, expect } from '@playwright/test';
import AxeBuilder from '@axe-core/playwright';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';

const root = path.resolve(path.dirname(new URL(import.meta.url).pathname), '../..');
const shots = process.env.ZAR_SHOTS ?? fs.mkdtempSync(path.join(os.tmpdir(), 'zar-a11y-'));
const example = (name) => [...fs.readFileSync(path.join(root, 'examples', name))];

async function open(page) {
  await page.goto('index.html');
  await page.waitForSelector('body[data-ready="1"]');
}
async function loadAndRun(page, name, steps) {
  const runs = Number((await page.locator('body').getAttribute('data-runs')) ?? 0);
  await page.evaluate(([bytes, n, s]) => {
    window.zar({ type: 'load', bytes: new Uint8Array(bytes), name: n });
    window.zar({ type: 'run', steps: s });
  }, [example(name), name, steps]);
  await page.waitForSelector(`body[data-runs="${runs + 1}"]`);
}
// Every panel shown, as its menu entry shows it (or straight, for one that
// has none yet).
async function showEveryPanel(page) {
  await page.evaluate(() => {
    for (const p of document.querySelectorAll('section[id^="panel-"]')) p.hidden = false;
    window.zar({ type: 'show', panels: ['memoryText', 'screen', 'history', 'debugger'] });
  });
}
async function seriousFaults(page, include) {
  let axe = new AxeBuilder({ page }).withTags(['wcag2a', 'wcag2aa', 'wcag21a', 'wcag21aa', 'wcag22aa', 'best-practice']);
  if (include) axe = axe.include(include);
  const { violations } = await axe.analyze();
  return violations.filter((v) => v.impact === 'serious' || v.impact === 'critical')
    .map((v) => ({ id: v.id, nodes: v.nodes.map((n) => n.target.join(' ')) }));
}

for (const [width, height] of [[1280, 800], [390, 844]]) {
  test(`axe finds nothing serious on the page, each panel and each dialog at ${width} x ${height}`, async ({ page }) => {
    await page.setViewportSize({ width, height });
    await open(page);
    await loadAndRun(page, 'hello.OIA', 1000);
    expect(await seriousFaults(page)).toEqual([]);
    const panels = await page.locator('section[id^="panel-"]').evaluateAll((all) => all.map((p) => p.id));
    expect(panels.length).toBeGreaterThanOrEqual(4);
    await showEveryPanel(page);
    for (const id of panels) {
      expect({ id, faults: await seriousFaults(page, `#${id}`) }).toEqual({ id, faults: [] });
    }
    await loadAndRun(page, 'screen.OIA', 100000);
    expect(await seriousFaults(page)).toEqual([]);
    await page.screenshot({ path: path.join(shots, `every-panel-${width}x${height}.png`), fullPage: true });
    const dialogs = await page.locator('dialog').evaluateAll((all) => all.map((d, i) => d.id || String(i)));
    for (const [i, id] of dialogs.entries()) {
      await page.evaluate((n) => {
        const d = document.querySelectorAll('dialog')[n];
        d.dataset.checked = '1';
        d.showModal();
      }, i);
      expect({ id, faults: await seriousFaults(page, 'dialog[data-checked]') }).toEqual({ id, faults: [] });
      await page.evaluate(() => {
        const d = document.querySelector('dialog[data-checked]');
        d.close();
        delete d.dataset.checked;
      });
    }
  });
}

// The controls the keyboard should reach: visible, enabled, focusable.
const controls = () => [...document.querySelectorAll('button, input, select, textarea, a[href], [tabindex="0"]')]
  .filter((e) => !e.disabled && e.type !== 'file' && e.getClientRects().length && !e.closest('[hidden], dialog'))
  .map((e) => e.id || `${e.closest('[id]')?.id ?? ''} ${e.tagName} ${e.textContent.trim()}`);

test('Tab alone reaches every control of every panel, each with a visible focus ring', async ({ page }) => {
  await page.setViewportSize({ width: 1280, height: 800 });
  await open(page);
  await showEveryPanel(page);
  const want = await page.evaluate(controls);
  const reached = [];
  for (let i = 0; i < want.length + 10; ++i) {
    await page.keyboard.press('Tab');
    const focused = await page.evaluate(() => {
      const e = document.activeElement;
      const s = getComputedStyle(e);
      if (e === document.body) return { name: 'BODY' };
      return {
        name: e.id || `${e.closest('[id]')?.id ?? ''} ${e.tagName} ${e.textContent.trim()}`,
        ring: s.outlineStyle !== 'none' && parseFloat(s.outlineWidth) >= 2,
      };
    });
    if (focused.name === 'BODY') continue;  // past the last control, before the first again
    if (reached.some((r) => r.name === focused.name)) break;
    reached.push(focused);
  }
  expect(reached.map((r) => r.name).sort()).toEqual([...want].sort());
  expect(reached.filter((r) => !r.ring).map((r) => r.name)).toEqual([]);
  // The key field lets Tab go on, and takes every other key.
  await page.focus('#keyb');
  await page.keyboard.press('Tab');
  await expect(page.locator('#keyb')).not.toBeFocused();
});

test('on a phone the panels stack, the memory text fits, and every control is a 44 px touch target',
  async ({ page }) => {
    await page.setViewportSize({ width: 390, height: 844 });
    await open(page);
    await showEveryPanel(page);
    await page.evaluate(() => window.zar({ type: 'fill', pattern: 3 }));
    await expect(page.locator('#rtb1')).toContainText('IP:');
    const layout = await page.evaluate(() => {
      const rtb1 = document.getElementById('rtb1');
      const boxes = [...document.querySelectorAll('#front > div, .panel:not([hidden])')].map((e) => e.getBoundingClientRect());
      return {
        pageWide: document.documentElement.scrollWidth,
        memoryTextScrolls: rtb1.scrollWidth > rtb1.clientWidth,
        stacked: boxes.every((b, i) => i === 0 || b.top >= boxes[i - 1].bottom - 1),
        small: [...document.querySelectorAll('button, input, select, textarea, a[href]')]
          .filter((e) => e.type !== 'file' && e.getClientRects().length && !e.closest('[hidden], dialog'))
          .map((e) => [e, (e.type === 'checkbox' && e.closest('label')) || e])
          .filter(([, t]) => t.getBoundingClientRect().width < 44 || t.getBoundingClientRect().height < 44)
          .map(([e]) => e.id || e.textContent.trim()),
      };
    });
    expect(layout).toEqual({ pageWide: 390, memoryTextScrolls: false, stacked: true, small: [] });
    await page.screenshot({ path: path.join(shots, 'phone-390x844.png'), fullPage: true });
  });

test('the on-screen keys type into the key cell on a phone', async ({ page }) => {
  await page.setViewportSize({ width: 390, height: 844 });
  await open(page);
  await page.click('#memTableToggle');
  await expect(page.locator('#memTableToggle')).toHaveAttribute('aria-pressed', 'true');
  const cell254 = page.locator('#memTable tbody tr').nth(15).locator('td').nth(14);
  for (const [key, code] of [['A', '65'], ['7', '55'], ['Space', '32']]) {
    await page.locator('#keypad button', { hasText: new RegExp(`^${key}$`) }).click();
    await expect(cell254).toHaveText(code);
  }
});

test('the memory table has row and column headers and follows the memory', async ({ page }) => {
  await open(page);
  await page.click('#memTableToggle');
  await expect(page.locator('#memTableBox')).toBeFocused();
  await page.evaluate(() => window.zar({ type: 'fill', pattern: 1 }));  // Ascending: cell i holds i
  const table = page.locator('#memTable');
  await expect(table.locator('thead th')).toHaveCount(16);
  await expect(table.locator('tbody th[scope="row"]')).toHaveCount(16);
  await expect(table.locator('tbody tr').nth(3).locator('td').nth(5)).toHaveText('53');
  await expect(table.locator('td[aria-current="true"]')).toHaveText('0');  // the IP's cell
  await page.evaluate(() => window.zar({ type: 'setCell', cell: 200, value: 7 }));
  await expect(table.locator('tbody tr').nth(12).locator('td').nth(8)).toHaveText('7');
});

test('console output is read out in batches, at most about once a second, and can be switched off',
  async ({ page }) => {
    await open(page);
    await page.evaluate(() => {
      window.announced = [];
      new MutationObserver(() => window.announced.push([performance.now(), document.getElementById('consoleAnnounce').textContent]))
        .observe(document.getElementById('consoleAnnounce'), { childList: true, characterData: true, subtree: true });
    });
    await expect(page.locator('#consoleAnnounce')).toHaveAttribute('aria-live', 'polite');
    // Keys echoed as they come, a character at a time.
    await page.evaluate((bytes) => {
      window.zar({ type: 'load', bytes: new Uint8Array(bytes), name: 'upper.OIA' });
      window.zar({ type: 'fullSpeed' });
    }, example('upper.OIA'));
    await page.waitForTimeout(300);
    await page.focus('#keyb');
    await page.keyboard.type('abcdefghij', { delay: 150 });
    await expect(page.locator('#cbox')).toHaveText('ABCDEFGHIJ');
    await page.waitForTimeout(1200);
    const announced = await page.evaluate(() => window.announced);
    expect(announced.map(([, t]) => t).join('')).toBe('ABCDEFGHIJ');
    expect(announced.length).toBeLessThanOrEqual(3);
    for (let i = 1; i < announced.length; ++i) expect(announced[i][0] - announced[i - 1][0]).toBeGreaterThan(900);
    // Switched off: nothing more, and so it stays after a reload.
    await page.click('#announceConsole');
    await page.focus('#keyb');
    await page.keyboard.type('xyz', { delay: 100 });
    await expect(page.locator('#cbox')).toHaveText('ABCDEFGHIJXYZ');
    await page.waitForTimeout(1200);
    expect(await page.evaluate(() => window.announced.length)).toBe(announced.length);
    await page.reload();
    await expect(page.locator('#announceConsole')).not.toBeChecked();
  });
