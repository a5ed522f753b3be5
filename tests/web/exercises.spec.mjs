// The Exercises panel against the native zar check: for every exercise of
// the course, its reference solution and a wrong program (the next
// exercise's solution) give in the page the cases, passes, points and
// reasons zar check --json gives; the expected picture of a screen is
// decoded by the browser as the core reads it; a failed case loaded into the
// machine steps as zar run steps the same program with the case's inputs.
// The fixtures are made by the native build in this run (ZAR_NATIVE).
import { test, expect } from '@playwright/test';
import fs from 'node:fs';
import path from 'node:path';
import { counter, example, nativeRun, open, pageState, root, run, runNative, scratch } from './support.mjs';

// The teacher's pictures come from routes of the test, which the page's service
// worker would not see.
test.use({ serviceWorkers: 'block' });

const dir = scratch('exercises');
const exercisesDir = path.join(root, 'exercises');
const solutions = path.join(root, 'tests/exercises/solutions');
const course = JSON.parse(fs.readFileSync(path.join(exercisesDir, 'course.json'), 'utf8')).exercises.map((e) => e.file);
const solution = (k) => path.join(solutions, course[k % course.length].replace('.json', '.OIA'));

// zar check --json of a course exercise (or an exercise file elsewhere).
function nativeCheck(exercise, program) {
  const r = runNative(['check', '--json', path.resolve(exercisesDir, exercise), program], { ok: [0, 1, 3], encoding: 'utf8' });
  const { path: _, ...submission } = JSON.parse(r.stdout).submissions[0];
  return submission;
}

// Opens the exercise (a course exercise's file name, or what zarExercises.open
// takes) in the panel, puts the program into the workspace as the editor
// would, presses Check and reads the report and the table.
async function checkInPage(page, exercise, program) {
  const checks = await counter(page, 'checks');
  const opened = await page.evaluate(async ([which, bytes, file]) => {
    const info = await window.zarExercises.open(which);
    window.zarExercises.workspace.open({ name: file, bytes: new Uint8Array(bytes) }, 'editor');
    return info;
  }, [typeof exercise === 'string' ? { name: exercise } : exercise, [...fs.readFileSync(program)], path.basename(program)]);
  expect(typeof opened, String(opened)).toBe('object');
  await page.click('#exerciseCheck');
  await page.waitForSelector(`body[data-checks="${checks + 1}"]`);
  return page.evaluate(() => ({
    report: window.zarGrade,
    rows: [...document.querySelectorAll('#exerciseCases tbody tr')].map((tr) => [...tr.cells].map((td) => td.textContent)),
  }));
}

// The table's row as it should read for a case of zar check's report.
const row = (c, points) => [String(c.case), c.name, c.passed ? 'PASS' : 'FAIL', `${c.passed ? points : 0} of ${points}`,
  c.failure, c.passed ? '' : 'Step through'];

test('Check gives zar check\'s results for every exercise, its solution and a wrong program', async ({ page }) => {
  await open(page);
  await page.click('#mexer');
  for (let i = 0; i < course.length; ++i) {
    const exercise = JSON.parse(fs.readFileSync(path.join(exercisesDir, course[i]), 'utf8'));
    for (const program of [solution(i), solution(i + 1)]) {
      const got = await checkInPage(page, course[i], program);
      const want = nativeCheck(course[i], program);
      const label = `${course[i]} with ${path.basename(program)}`;
      expect({ label, ...got.report }).toEqual({ label, ...want });
      expect(got.rows).toEqual(want.cases.map((c, k) => row(c, exercise.cases[k].points ?? 1)));
    }
  }
  // A source that does not assemble: no case runs, the assembler says why.
  const broken = path.join(dir, 'broken.OIA');
  fs.writeFileSync(broken, 'SUB,1\nGTO\n');
  const got = await checkInPage(page, course[0], broken);
  expect(got.report).toEqual(nativeCheck(course[0], broken));
  await expect(page.locator('#exerciseSummary')).toHaveText(
    `FAIL: the source does not assemble: ${got.report.messages[0].text}`);
  // Every exercise passed once: each is marked in the list, and stays so.
  const marked = () => page.locator('#exerciseList button.passed').count();
  expect(await marked()).toBe(course.length);
  await open(page);
  await page.click('#mexer');
  await expect(page.locator('#exerciseList button.passed')).toHaveCount(course.length);
  await expect(page.locator('#courseProgress')).toHaveText(`(${course.length} of ${course.length} passed)`);
  expect(JSON.parse(await page.evaluate(() => localStorage.getItem('zar.exercises.passed')))).toEqual([...course].sort());
});

