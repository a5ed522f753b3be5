import { chromium } from '@playwright/test';
import { spawn } from 'node:child_process';
const srv = spawn('python3', ['-m', 'http.server', '18443', '--bind', '127.0.0.1', '--directory', 'build-web/site'], { stdio: 'ignore' });
await new Promise((r) => setTimeout(r, 800));
const browser = await chromium.launch({ executablePath: '/usr/bin/chromium', args: ['--no-sandbox'] });
for (const [w, h] of [[1280, 800], [390, 844]]) {
  const page = await browser.newPage({ viewport: { width: w, height: h } });
  page.on('pageerror', (e) => console.log('pageerror:', e.message));
  await page.goto('http://127.0.0.1:18443/index.html');
  await page.waitForSelector('body[data-editor-ready="1"]');
  await page.click('#mzarass');
  await page.click('#mhelptutorial');
  await page.waitForSelector('#asm-help .put-source');
  await page.screenshot({ path: `/tmp/editor-shots/help-${w}.png` });
  // A big source: the time of one keystroke's colours and bytes.
  const times = await page.evaluate(async () => {
    const lines = [];
    for (let i = 0; i < 5000; ++i) lines.push(i % 3 ? `SUB,v${i % 50},one,?` : `# comment ${i}`);
    window.zarEditor.open('big.OIA', [...new TextEncoder().encode(lines.join('\r\n'))]);
    const { view } = window.zarEditor.probe();
    const t = [];
    for (let k = 0; k < 21; ++k) {
      const t0 = performance.now();
      view.dispatch({ changes: { from: 0, insert: 'x' } });
      t.push(performance.now() - t0);
    }
    t.sort((a, b) => a - b);
    return t[10];
  });
  console.log(w, 'median keystroke ms on 5000 lines', times.toFixed(2));
}
await browser.close();
srv.kill();
