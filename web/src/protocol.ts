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
  // Exercises: the exercise's JSON text (UTF-8) with the URL its pictures are
  // found beside; a check of a program (a source or a program file, by its
  // name); the starting machine of a case of the last check.
  | { type: 'exerciseOpen'; json: Uint8Array; base: string }
  | { type: 'exerciseCheck'; bytes: Uint8Array; name: string }
  | { type: 'exerciseLoadCase'; index: number }
  // The assembler beside the machine: mode 0 Generate, 1 Generate and Copy,
  // 2 Generate and Start (at interval ms); lines are the editor's breakpoint
  // lines (from 1), placed after the first Generate.
  | { type: 'assemble'; bytes: Uint8Array; mode: 0 | 1 | 2; debug: boolean; sourceInListing: boolean; lines: number[];
      interval: number }
  | { type: 'scan'; bytes: Uint8Array } // a source opened in the editor
  | { type: 'lineBreakpoints'; lines: number[] }
  | { type: 'engine'; compiled: boolean } // the compiled engine (where the page has it) or the interpreter
  | NetRequest;

// The network device's route: where its socket's connects and listens go.
export type NetRoute = 'off' | 'peer' | 'tabs' | 'bridge';
export type NetRequest =
  | { type: 'netRoute'; route: NetRoute; bridge: string; token: string }
  // The peer panel: the learner as the other end of the socket.
  | { type: 'peerConnect' }
  | { type: 'peerClose' }
  | { type: 'peerSend'; text: string; asBytes: boolean }; // as bytes: decimal bytes or one "text", as --input's net

// What the network device did since the last such reply.
export interface NetReply {
  type: 'net';
  route: NetRoute;
  state: string; // the socket's state in words
  note: string; // what the route is, or why the socket is offline
  sent: number;
  received: number;
  log: string[]; // new events, each "hh:mm:ss.zzz text"
  machineSent?: number[]; // bytes the machine sent to the peer panel
  error?: string; // for the error box
}

export interface ConsolePart {
  reset: boolean; // start the text afresh with this part
  text: string; // no more than the page's console keeps
  dropped: boolean; // earlier characters were left out
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

// An exercise as the core read it.
export interface ExerciseInfo {
  title: string;
  task: string; // Markdown
  hints: string[];
  starter: string; // the name of a source beside the exercise, or ''
  givesPoints: boolean;
  pointsPossible: number;
  cases: { name: string; points: number; steps: number; screen: boolean }[]; // screen: it expects pixels
  missingScreens: string[];
}

// A check's result, as zar check --json reports a submission.
export interface CaseGrade {
  case: number;
  name: string;
  passed: boolean;
  failure: string;
  steps: number;
  outOfSteps: boolean;
  timedOut: boolean;
  points?: number;
}
export interface GradeReport {
  assembled: boolean;
  passed: boolean;
  casesPassed: number;
  points: number;
  pointsPossible: number;
  cases: CaseGrade[];
  messages?: { line: number; text: string }[];
}

export type Reply =
  | Update
  | { type: 'ready'; version: string }
  | { type: 'file'; name: string; bytes: Uint8Array; mime: string }
  | { type: 'exercise'; info?: ExerciseInfo; error?: string } // error: not a valid exercise, or a picture unread
  | { type: 'grade'; report?: GradeReport; error?: string }
  | { type: 'caseLoaded'; index: number; ok: boolean }
  | { type: 'loaded'; name: string; source: boolean } // the core took the file for a source
  | { type: 'assembly'; command: 'generate' | 'scan'; report: AssemblyReport }
  | { type: 'lineBreakpointsCleared' } // a load cleared the machine's breakpoints
  | NetReply;

// One message of an assembler stage: its source line (from 1; 0 for none).
export interface StageMessage {
  text: string;
  line: number;
  reason: string;
}

// What an assembler command left: the internal table (null when no stage
// showed it: the window keeps its text), the listing ("Ausgabe"), messages.
export interface AssemblyReport {
  generated: boolean;
  table: string | null;
  listing: string;
  messages: StageMessage[];
  warnings: StageMessage[];
}
