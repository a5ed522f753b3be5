// The learner's files: kept in the browser, listed in the Files panel, shared
// by the site's tabs. initFiles(page) wires them to the page's workspace.
import type { Page } from '../page';
import { Keeper } from './keeper';
import { FilesPanel } from './panel';
import { FileStore } from './store';

const $ = (id: string) => document.getElementById(id)!;

export interface Files {
  keeper: Keeper;
  ready: Promise<unknown>; // the file that was open is back
}

// Asks the browser to keep the site's storage through low space and says
// what it answered.
async function askToKeep() {
  const line = $('filesStorage');
  let kept = false;
  try {
    kept = (await navigator.storage.persisted()) || (await navigator.storage.persist());
  } catch {
    kept = false;
  }
  line.dataset.persisted = String(kept);
  line.textContent = kept
    ? 'The browser keeps these files until you delete them.'
    : 'The browser did not promise to keep these files (it refused persistent storage): it may clear them when ' +
      'space runs short. Download All keeps a copy.';
}

export function initFiles(page: Page): Files {
  const note = (text: string) => {
    $('filesNote').textContent = text;
  };
  const opening = FileStore.open();
  opening.catch(() => {
    $('linkNote').textContent = 'Files cannot be kept in this browser (its storage is off): what you write is lost when the tab closes.';
  });
  const keeper = new Keeper(opening, page.workspace, note);
  const panel = new FilesPanel(keeper, note);
  page.action('mfiles', () => {
    const el = $('panel-files');
    el.hidden = !el.hidden;
    if (!el.hidden) {
      void panel.draw();
      el.querySelector<HTMLElement>('button')?.focus();
    }
  });
  void askToKeep();
  void panel.draw();
  // For the tests: the workspace, and a way to wait until all is stored.
  (window as unknown as { zarFiles: object }).zarFiles = {
    workspace: page.workspace,
    flush: () => keeper.flush(),
    list: () => keeper.list(),
  };
  return { keeper, ready: keeper.ready };
}
