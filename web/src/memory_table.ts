// The memory as a table, for those who do not see the memory picture: 16
// rows of 16 cells, each row headed by the number of its first cell and
// each column by what its cells add to that. It follows the same updates
// as the picture; the cell at the instruction pointer is marked.
import type { Page } from './page';

const $ = (id: string) => document.getElementById(id)!;

function build(table: HTMLTableElement): HTMLTableCellElement[] {
  const head = table.createTHead().insertRow();
  const corner = document.createElement('td');
  head.append(corner);
  for (let c = 0; c < 16; ++c) {
    const th = document.createElement('th');
    th.scope = 'col';
    th.textContent = `+${c}`;
    head.append(th);
  }
  const body = table.createTBody();
  const cells: HTMLTableCellElement[] = [];
  for (let r = 0; r < 16; ++r) {
    const row = body.insertRow();
    const th = document.createElement('th');
    th.scope = 'row';
    th.textContent = String(r * 16);
    row.append(th);
    for (let c = 0; c < 16; ++c) cells.push(row.insertCell());
  }
  return cells;
}

export function initMemoryTable(page: Page) {
  const panel = $('panel-memtable');
  const toggle = $('memTableToggle');
  const cells = build($('memTable') as HTMLTableElement);
  const shown = new Int16Array(256).fill(-1);
  let ip = -1;
  page.listen((r) => {
    if (r.type !== 'update' || !r.memory) return;
    for (let i = 0; i < 256; ++i) {
      if (shown[i] === r.memory[i]) continue;
      shown[i] = r.memory[i];
      cells[i].textContent = String(r.memory[i]);
    }
    const next = r.ip ?? ip;
    if (next === ip) return;
    if (ip >= 0) cells[ip].removeAttribute('aria-current');
    ip = next;
    cells[ip].setAttribute('aria-current', 'true');
  });
  toggle.addEventListener('click', () => {
    panel.hidden = !panel.hidden;
    toggle.setAttribute('aria-pressed', String(!panel.hidden));
    if (!panel.hidden) $('memTableBox').focus();
  });
}
