// Keeps the source being worked on as one of the learner's files: saved a
// short pause after the last edit (at once when the tab is hidden or closed),
// every source that arrives kept beside the others under a free name, and
// the file that was open brought back on the next start. Tabs tell each other
// of every change; a file changed in another tab is shown here, and when both
// changed it at once this tab's version is kept as a copy: no edit is lost.
import type { SourceFile, Workspace } from '../page';
import { clearUnsaved, takeUnsaved, writeUnsaved, type Unsaved } from './journal';
import { nameProblem, sameBytes } from './names';
import type { FileRecord, FileStore } from './store';

const Pause = 500; // ms after the last edit
const MaxWait = 5000; // ms: typing on and on is saved this often all the same
const LastKey = 'zar-files-current';
const Untitled = 'untitled.OIA';

type Heard = { type: 'saved'; id: string; rev: number } | { type: 'list' };

const source = (r: FileRecord): SourceFile => ({ name: r.name, bytes: r.bytes });

export class Keeper {
  private store?: FileStore;
  private currentId?: string;
  private baseRev = 0; // the stored revision this tab's bytes were made from
  private pending?: { bytes: Uint8Array; name: string; generation: number; since: number };
  private timer?: ReturnType<typeof setTimeout>;
  private generation = 0; // counts the sources opened in the workspace

  private queue: Promise<unknown>;
  private tasks = 0; // queued and running
  private deleted?: { record: FileRecord; wasCurrent: boolean };
  private readonly channel = new BroadcastChannel('zar-files');
  private readonly changes: (() => void)[] = [];
  readonly ready: Promise<unknown>;

  constructor(
    opening: Promise<FileStore>,
    private readonly workspace: Workspace,
    private readonly note: (text: string) => void,
  ) {
    workspace.onOpen((file, origin) => {
      ++this.generation;
      if (origin !== 'files') this.arrived(file);
    });
    workspace.onEdit((file) => this.edited(file));
    this.channel.onmessage = (e: MessageEvent<Heard>) => this.heard(e.data);
    addEventListener('pagehide', () => this.hidden());
    document.addEventListener('visibilitychange', () => document.visibilityState === 'hidden' && this.hidden());
    this.queue = this.ready = opening.then(
      async (store) => {
        this.store = store;
        await this.restore().catch((e) => this.note(`The file that was open could not be brought back: ${e}`));
      },
      (e) => this.note(`Files cannot be kept in this browser (${e}): what you write is lost when the tab closes.`),
    );
  }

  // Called after every change of the list, here or in another tab.
  onChange(f: () => void) {
    this.changes.push(f);
  }
  current(): string | undefined {
    return this.currentId;
  }
  list(): Promise<FileRecord[]> {
    return this.store?.list() ?? Promise.resolve([]);
  }
  // Saves what waits for the pause now; resolves once all is stored.
  flush(): Promise<unknown> {
    clearTimeout(this.timer);
    this.timer = undefined;
    if (this.pending) this.run(() => this.save());
    return this.queue;
  }

  openFile(id: string) {
    this.flush();
    return this.run(async (store) => {
      const r = await store.get(id);
      if (!r) return this.note('That file was deleted in another tab.');
      this.adopt(r);
      this.workspace.open(source(r), 'files');
    });
  }
  newFile() {
    this.flush();
    return this.run(async (store) => {
      const r = await store.create(Untitled, new Uint8Array());
      this.adopt(r);
      this.workspace.open(source(r), 'files');
      this.tell({ type: 'list' });
    });
  }
  // An error message, or undefined when renamed.
  async rename(id: string, name: string): Promise<string | undefined> {
    const problem = nameProblem(name);
    if (problem) return problem;
    let error: string | undefined;
    await this.run(async (store) => {
      error = await store.rename(id, name);
      if (error) return;
      if (id === this.currentId) this.showName(name);
      this.tell({ type: 'list' });
    });
    return error;
  }
  remove(id: string) {
    this.flush();
    return this.run(async (store) => {
      const record = await store.remove(id);
      if (!record) return;
      const wasCurrent = id === this.currentId;
      this.deleted = { record, wasCurrent };
      if (wasCurrent) {
        this.currentId = undefined;
        this.workspace.open({ name: Untitled, bytes: new Uint8Array() }, 'files');
      }
      this.tell({ type: 'list' });
    });
  }
  undo() {
    const d = this.deleted;
    this.deleted = undefined;
    if (!d) return Promise.resolve();
    this.flush();
    return this.run(async (store) => {
      const back = await store.restore(d.record);
      if (d.wasCurrent && this.currentId === undefined && !this.pending) {
        this.adopt(back);
        this.workspace.open(source(back), 'files');
      }
      this.tell({ type: 'list' });
    });
  }
  // Files chosen by the learner, kept beside the others; a single one opens.
  // Resolves to the names they are kept under.
  async upload(files: SourceFile[]): Promise<string[]> {
    this.flush();
    const kept: FileRecord[] = [];
    await this.run(async (store) => {
      for (const f of files) kept.push(await store.keep(nameProblem(f.name) ? 'upload.OIA' : f.name, f.bytes));
      if (kept.length === 1) {
        this.adopt(kept[0]);
        this.workspace.open(source(kept[0]), 'files');
      }
      this.tell({ type: 'list' });
    });
    return kept.map((r) => r.name);
  }

