// What a tab had not yet stored when it was hidden or closed, written at once
// to localStorage (which the browser keeps even when the tab goes before an
// IndexedDB write ends) and taken back by the next start of any tab.
import { binaryToBytes, bytesToBinary } from '../binary';

export interface Unsaved {
  id?: string; // the file it belongs to; none for a source not yet kept
  baseRev: number;
  name: string;
  bytes: Uint8Array;
}

const Prefix = 'zar-files-unsaved-';
const tab = `${Prefix}${Date.now().toString(36)}-${Math.random().toString(36).slice(2)}`;

export function writeUnsaved(u: Unsaved) {
  try {
    const bytes = btoa(bytesToBinary(u.bytes));
    localStorage.setItem(tab, JSON.stringify({ id: u.id, baseRev: u.baseRev, name: u.name, bytes }));
  } catch {
    // Full or refused: the IndexedDB write is still on its way.
  }
}
export function clearUnsaved() {
  try {
    localStorage.removeItem(tab);
  } catch {
    // Web storage is off: nothing was written.
  }
}

// Every tab's leftovers, removed from localStorage as they are read.
export function takeUnsaved(): Unsaved[] {
  const found: Unsaved[] = [];
  let keys: string[] = [];
  try {
    keys = Object.keys(localStorage).filter((k) => k.startsWith(Prefix) && k !== tab);
  } catch {
    keys = [];
  }
  for (const key of keys) {
    try {
      const u = JSON.parse(localStorage.getItem(key) ?? '');
      const bytes = binaryToBytes(atob(u.bytes));
      if (typeof u.name === 'string' && typeof u.baseRev === 'number') found.push({ ...u, bytes });
    } catch {
      // A damaged entry holds nothing to bring back.
    }
    localStorage.removeItem(key);
  }
  return found;
}
