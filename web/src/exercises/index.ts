// The Exercises panel: the course bundled with the page (exercises/), an
// exercise's task and hints beside the source, Check through the core's
// exercise library in the worker, the table of cases, a failed case loaded
// into the machine, and the learner's progress kept in the browser.
import { renderMarkdown } from '../markdown';
import type { Page } from '../page';
import type { ExerciseInfo, GradeReport, Reply } from '../protocol';
import { gradeSummary, showCases, showGrade } from './cases';
import { keepSource, keptSource, markPassed, passedExercises } from './progress';

// An exercise of the course by its file name ("06_one_key" or
// "06_one_key.json"), or a teacher's exercise as JSON text, its pictures and
// starter found beside base (the course's folder when not given).
export type ExerciseSource = { name: string } | { json: string; base?: string };

interface CourseEntry {
  file: string;
  title: string;
}

const courseUrl = () => new URL('exercises/', document.baseURI).href;
const $ = <T extends HTMLElement>(id: string) => document.getElementById(id) as T;

class ExercisePanel {
  private course: CourseEntry[] = [];
  private info: ExerciseInfo | undefined;
  private name: string | undefined; // the course's file, when it is one of the course
  private hintsShown = 0;
  private opened: ((said: Extract<Reply, { type: 'exercise' }>) => void)[] = [];
  private report: GradeReport | undefined;
  private courseRead: Promise<void> | undefined;
  private checking = false; // a check is on its way: Check does nothing until it is back
  private source: string | undefined; // the name of the exercise's source while it is the one worked on

  constructor(private readonly page: Page) {
    page.listen((r) => this.reply(r));
    page.action('mexer', () => this.toggle());
    page.action('exerciseCheck', () => this.check(), 'Alt+C');
    page.action('exerciseHint', () => this.showHint());
    page.action('exercisePrevious', () => this.step(-1));
    page.action('exerciseNext', () => this.step(1));
    // The learner's work on a course exercise is kept as it is edited.
    page.workspace.onEdit((file) => this.name && this.source === file.name && keepSource(this.name, file.name, file.bytes));
    page.workspace.onOpen((file, origin) => (this.source = origin === 'exercise' ? file.name : undefined));
  }

  private toggle() {
    const panel = $('panel-exercises');
    panel.hidden = !panel.hidden;
    if (panel.hidden) return;
    void this.readCourse().then(() => panel.querySelector<HTMLElement>('#exerciseList button')?.focus());
  }

  readCourse(): Promise<void> {
    this.courseRead ??= fetch(new URL('course.json', courseUrl()))
      .then((r) => (r.ok ? r.json() : Promise.reject(new Error(`${r.status} ${r.statusText}`))))
      .then((course: { title: string; exercises: CourseEntry[] }) => {
        this.course = course.exercises;
        $('courseTitle').textContent = course.title;
        this.showCourse();
      })
      .catch((e: Error) => this.say(`The course could not be read: ${e.message}`));
    return this.courseRead;
  }

  private showCourse() {
    const passed = passedExercises();
    const list = $('exerciseList').querySelector('ol')!;
    list.replaceChildren(
      ...this.course.map((entry) => {
        const item = document.createElement('li');
        const button = document.createElement('button');
        const done = passed.has(entry.file);
        button.textContent = `${done ? '\u2713 ' : ''}${entry.title}`;
        button.dataset.file = entry.file;
        button.classList.toggle('passed', done);
        if (done) button.setAttribute('aria-description', 'passed');
        if (entry.file === this.name) button.setAttribute('aria-current', 'true');
        button.addEventListener('click', () => void this.open({ name: entry.file }));
        item.append(button);
        return item;
      }),
    );
    const done = this.course.filter((e) => passed.has(e.file)).length;
    $('courseProgress').textContent = `(${done} of ${this.course.length} passed)`;
  }

  private step(by: number) {
    const at = this.course.findIndex((e) => e.file === this.name);
    const next = this.course[at + by];
    if (next) void this.open({ name: next.file });
  }

  async open(source: ExerciseSource): Promise<ExerciseInfo | string> {
    $('panel-exercises').hidden = false;
    void this.readCourse();
    let json: Uint8Array;
    let base = courseUrl();
    let name: string | undefined;
    if ('name' in source) {
      name = source.name.endsWith('.json') ? source.name : `${source.name}.json`;
      const response = await fetch(new URL(name, base)).catch(() => undefined);
      if (!response?.ok) return this.fail(`There is no exercise "${source.name}" in the course.`);
      json = new Uint8Array(await response.arrayBuffer());
    } else {
      json = new TextEncoder().encode(source.json);
      base = new URL(source.base ?? base, document.baseURI).href;
    }
    const said = await new Promise<Extract<Reply, { type: 'exercise' }>>((resolve) => {
      this.opened.push(resolve);
      this.page.send({ type: 'exerciseOpen', json, base });
    });
    if (!said.info) return this.fail(`This is not a valid exercise: ${said.error}`);
    this.show(said.info, name);
    await this.openStarter(said.info, base, name);
    return said.info;
  }

