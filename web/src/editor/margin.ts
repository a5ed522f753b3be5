// The editor's margin: breakpoints toggled by a click on a line number, and
// the marks of the last command's messages and warnings. Both are kept as
// positions in the text, so they follow their lines through edits.
import { RangeSet, StateEffect, StateField, type EditorState, type Extension } from '@codemirror/state';
import { GutterMarker, gutter, lineNumberMarkers, lineNumbers, type EditorView } from '@codemirror/view';

class BreakpointMarker extends GutterMarker {
  elementClass = 'cm-breakpoint';
  // A breakpoint stays with its line's text when a line is inserted at its start.
  startSide = 1;
}
const breakpoint = new BreakpointMarker();

const toggle = StateEffect.define<number>({ map: (pos, mapping) => mapping.mapPos(pos) });
export const clearBreakpoints = StateEffect.define<null>();

const breakpoints = StateField.define<RangeSet<GutterMarker>>({
  create: () => RangeSet.empty,
  update(set, tr) {
    set = set.map(tr.changes);
    for (const e of tr.effects) {
      if (e.is(clearBreakpoints)) set = RangeSet.empty;
      if (!e.is(toggle)) continue;
      const line = tr.state.doc.lineAt(e.value);
      let on = false;
      set.between(line.from, line.to, () => {
        on = true;
      });
      set = on
        ? set.update({ filter: (from) => from < line.from || from > line.to })
        : set.update({ add: [breakpoint.range(line.from)] });
    }
    return set;
  },
});

// The lines (from 1) with a breakpoint, in order, each once.
export function breakpointLines(state: EditorState): number[] {
  const lines = new Set<number>();
  for (let it = state.field(breakpoints).iter(); it.value; it.next()) lines.add(state.doc.lineAt(it.from).number);
  return [...lines].sort((a, b) => a - b);
}

export function toggleBreakpoint(view: EditorView, line: number) {
  view.dispatch({ effects: toggle.of(view.state.doc.line(line).from) });
}

export interface LineMark {
  line: number; // from 1
  error: boolean; // else a warning
  text: string;
}

class MessageMarker extends GutterMarker {
  constructor(
    readonly error: boolean,
    readonly text: string,
  ) {
    super();
  }
  eq(other: MessageMarker) {
    return other.error === this.error && other.text === this.text;
  }
  toDOM() {
    const mark = document.createElement('span');
    mark.className = this.error ? 'zar-mark-error' : 'zar-mark-warning';
    mark.textContent = this.error ? '\u25cf' : '\u25b2';
    mark.title = this.text;
    return mark;
  }
}

export const setMarks = StateEffect.define<LineMark[]>();
const marks = StateField.define<RangeSet<MessageMarker>>({
  create: () => RangeSet.empty,
  update(set, tr) {
    set = set.map(tr.changes);
    for (const e of tr.effects) {
      if (!e.is(setMarks)) continue;
      // An error on a line outweighs its warnings; the texts go into the tip.
      const byLine = new Map<number, { error: boolean; texts: string[] }>();
      for (const m of e.value) {
        if (m.line < 1 || m.line > tr.state.doc.lines) continue;
        const at = byLine.get(m.line) ?? { error: false, texts: [] };
        at.error ||= m.error;
        at.texts.push(m.text);
        byLine.set(m.line, at);
      }
      const ranges = [...byLine.entries()]
        .sort(([a], [b]) => a - b)
        .map(([line, m]) => new MessageMarker(m.error, m.texts.join('\n')).range(tr.state.doc.line(line).from));
      set = RangeSet.of(ranges);
    }
    return set;
  },
});

// The margin: message marks, then the line numbers, a click on one toggling
// its line's breakpoint.
export function margin(onToggle: () => void): Extension {
  return [
    breakpoints,
    marks,
    gutter({ class: 'cm-zar-marks', markers: (view) => view.state.field(marks) }),
    lineNumberMarkers.compute([breakpoints], (state) => state.field(breakpoints)),
    lineNumbers({
      domEventHandlers: {
        mousedown(view, block) {
          view.dispatch({ effects: toggle.of(block.from) });
          onToggle();
          return true;
        },
      },
    }),
  ];
}
