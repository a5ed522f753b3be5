// The assembler in the page: the source in an editor with the assembler's
// own colours, breakpoints on line numbers and message marks in the margin;
// Generate, Generate and Copy and Generate and Start run the worker's
// assembler beside its machine; the internal table, the listing ("Ausgabe")
// and the messages as the desktop's workbench shows them.
import { defaultKeymap, history, historyKeymap } from '@codemirror/commands';
import { EditorState } from '@codemirror/state';
import { EditorView, drawSelection, highlightActiveLine, highlightActiveLineGutter, keymap } from '@codemirror/view';
import type { Origin, Page, SourceFile } from '../page';
import type { AssemblyReport, StageMessage } from '../protocol';
import { colourField, spansOf } from './colours';
import { loadEditorCore, type EditorCore } from './editor_core';
import { initHelp, listExamples } from './help';
import { breakpointLines, clearBreakpoints, margin, setMarks, toggleBreakpoint, type LineMark } from './margin';

const $ = <T extends HTMLElement>(id: string) => document.getElementById(id) as T;

// The desktop's keys while the editor has the focus (F5 is the workbench's
// Generate and Start there, not the page's Run at Full Speed).
const editorKeys: Record<string, string> = { F7: 'mcreateonly', 'Ctrl+F7': 'mcreatecopy', F5: 'mrun' };

class AssemblerPanel {
  private lineFeedsAlone = false;
  private readonly view: EditorView;
  private readonly colours;

  constructor(
    private readonly page: Page,
    private readonly core: EditorCore,
  ) {
    this.colours = colourField(core, () => this.lineFeedsAlone);
    this.view = new EditorView({ parent: $('asm-editor'), state: this.state('') });
    page.workspace.onOpen((file, origin) => this.show(file, origin));
    page.workspace.onRename((name) => this.showCaption(name, 'files'));
    page.listen((r) => {
      if (r.type === 'assembly') this.showReport(r.report, r.command);
      else if (r.type === 'lineBreakpointsCleared') this.view.dispatch({ effects: clearBreakpoints.of(null) });
    });
    this.show(page.workspace.current(), 'load', false);
  }

  private state(text: string) {
    const page = this.page;
    return EditorState.create({
      doc: text,
      extensions: [
        margin(() => this.breakpointsChanged()),
        history(),
        drawSelection(),
        highlightActiveLine(),
        highlightActiveLineGutter(),
        // Tab is left to move between the page's controls.
        keymap.of([...defaultKeymap, ...historyKeymap]),
        this.colours,
        EditorView.contentAttributes.of({ 'aria-label': 'SourceCode', spellcheck: 'false' }),
        EditorView.domEventHandlers({
          keydown: (e, view) => {
            const key = `${e.ctrlKey ? 'Ctrl+' : ''}${e.key}`;
            const id = editorKeys[key];
            if ((!id && key !== 'F9') || e.altKey || e.shiftKey) return false;
            e.preventDefault();
            e.stopPropagation();
            // F9 here is the cursor line's breakpoint, for the keyboard.
            if (id) page.run(id);
            else this.toggleLine(view.state.doc.lineAt(view.state.selection.main.head).number);
            return true;
          },
        }),
        EditorView.updateListener.of((u) => {
          if (u.docChanged) page.workspace.edited(u.state.field(this.colours).bytes);
        }),
      ],
    });
  }

  // Another source: its text, no breakpoints or marks, the table and the
  // listing emptied, then (as the desktop's Load) the table scanned from it;
  // an exercise's starter waits for the first Generate.
  show(file: SourceFile, origin: Origin, scan = true) {
    const { text, lineFeedsAlone } = this.core.decode(file.bytes);
    this.lineFeedsAlone = lineFeedsAlone;
    // A fresh state: nothing to undo into the source before.
    this.view.setState(this.state(text));
    this.showCaption(file.name, origin);
    $('asm-table').textContent = '';
    $('asm-listing').textContent = '';
    this.showMessages([], []);
    if (scan && origin !== 'exercise') this.page.send({ type: 'scan', bytes: file.bytes });
  }

  private showCaption(name: string, origin: Origin) {
    const named = origin !== 'exercise' && !/^untitled/.test(name);
    $('sourceCaption').textContent = named ? `Quelltext : ${name}` : 'SourceCode';
  }

  bytes(): Uint8Array {
    return this.view.state.field(this.colours).bytes;
  }

