// The table of an exercise's cases: each case's name, PASS or FAIL, its
// points and the reason as zar check words it, and for a failed case a
// button that loads its starting machine.
import type { ExerciseInfo, GradeReport } from '../protocol';

function cell(row: HTMLTableRowElement, text: string, className?: string) {
  const td = row.insertCell();
  td.textContent = text;
  if (className) td.className = className;
  return td;
}

// The cases before any check: names and the points they are worth.
export function showCases(body: HTMLTableSectionElement, info: ExerciseInfo) {
  body.replaceChildren();
  info.cases.forEach((c, i) => {
    const row = body.insertRow();
    cell(row, String(i + 1));
    cell(row, c.name);
    cell(row, '');
    cell(row, `${c.points}`);
    cell(row, '');
    cell(row, '');
  });
}

export function showGrade(body: HTMLTableSectionElement, info: ExerciseInfo, report: GradeReport,
  load: (index: number) => void) {
  body.replaceChildren();
  info.cases.forEach((c, i) => {
    const result = report.cases[i];
    const row = body.insertRow();
    row.dataset.passed = result ? String(result.passed) : 'false';
    cell(row, String(i + 1));
    cell(row, c.name);
    cell(row, !result ? '' : result.passed ? 'PASS' : 'FAIL', result?.passed ? 'pass' : 'fail');
    cell(row, `${result?.passed ? c.points : 0} of ${c.points}`);
    cell(row, result?.failure ?? '', 'reason');
    const action = row.insertCell();
    if (!result || result.passed) return;
    const button = document.createElement('button');
    button.textContent = 'Step through';
    button.title = `Load the machine case ${i + 1} starts from, to step it with the Debugger`;
    button.className = 'loadCase';
    button.addEventListener('click', () => load(i));
    action.append(button);
  });
}

// The line above the table: as zar check heads a submission.
export function gradeSummary(info: ExerciseInfo, report: GradeReport): string {
  if (!report.assembled) {
    const first = report.messages?.[0]?.text;
    return `FAIL: the source does not assemble${first ? `: ${first}` : ''}`;
  }
  const cases = report.cases.length;
  const verdict = report.passed ? 'PASS: ' : '';
  return `${verdict}${report.casesPassed} of ${cases} case${cases === 1 ? '' : 's'} passed, ` +
    `${report.points} of ${info.pointsPossible} points`;
}