// A teacher's exercise with a picture of many colours, served beside it: the
// colours come through the browser's decoding in their channels, and the
// report is zar check's; stepping through a case that failed on it shows the screen.
test('a teacher\'s picture of many colours is decoded by the browser as the core reads it', async ({ page, context }) => {
  const folder = fs.mkdtempSync(path.join(dir, 'teacher-'));
  const picture = path.join(folder, 'colours.png');
  runNative(['run', example('screen.OIA'), '--steps', '100000', '--screen', picture]);
  const json = JSON.stringify({ title: 'Colours', task: 'Draw them.',
    cases: [{ name: 'colours', steps: 100000, expect: { screen: 'colours.png' } }] });
  fs.writeFileSync(path.join(folder, 'colours.json'), json);
  await context.route('**/teacher/colours.png', (route) => route.fulfill({ body: fs.readFileSync(picture),
    contentType: 'image/png' }));
  await open(page);
  for (const name of ['screen.OIA', 'square.OIA', 'bounce.OIA']) {
    const { report } = await checkInPage(page, { json, base: 'teacher/' }, example(name));
    expect({ name, ...report }).toEqual({ name, ...nativeCheck(path.join(folder, 'colours.json'), example(name)) });
  }
  expect(await page.evaluate(() => window.zarGrade.cases[0].failure)).toMatch(/^screen differs from colours\.png in \d+ pixels/);
  await page.getByRole('button', { name: 'Step through' }).click();
  await expect(page.locator('#panel-screen')).toBeVisible();
  await expect(page.locator('#panel-debugger')).toBeVisible();
});

test('a failed case loads into the machine and steps as zar run steps it', async ({ page }) => {
  // "a key later" of exercise 6 fails with the stars program: its key comes
  // at step 5000.
  const exercise = JSON.parse(fs.readFileSync(path.join(exercisesDir, '06_one_key.json'), 'utf8'));
  const program = solution(course.indexOf('06_one_key.json') + 1);
  await open(page);
  const got = await checkInPage(page, '06_one_key.json', program);
  expect(got.report.cases[1].passed).toBe(false);
  // The load clears the machine's breakpoints, and so the source's lines' too.
  const lines = () => page.evaluate(() => window.zarEditor.probe().breakpoints());
  await page.evaluate(() => window.zarEditor.probe().toggleBreakpoint(3));
  expect(await lines()).toEqual([3]);
  await page.locator('#exerciseCases tbody tr').nth(1).getByRole('button', { name: 'Step through' }).click();
  await expect(page.locator('#panel-debugger')).toBeVisible();
  await expect.poll(lines).toEqual([]);
  const script = exercise.cases[1].inputs.join('\n') + '\n';
  for (let k = 1; k <= 3; ++k) {
    await page.click('#Command3');
    await page.waitForSelector(`body[data-clock="${k}"]`);
  }
  expect(await pageState(page)).toEqual(nativeRun(program, script, 3));
  await run(page, exercise.cases[1].steps - 3);
  expect(await pageState(page)).toEqual(nativeRun(program, script, exercise.cases[1].steps));
});

test('an exercise that is not valid is refused with the core\'s reason, and nothing is lost', async ({ page }) => {
  const bad = [
    '{"title": "t", "task": "x", "cases": [{"name": "a", "steps": 10, "expect": {"consol": "A"}}]}',
    '{"title": "t", "task": "x", "cases": []}',
    '{"title": "t", "task": "x", "cases": [{"name": "a", "steps": 10, "expect": {"screen": "nowhere.png"}}]}',
    '{"title": "t",',
  ];
  await open(page);
  const kept = await page.evaluate(() => window.zarExercises.open({ name: '06_one_key' }));
  expect(kept.title).toBe('Read a key');
  for (const json of bad.slice(0, 2).concat(bad.slice(3))) {
    const file = path.join(dir, 'bad.json');
    fs.writeFileSync(file, json);
    const r = runNative(['check', '--validate', file], { ok: [2], encoding: 'utf8' });
    const said = await page.evaluate((text) => window.zarExercises.open({ json: text }), json);
    expect(said).toBe(`This is not a valid exercise: ${r.stderr.trim().slice(`zar: ${file}:`.length)}`);
    await expect(page.locator('#exerciseSummary')).toHaveText(said);
  }
  const missing = await page.evaluate((text) => window.zarExercises.open({ json: text }), bad[2]);
  expect(missing).toMatch(/^This is not a valid exercise: \/cases: cannot read the picture "nowhere.png": 404/);
  // The exercise open before still checks.
  await expect(page.locator('#exerciseTitle')).toHaveText('Read a key');
});

