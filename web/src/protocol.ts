// The messages between the page and its worker. Sources and program files
// travel as code page 1252 bytes, never as JavaScript strings.

export type Panel = 'memoryText' | 'screen' | 'history' | 'debugger';

export type Request =
  | { type: 'load'; bytes: Uint8Array; name: string }
  | { type: 'reset' }
  | { type: 'fill'; pattern: 0 | 1 | 2 | 3 } // NULL, Ascending, Descending, Random
  | { type: 'start'; interval: number } // under the timer; 0 pauses it
  | { type: 'fullSpeed' }
  | { type: 'stop' }
  | { type: 'step' }
  | { type: 'run'; steps: number } // a step budget on the input clock, as zar run --steps
  | { type: 'stepBack'; steps: number }
  | { type: 'runBack' }
  | { type: 'setCell'; cell: number; value: number }
  | { type: 'setIP'; ip: number }
  | { type: 'key'; code: number }
  | { type: 'keyOf'; text: string } // on-screen keys: the code the key field gives each character
  | { type: 'inputs'; text: Uint8Array; keys: boolean } // timed inputs, as --keys or --input
  | { type: 'breakpoint'; address: number; on: boolean }
  | { type: 'watch'; cell: number; on: boolean }
  | { type: 'clearConsole' }
  | { type: 'pause'; paused: boolean } // a dialog is open
  | { type: 'show'; panels: Panel[] }
  | { type: 'save' }
  | { type: 'savePicture' }
  | { type: 'engine'; compiled: boolean }; // the compiled engine (where the page has it) or the interpreter

export interface ConsolePart {
  reset: boolean; // start the text afresh with this part
  text: string;
  dropped: boolean;
}

// What changed since the last update; absent fields did not change.
export interface Update {
  type: 'update';
  memory?: Uint8Array;
  ip?: number;
  steps: number;
  clock: number;
  state: string; // the Debugger's state line
  rate: number; // steps a second
  memoryText?: string;
  console?: ConsolePart;
  screenRows?: { first: number; rgba: Uint8Array }[];
  history?: { plot: Float64Array; label: string };
  instruction?: string;
  breakpoints?: number[];
  watches?: number[];
  depth?: number;
  stopped?: boolean; // a run ended (Stop, a breakpoint, a watch, the budget)
  message?: string;
}

export type Reply =
  | Update
  | { type: 'ready'; version: string }
  | { type: 'file'; name: string; bytes: Uint8Array; mime: string };
