// The source's colours: the assembler's own token classes, asked of the
// editor's core for the whole text after each change, as a mark per token
// ("tok-statement", "tok-label", ...).
import { RangeSetBuilder, StateField, type Text } from '@codemirror/state';
import { Decoration, EditorView, type DecorationSet } from '@codemirror/view';
import { TokenKinds, type EditorCore } from './editor_core';

export interface Coloured {
  bytes: Uint8Array; // the text as the file's bytes
  marks: DecorationSet;
}

const markOf = TokenKinds.map((k) => Decoration.mark({ class: `tok-${k}` }));

export function colourField(core: EditorCore, lineFeedsAlone: () => boolean) {
  const colour = (doc: Text): Coloured => {
    const bytes = core.encode(doc.toString(), lineFeedsAlone());
    const spans = core.tokens(bytes);
    const builder = new RangeSetBuilder<Decoration>();
    for (let i = 0; i + 3 < spans.length; i += 4) {
      if (spans[i] >= doc.lines) break;
      const line = doc.line(spans[i] + 1);
      const from = line.from + spans[i + 1];
      const to = Math.min(line.to, from + spans[i + 2]);
      if (to > from) builder.add(from, to, markOf[spans[i + 3]] ?? markOf[5]);
    }
    return { bytes, marks: builder.finish() };
  };
  return StateField.define<Coloured>({
    create: (state) => colour(state.doc),
    update: (value, tr) => (tr.docChanged ? colour(tr.state.doc) : value),
    provide: (field) => EditorView.decorations.from(field, (value) => value.marks),
  });
}

// The marks as [line from 0, start, length, kind], for the tests.
export function spansOf(doc: Text, marks: DecorationSet): number[][] {
  const out: number[][] = [];
  for (let it = marks.iter(); it.value; it.next()) {
    const line = doc.lineAt(it.from);
    const kind = TokenKinds.indexOf(String(it.value.spec.class).slice(4) as (typeof TokenKinds)[number]);
    out.push([line.number - 1, it.from - line.from, it.to - it.from, kind]);
  }
  return out;
}