  generate(mode: 0 | 1 | 2) {
    this.page.send({
      type: 'assemble',
      bytes: this.bytes(),
      mode,
      debug: $<HTMLInputElement>('asmdbg').checked,
      sourceInListing: $<HTMLInputElement>('msrclisting').checked,
      lines: breakpointLines(this.view.state),
      interval: Number($<HTMLInputElement>('Text1')?.value) || 50,
    });
  }

  private toggleLine(line: number) {
    toggleBreakpoint(this.view, line);
    this.breakpointsChanged();
  }

  private breakpointsChanged() {
    this.page.send({ type: 'lineBreakpoints', lines: breakpointLines(this.view.state) });
    document.body.dataset.lineBreakpoints = breakpointLines(this.view.state).join(',');
  }

  private showReport(report: AssemblyReport, command: 'generate' | 'scan') {
    if (report.table !== null) $('asm-table').textContent = report.table.replaceAll('\r', '\n');
    if (command === 'generate') $('asm-listing').textContent = report.listing;
    this.showMessages(report.messages, report.warnings);
    document.body.dataset.assembled = String(Number(document.body.dataset.assembled ?? 0) + 1);
  }

  private showMessages(messages: StageMessage[], warnings: StageMessage[]) {
    const body = $<HTMLTableSectionElement>('asm-messages');
    body.replaceChildren();
    const add = (m: StageMessage, prefix: string) => {
      const row = body.insertRow();
      row.insertCell().textContent = m.line > 0 ? String(m.line) : '';
      row.insertCell().textContent = prefix + m.text;
      row.insertCell().textContent = m.reason;
      row.className = prefix ? 'warning' : 'error';
      if (m.line <= 0) return;
      row.tabIndex = 0;
      row.addEventListener('click', () => this.goToLine(m.line));
      row.addEventListener('keydown', (e) => e.key === 'Enter' && this.goToLine(m.line));
    };
    for (const m of messages) add(m, '');
    for (const w of warnings) add(w, 'warning: ');
    $('asm-no-messages').hidden = messages.length + warnings.length > 0;
    const marks: LineMark[] = [
      ...warnings.map((w) => ({ line: w.line, error: false, text: `warning: ${w.text}` })),
      ...messages.map((m) => ({ line: m.line, error: true, text: m.text })),
    ];
    this.view.dispatch({ effects: setMarks.of(marks) });
  }

  goToLine(line: number) {
    const doc = this.view.state.doc;
    const at = doc.line(Math.min(Math.max(1, line), doc.lines)).from;
    this.view.dispatch({ selection: { anchor: at }, scrollIntoView: true });
    this.view.focus();
  }

  // What the tests read: the colours as token spans, the breakpoint lines.
  probe() {
    const state = this.view.state;
    return {
      spans: () => spansOf(state.doc, state.field(this.colours).marks),
      view: this.view,
      breakpoints: () => breakpointLines(this.view.state),
      toggleBreakpoint: (line: number) => this.toggleLine(line),
    };
  }

  putText(text: string, name: string) {
    this.page.workspace.open({ name, bytes: this.core.encode(text, false) }, 'editor');
  }
}

export function initEditor(page: Page) {
  const panel = $('panel-assembler');
  let ready: AssemblerPanel | undefined;
  const toggle = () => {
    panel.hidden = !panel.hidden;
    if (panel.hidden) return;
    panel.scrollIntoView({ block: 'start' });
    $('mcreateonly').focus();
  };
  page.action('mzarass', toggle);
  // The keys work while the panel is open, as the desktop's in its window.
  const generate = (mode: 0 | 1 | 2) => () => panel.hidden || ready?.generate(mode);
  page.action('mcreateonly', generate(0), 'F7', 'Alt+G');
  page.action('mcreatecopy', generate(1), 'Ctrl+F7', 'Alt+K');
  page.action('mrun', generate(2), 'Alt+R');
  void loadEditorCore().then((core) => {
    const assembler = new AssemblerPanel(page, core);
    ready = assembler;
    initHelp((text, name) => assembler.putText(text, name));
    void listExamples((name, bytes) => page.workspace.open({ name, bytes }, 'example'));
    (window as unknown as { zarEditor: unknown }).zarEditor = {
      probe: () => assembler.probe(),
      open: (name: string, bytes: number[]) => page.workspace.open({ name, bytes: new Uint8Array(bytes) }, 'files'),
      bytes: () => [...assembler.bytes()],
    };
    document.body.dataset.editorReady = '1';
  }, (e: Error) => {
    $('sourceCaption').textContent = `The editor could not start: ${e.message}`;
  });
}
