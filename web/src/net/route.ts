// A route of the network device's socket: where its connects, listens, bytes
// and closes go, and where the other end's events come from. Every request
// and event carries the use of the socket it belongs to (a new one for each
// connect or listen); the core drops events of an earlier use.
export interface RouteEvents {
  connected(use: number, peer: string): void;
  // One chunk: one message of the route. Only its first byte reaches the machine.
  arrived(use: number, chunk: Uint8Array): void;
  // The other end has finished sending.
  closed(use: number): void;
  // What the use asked for failed; shown in the error box when `box`.
  failed(use: number, description: string, box: boolean): void;
}

export interface Route {
  connect(use: number, host: string, port: number): void;
  listen(use: number, port: number): void;
  send(use: number, bytes: Uint8Array): void;
  close(use: number): void;
  // The route is left: whatever it holds is closed.
  dispose(): void;
}
