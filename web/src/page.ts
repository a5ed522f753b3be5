// What the page's panels share: the worker's machine (requests and replies),
// the source being worked on, and the buttons with their shortcuts. main.ts
// makes one and hands it to every panel; a panel never reaches the worker or
// another panel by any other way.
import type { Reply, Request } from './protocol';

// A source as the learner works on it: its name and its code page 1252 bytes.
export interface SourceFile {
  name: string;
  bytes: Uint8Array;
}

// Who opened a source: the editor shows every one; the file list keeps all
// but its own.
export type Origin = 'editor' | 'files' | 'link' | 'exercise' | 'example' | 'load';

// The one source being worked on. Opening one tells every listener; an edit
// in the editor tells those that keep the source (after each change); a new
// name tells those that show it.
export class Workspace {
  private file: SourceFile = { name: 'untitled.OIA', bytes: new Uint8Array() };
  private readonly opened: ((file: SourceFile, origin: Origin) => void)[] = [];
  private readonly edits: ((file: SourceFile) => void)[] = [];
  private readonly names: ((name: string) => void)[] = [];

  current(): SourceFile {
    return this.file;
  }
  open(file: SourceFile, origin: Origin) {
    this.file = file;
    for (const f of this.opened) f(file, origin);
  }
  edited(bytes: Uint8Array) {
    this.file = { name: this.file.name, bytes };
    for (const f of this.edits) f(this.file);
  }
  // The source goes on under another name (a rename, a copy kept): the same
  // text, its undo and its breakpoints stay as they are.
  renamed(name: string) {
    this.file = { name, bytes: this.file.bytes };
    for (const f of this.names) f(name);
  }
  onRename(f: (name: string) => void) {
    this.names.push(f);
  }
  onOpen(f: (file: SourceFile, origin: Origin) => void) {
    this.opened.push(f);
  }
  onEdit(f: (file: SourceFile) => void) {
    this.edits.push(f);
  }
}

export class Page {
  readonly workspace = new Workspace();
  private readonly listeners: ((r: Reply) => void)[] = [];
  private readonly actions = new Map<string, () => void>();
  private readonly shortcuts = new Map<string, string>();

  constructor(private readonly worker: Worker) {
    worker.onmessage = (e: MessageEvent<Reply>) => {
      for (const f of this.listeners) f(e.data);
    };
  }
  send(r: Request) {
    this.worker.postMessage(r);
  }
  // Every reply of the worker, in order.
  listen(f: (r: Reply) => void) {
    this.listeners.push(f);
  }
  // A button (by its id) and, if given, the keys that press it, as
  // "Ctrl+Alt+Shift+Key" (a letter in upper case).
  action(id: string, f: () => void, ...keys: string[]) {
    this.actions.set(id, f);
    document.getElementById(id)?.addEventListener('click', f);
    for (const k of keys) this.shortcuts.set(k, id);
  }
  // Dialogs hold the machine, as the desktop's modal boxes do.
  modal(d: HTMLDialogElement) {
    this.send({ type: 'pause', paused: true });
    d.showModal();
    d.addEventListener('close', () => this.send({ type: 'pause', paused: false }), { once: true });
  }
  run(id: string) {
    this.actions.get(id)?.();
  }
  // The action a key press names, if any.
  shortcut(e: KeyboardEvent): string | undefined {
    const key = e.key.length === 1 ? e.key.toUpperCase() : e.key;
    return this.shortcuts.get(`${e.ctrlKey ? 'Ctrl+' : ''}${e.altKey ? 'Alt+' : ''}${e.shiftKey ? 'Shift+' : ''}${key}`);
  }
}