// A budget no check can finish in the page: the worker cuts the run off
// after ten seconds, as zar check --timeout does, and the page goes on.
test('a check that would run for hours is cut off, and the machine goes on', async ({ page }) => {
  await open(page);
  const json = JSON.stringify({ title: 'Forever', task: 'Loop.',
    cases: [{ name: 'long', steps: 1e15, expect: { fixedPoint: true } }, { name: 'after', steps: 10, expect: { console: 'A' } }] });
  await page.evaluate((text) => window.zarExercises.open({ json: text }), json);
  await page.evaluate(() => window.zarExercises.workspace.open({ name: 'loop.OIA',
    bytes: new TextEncoder().encode('MOV,x,1\n:top\nSUB,x,zero,top\nGTO,top\nSET,zero\nSET,x\n') }, 'editor'));
  await page.click('#exerciseCheck');
  await page.waitForSelector('body[data-checks="1"]', { timeout: 30_000 });
  const report = await page.evaluate(() => window.zarGrade);
  expect(report.cases.map((c) => [c.passed, c.timedOut, c.outOfSteps])).toEqual([[false, true, false], [false, true, false]]);
  expect(report.cases[0].failure).toMatch(/^timed out at step \d+$/);
  expect(report.cases[1].failure).toBe('timed out at step 0');
  const steps = Number(await page.locator('body').getAttribute('data-steps'));
  await page.click('#Command3');
  await page.waitForSelector(`body[data-steps="${steps + 1}"]`);
});

test('the learner\'s source of each exercise is kept, across exercises and visits', async ({ page }) => {
  await open(page);
  const starter = fs.readFileSync(path.join(exercisesDir, '01_starter.OIA'), 'latin1');
  const current = () => page.evaluate(() => {
    const file = window.zarExercises.workspace.current();
    return { name: file.name, text: String.fromCharCode(...file.bytes) };
  });
  await page.evaluate(() => window.zarExercises.open({ name: '01_print_a_character' }));
  expect(await current()).toEqual({ name: '01_starter.OIA', text: starter });
  const edited = `${starter}\n# caf\xe9 \x80\n`;
  await page.evaluate((text) => window.zarExercises.workspace.edited(Uint8Array.from(text, (c) => c.charCodeAt(0))),
    edited);
  await page.evaluate(() => window.zarExercises.open({ name: '02_print_a_line' }));
  expect(await current()).toEqual({ name: '02_print_a_line.OIA', text: '' });
  await open(page);
  await page.evaluate(() => window.zarExercises.open({ name: '01_print_a_character' }));
  expect(await current()).toEqual({ name: '01_starter.OIA', text: edited });
});

test('a task\'s Markdown is shown without its scripts', async ({ page }) => {
  await open(page);
  const json = JSON.stringify({ title: 'Sly', task: '**Bold** <img src=x onerror="window.hacked=1"><script>window.hacked=2</script>',
    hints: ['[a link](javascript:window.hacked=3)'], cases: [{ name: 'a', steps: 10, expect: { fixedPoint: true } }] });
  await page.evaluate((text) => window.zarExercises.open({ json: text }), json);
  await page.click('#exerciseHint');
  await expect(page.locator('#exerciseTask strong')).toHaveText('Bold');
  expect(await page.locator('#panel-exercises [onerror], #panel-exercises script, #panel-exercises a[href^="javascript"]')
    .count()).toBe(0);
  await page.locator('#exerciseHints a').click().catch(() => {});
  expect(await page.evaluate(() => window.hacked)).toBeUndefined();
});
