// Every file in one zip archive, each under its name with its bytes as kept.
import { zipSync, type Zippable } from 'fflate';
import type { FileRecord } from './store';

export function zipFiles(files: FileRecord[]): Uint8Array {
  const entries: Zippable = {};
  for (const f of files) entries[f.name] = [f.bytes, { mtime: new Date(f.modified) }];
  return zipSync(entries, { level: 6 });
}