  private fail(why: string) {
    this.say(why);
    return why;
  }

  private show(info: ExerciseInfo, name: string | undefined) {
    this.info = info;
    this.name = name;
    this.report = undefined;
    this.hintsShown = 0;
    $('exerciseTitle').textContent = info.title;
    renderMarkdown(info.task, $('exerciseTask'));
    $('exerciseHints').replaceChildren();
    $<HTMLButtonElement>('exerciseHint').hidden = info.hints.length === 0;
    $<HTMLButtonElement>('exerciseCheck').disabled = false;
    showCases($<HTMLTableElement>('exerciseCases').tBodies[0], info);
    this.say(name && passedExercises().has(name) ? 'Passed before: Check to grade the source again.' : '');
    this.showCourse();
    // On a narrow screen the list gives way to the task.
    if (matchMedia('(max-width: 640px)').matches) $<HTMLDetailsElement>('courseDetails').open = false;
    document.body.dataset.exercise = name ?? info.title;
  }

  // The learner's source kept from before, or the starter, or an empty
  // source named after the exercise, into the editor.
  private async openStarter(info: ExerciseInfo, base: string, name: string | undefined) {
    const stem = (name ?? 'exercise').replace(/\.json$/, '');
    let file = { name: `${stem}.OIA`, bytes: new Uint8Array() };
    const kept = name ? keptSource(name) : undefined;
    if (kept) file = kept;
    else if (info.starter) {
      const response = await fetch(new URL(info.starter, base)).catch(() => undefined);
      if (response?.ok) file = { name: info.starter, bytes: new Uint8Array(await response.arrayBuffer()) };
      else this.say(`The starter "${info.starter}" could not be read: the source is empty.`);
    }
    this.page.workspace.open(file, 'exercise');
  }

  private showHint() {
    const hints = this.info?.hints ?? [];
    if (this.hintsShown >= hints.length) return;
    const hint = document.createElement('div');
    hint.className = 'hint';
    renderMarkdown(hints[this.hintsShown++], hint);
    $('exerciseHints').append(hint);
    $<HTMLButtonElement>('exerciseHint').hidden = this.hintsShown >= hints.length;
  }

  private check() {
    if (!this.info) return this.say('Open an exercise first.');
    const source = this.page.workspace.current();
    if (this.checking) return;
    this.checking = true;
    this.say('Checking\u2026');
    $('exerciseCheck').setAttribute('aria-disabled', 'true');
    this.page.send({ type: 'exerciseCheck', bytes: source.bytes, name: source.name });
  }

  private reply(r: Reply) {
    if (r.type === 'exercise') this.opened.shift()?.(r);
    else if (r.type === 'grade') this.graded(r.report, r.error);
    else if (r.type === 'caseLoaded' && !r.ok) this.say('Check the program first: the case needs its program.');
  }

  private graded(report: GradeReport | undefined, error: string | undefined) {
    const info = this.info;
    this.checking = false;
    $('exerciseCheck').removeAttribute('aria-disabled');
    if (!report || !info) return this.say(error ?? 'Open an exercise first.');
    this.report = report;
    showGrade($<HTMLTableElement>('exerciseCases').tBodies[0], info, report, (i) => this.loadCase(i));
    this.say(gradeSummary(info, report));
    if (report.passed && this.name) {
      markPassed(this.name);
      this.showCourse();
    }
    (window as unknown as { zarGrade: GradeReport }).zarGrade = report;
    document.body.dataset.checks = String(Number(document.body.dataset.checks ?? 0) + 1);
  }

  private loadCase(index: number) {
    if (!this.report) return;
    this.page.send({ type: 'exerciseLoadCase', index });
    if ($('panel-debugger').hidden) this.page.run('mdbg');
    if (this.info?.cases[index]?.screen && $('panel-screen').hidden) this.page.run('msop');
    this.say(`Case ${index + 1} is in the machine, stopped at its start: step it with the Debugger.`);
  }

  private say(text: string) {
    $('exerciseSummary').textContent = text;
  }
}

const panels = new WeakMap<Page, ExercisePanel>();

export function initExercises(page: Page) {
  if (!panels.has(page)) panels.set(page, new ExercisePanel(page));
  // For the tests: open an exercise straight.
  (window as unknown as { zarExercises: unknown }).zarExercises = {
    open: (source: ExerciseSource) => openExercise(page, source),
    workspace: page.workspace,
  };
}

// Opens an exercise of the course or a teacher's JSON text in the panel (the
// page's link uses it). Resolves to the exercise, or to the message shown
// when it cannot be opened (not valid: the core's reason, with its place).
export function openExercise(page: Page, source: ExerciseSource): Promise<ExerciseInfo | string> {
  initExercises(page);
  return panels.get(page)!.open(source);
}
