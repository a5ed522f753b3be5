// The Files panel: the learner's files, the one open marked; New, Upload,
// Download All, and for each file Open, Rename, Download and Delete (with
// Undo).
import { download } from './download';
import type { Keeper } from './keeper';
import type { FileRecord } from './store';
import { zipFiles } from './zip';

const UploadLimit = 1 << 20; // bytes: a source, not an archive

const $ = <T extends HTMLElement>(id: string) => document.getElementById(id) as T;

function button(text: string, label: string, f: () => void) {
  const b = document.createElement('button');
  b.textContent = text;
  b.setAttribute('aria-label', label);
  b.addEventListener('click', f);
  return b;
}

export class FilesPanel {
  private readonly list = $<HTMLUListElement>('filesList');
  private drawing = false;
  private again = false;

  constructor(
    private readonly keeper: Keeper,
    private readonly note: (text: string) => void,
  ) {
    keeper.onChange(() => void this.draw());
    $('filesNew').addEventListener('click', () => keeper.newFile());
    const upload = $<HTMLInputElement>('filesUploadInput');
    $('filesUpload').addEventListener('click', () => upload.click());
    upload.addEventListener('change', async () => {
      const all = [...(upload.files ?? [])];
      upload.value = '';
      const chosen = all.filter((f) => f.size <= UploadLimit);
      const big = all.filter((f) => f.size > UploadLimit).map((f) => f.name);
      const files = await Promise.all(chosen.map(async (f) => ({ name: f.name, bytes: new Uint8Array(await f.arrayBuffer()) })));
      const kept = files.length ? await keeper.upload(files) : [];
      this.note(
        [kept.length ? `Kept ${kept.join(', ')}.` : '', big.length ? `Not kept, above 1 MB: ${big.join(', ')}.` : '']
          .filter(Boolean)
          .join(' '),
      );
    });
    $('filesZip').addEventListener('click', async () => {
      const all = await keeper.list();
      if (!all.length) return this.note('There are no files to download yet.');
      download('zar-files.zip', zipFiles(all), 'application/zip');
    });
    $('filesUndoButton').addEventListener('click', () => {
      $('filesUndo').hidden = true;
      keeper.undo();
    });
  }

  // Draws the list afresh; changes during a drawing draw once more after it.
  async draw() {
    // Not under the learner's hands while a name is being changed.
    if (this.drawing || this.list.querySelector('.fileRename')) return void (this.again = true);
    this.drawing = true;
    do {
      this.again = false;
      const files = await this.keeper.list();
      if (this.list.querySelector('.fileRename')) break;
      this.list.replaceChildren(...files.map((f) => this.row(f)));
      $('filesEmpty').hidden = files.length > 0;
    } while (this.again);
    this.drawing = false;
    document.body.dataset.files = String(Number(document.body.dataset.files ?? 0) + 1);
  }

  private row(f: FileRecord): HTMLLIElement {
    const li = document.createElement('li');
    li.dataset.name = f.name;
    const current = f.id === this.keeper.current();
    const open = button(f.name, `Open ${f.name}`, () => this.keeper.openFile(f.id));
    open.className = 'fileName';
    if (current) open.setAttribute('aria-current', 'true');
    const info = document.createElement('span');
    info.className = 'fileInfo';
    const when = new Date(f.modified).toLocaleString(undefined, { dateStyle: 'short', timeStyle: 'short' });
    info.textContent = `${f.bytes.length} bytes, ${when}`;
    const actions = document.createElement('span');
    actions.className = 'fileActions';
    actions.append(
      button('Rename', `Rename ${f.name}`, () => this.renaming(li, open, f)),
      button('Download', `Download ${f.name}`, () => download(f.name, f.bytes)),
      button('Delete', `Delete ${f.name}`, () => this.remove(f)),
    );
    li.append(open, info, actions);
    return li;
  }

  // The name becomes a field: Enter or leaving it renames, Escape keeps it.
  private renaming(li: HTMLLIElement, open: HTMLButtonElement, f: FileRecord) {
    const field = document.createElement('input');
    field.value = f.name;
    field.className = 'fileRename';
    field.setAttribute('aria-label', `New name for ${f.name}`);
    let done = false;
    const finish = async (keep: boolean) => {
      if (done) return;
      done = true;
      const error = keep && field.value !== f.name ? await this.keeper.rename(f.id, field.value) : undefined;
      if (error) this.note(`Not renamed: ${error}.`);
      field.remove();
      void this.draw();
    };
    field.addEventListener('keydown', (e) => {
      if (e.key === 'Enter') void finish(true);
      else if (e.key === 'Escape') void finish(false);
      else return;
      e.preventDefault();
      e.stopPropagation();
    });
    field.addEventListener('blur', () => void finish(true));
    open.replaceWith(field);
    field.focus();
    field.select();
    li.classList.add('renaming');
  }

  private async remove(f: FileRecord) {
    await this.keeper.remove(f.id);
    $('filesUndoName').textContent = f.name;
    $('filesUndo').hidden = false;
    $('filesUndoButton').focus();
  }
}
