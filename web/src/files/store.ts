// The learner's files in the browser's IndexedDB, shared by every tab of the
// site. Each file has a fixed id (a rename keeps it), a unique name, its code
// page 1252 bytes and a revision that every save of new bytes counts up: a
// save names the revision it was made from, and one made from an older
// revision than the stored one is refused, so that no tab overwrites what
// another wrote.
import { openDB, type DBSchema, type IDBPDatabase, type IDBPTransaction } from 'idb';
import { freeName, sameBytes } from './names';

export interface FileRecord {
  id: string;
  name: string;
  bytes: Uint8Array;
  rev: number;
  modified: number; // ms since 1970
}

interface Schema extends DBSchema {
  files: { key: string; value: FileRecord; indexes: { name: string } };
}

export type SaveResult =
  | { kind: 'saved'; record: FileRecord }
  | { kind: 'unchanged'; record: FileRecord }
  | { kind: 'conflict'; record: FileRecord } // the stored one, newer than the save's base
  | { kind: 'gone' }; // deleted meanwhile

type Tx = IDBPTransaction<Schema, ['files'], 'readwrite'>;

// The names of all files, read in the transaction that will add one.
async function takenNames(tx: Tx): Promise<string[]> {
  const names: string[] = [];
  for (let c = await tx.store.index('name').openKeyCursor(); c; c = await c.continue()) names.push(c.key);
  return names;
}

const newId = () =>
  typeof crypto.randomUUID === 'function' ? crypto.randomUUID() : `${Date.now()}-${Math.random().toString(36).slice(2)}`;

export class FileStore {
  private constructor(private readonly db: IDBPDatabase<Schema>) {}

  static async open(dbName = 'zar-files'): Promise<FileStore> {
    const db = await openDB<Schema>(dbName, 1, {
      upgrade(d) {
        d.createObjectStore('files', { keyPath: 'id' }).createIndex('name', 'name', { unique: true });
      },
    });
    return new FileStore(db);
  }

  // Every file, by name.
  async list(): Promise<FileRecord[]> {
    const all = await this.db.getAll('files');
    return all.sort((a, b) => a.name.localeCompare(b.name));
  }

  get(id: string): Promise<FileRecord | undefined> {
    return this.db.get('files', id);
  }

  // A new file under the name, or the first free name beside it.
  async create(name: string, bytes: Uint8Array): Promise<FileRecord> {
    for (let tries = 1; ; ++tries) {
      const tx = this.db.transaction('files', 'readwrite');
      const names = await takenNames(tx);
      const record = { id: newId(), name: freeName(name, names), bytes, rev: 1, modified: Date.now() };
      try {
        await tx.store.add(record);
        await tx.done;
        return record;
      } catch (e) {
        tx.done.catch(() => undefined);
        // Another tab took the name in the meantime: look again.
        if (!(e instanceof DOMException && e.name === 'ConstraintError') || tries === 5) throw e;
      }
    }
  }

  // A source that arrived (an example, a link, a load): the file of that
  // name when it holds the same bytes, else a new file beside the others.
  async keep(name: string, bytes: Uint8Array): Promise<FileRecord> {
    const same = await this.db.getFromIndex('files', 'name', name);
    if (same && sameBytes(same.bytes, bytes)) return same;
    return this.create(name, bytes);
  }

  // Puts back a deleted file as it was (its id, and its name if still free).
  async restore(record: FileRecord): Promise<FileRecord> {
    const tx = this.db.transaction('files', 'readwrite');
    const names = await takenNames(tx);
    const back = { ...record, name: freeName(record.name, names) };
    await tx.store.put(back);
    await tx.done;
    return back;
  }

  async save(id: string, bytes: Uint8Array, baseRev: number): Promise<SaveResult> {
    const tx = this.db.transaction('files', 'readwrite');
    const record = await tx.store.get(id);
    if (!record) return { kind: 'gone' };
    if (record.rev !== baseRev) return { kind: 'conflict', record };
    if (sameBytes(record.bytes, bytes)) return { kind: 'unchanged', record };
    const saved = { ...record, bytes, rev: record.rev + 1, modified: Date.now() };
    await tx.store.put(saved);
    await tx.done;
    return { kind: 'saved', record: saved };
  }

  // A new name; the revision stays, as the bytes do. An error message when
  // the name is taken.
  async rename(id: string, name: string): Promise<string | undefined> {
    const tx = this.db.transaction('files', 'readwrite');
    const [record, holder] = await Promise.all([tx.store.get(id), tx.store.index('name').getKey(name)]);
    if (!record) return 'the file was deleted meanwhile';
    if (holder !== undefined && holder !== id) return `there is a file named ${name} already`;
    await tx.store.put({ ...record, name });
    await tx.done;
    return undefined;
  }

  async remove(id: string): Promise<FileRecord | undefined> {
    const tx = this.db.transaction('files', 'readwrite');
    const record = await tx.store.get(id);
    if (record) await tx.store.delete(id);
    await tx.done;
    return record;
  }
}