  private run(task: (store: FileStore) => Promise<unknown>): Promise<unknown> {
    ++this.tasks;
    this.queue = this.queue
      .then(() => this.store && task(this.store))
      .catch((e) => this.note(`The files could not be kept: ${e}`))
      .finally(() => --this.tasks);
    return this.queue;
  }
  // The tab is hidden or goes: what waits for the pause is written at once,
  // to localStorage too in case the tab goes before IndexedDB has it.
  private hidden() {
    const p = this.pending;
    if (!p) return;
    const id = this.tasks === 0 ? this.currentId : undefined; // else the file may be about to change
    writeUnsaved({ id, baseRev: this.baseRev, name: p.name, bytes: p.bytes });
    void this.flush().then(() => this.pending || clearUnsaved());
  }
  // Edits a tab had not stored when it went: into their file when it did not
  // change since, else into a copy.
  private async recover(store: FileStore, u: Unsaved) {
    const r = u.id ? await store.get(u.id) : undefined;
    if (r && sameBytes(r.bytes, u.bytes)) return;
    if (r && r.rev === u.baseRev && (await store.save(r.id, u.bytes, u.baseRev)).kind === 'saved') return;
    const copy = await store.create(u.name, u.bytes);
    if (r || u.id) this.note(`Edits to ${u.name} that were not stored before its tab went are kept as ${copy.name}.`);
  }
  private tell(m: Heard) {
    this.channel.postMessage(m);
    for (const f of this.changes) f();
  }
  // The source in the workspace under another name: still the same file.
  private showName(name: string) {
    this.workspace.renamed(name);
  }
  private adopt(r: FileRecord) {
    this.currentId = r.id;
    this.baseRev = r.rev;
    try {
      sessionStorage.setItem(LastKey, r.id);
      localStorage.setItem(LastKey, r.id);
    } catch {
      // Web storage is off: the next start opens the file changed last.
    }
    for (const f of this.changes) f();
  }
  // The file this tab had open, else the one the site had open last, else
  // the one changed last.
  private async restore() {
    for (const u of takeUnsaved()) await this.recover(this.store!, u);
    let id: string | null = null;
    try {
      id = sessionStorage.getItem(LastKey) ?? localStorage.getItem(LastKey);
    } catch {
      id = null;
    }
    let r = id ? await this.store!.get(id) : undefined;
    r ??= (await this.store!.list()).sort((a, b) => b.modified - a.modified)[0];
    if (!r) return;
    this.adopt(r);
    this.workspace.open(source(r), 'files');
  }
  private edited(file: SourceFile) {
    const since = this.pending?.since ?? Date.now();
    this.pending = { bytes: file.bytes, name: file.name, generation: this.generation, since };
    clearTimeout(this.timer);
    this.timer = setTimeout(() => this.flush(), Date.now() - since >= MaxWait ? 0 : Pause);
  }
  // A source opened by another part of the page: the file of that name if
  // it holds the same bytes, else a new file under a free name.
  private arrived(file: SourceFile) {
    this.flush();
    const generation = this.generation;
    this.run(async (store) => {
      const r = await store.keep(file.name, file.bytes);
      this.adopt(r);
      if (r.name !== file.name) {
        if (generation === this.generation) this.showName(r.name);
        this.note(`There is a file named ${file.name} already: this source is kept as ${r.name}.`);
      }
      this.tell({ type: 'list' });
    });
  }
  private async save() {
    const p = this.pending;
    if (!p || !this.store) return;
    this.pending = undefined;
    try {
      await this.write(this.store, p);
    } catch (e) {
      this.pending ??= p; // tried again with the next edit or flush
      throw e;
    }
  }
  // Into the open file when no other tab changed it since; else a copy.
  private async write(store: FileStore, p: NonNullable<Keeper['pending']>) {
    // Whether the workspace still shows the source of these bytes.
    const shown = () => p.generation === this.generation;
    if (this.currentId === undefined) {
      const r = await store.create(p.name, p.bytes);
      this.adopt(r);
      if (r.name !== p.name && shown()) this.showName(r.name);
      return this.tell({ type: 'list' });
    }
    const result = await store.save(this.currentId, p.bytes, this.baseRev);
    if (result.kind === 'saved' || result.kind === 'unchanged') {
      this.baseRev = result.record.rev;
      if (result.kind === 'saved') this.tell({ type: 'saved', id: result.record.id, rev: result.record.rev });
      return;
    }
    if (result.kind === 'conflict' && sameBytes(result.record.bytes, p.bytes)) {
      this.baseRev = result.record.rev;
      return;
    }
    const copy = await store.create(p.name, p.bytes);
    if (result.kind === 'conflict' && shown() && !this.pending) {
      this.baseRev = result.record.rev;
      this.workspace.open(source(result.record), 'files');
      this.note(
        `${result.record.name} was changed in another tab at the same time: its version is shown, and yours is kept as ${copy.name}.`,
      );
    } else if (shown()) {
      // Typed on meanwhile (or the file is gone): this tab goes on in the copy.
      this.adopt(copy);
      this.showName(copy.name);
      this.note(`${p.name} was changed or deleted in another tab: your version is kept as ${copy.name}.`);
    }
    this.tell({ type: 'list' });
  }
  // Another tab changed the list or a file.
  private heard(m: Heard) {
    for (const f of this.changes) f();
    if (m.type === 'saved' && m.id === this.currentId && m.rev > this.baseRev) {
      if (this.pending) return void this.flush(); // both changed it: save() keeps a copy
      this.run(async (store) => {
        const r = await store.get(m.id);
        if (!r || r.id !== this.currentId || r.rev <= this.baseRev || this.pending) return;
        this.baseRev = r.rev;
        this.workspace.open(source(r), 'files');
        this.note(`${r.name} was changed in another tab: its version is shown.`);
      });
    } else if (m.type === 'list' && this.currentId) {
      const id = this.currentId;
      this.run(async (store) => {
        const r = await store.get(id);
        if (id !== this.currentId) return;
        if (!r) this.note(`${this.workspace.current().name} was deleted in another tab: an edit here keeps it again.`);
        else if (r.name !== this.workspace.current().name) this.showName(r.name);
      });
    }
  }
}
