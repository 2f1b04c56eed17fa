// The page's line to the server: JSON messages over one WebSocket, reconnecting when it
// drops. Pointer moves never queue: one is in flight at a time, and while it is, only the
// newest position waits. Numbered messages are answered in order: an update's `ack` says
// that all up to that number are applied.
export class Link {
  constructor(onMessage, onState) {
    this.onMessage = onMessage;
    this.onState = onState;
    this.seq = 0;
    this.moveSeq = 0;
    this.inFlight = false;
    this.waiting = null;
    this.open();
  }

  open() {
    const scheme = location.protocol === 'https:' ? 'wss:' : 'ws:';
    this.ws = new WebSocket(`${scheme}//${location.host}/ws`);
    this.ws.onopen = () => this.onState(true);
    this.ws.onmessage = (e) => {
      let message;
      try { message = JSON.parse(e.data); } catch { return; }
      if (message.ack !== undefined) this.acked(message.ack);
      this.onMessage(message);
    };
    this.ws.onclose = () => {
      this.inFlight = false;
      this.waiting = null;
      this.onState(false);
      setTimeout(() => this.open(), 1000);
    };
  }

  send(message) {
    if (this.ws.readyState === WebSocket.OPEN) this.ws.send(JSON.stringify(message));
  }

  // Gives the message's number.
  numbered(message) {
    this.send({ ...message, seq: ++this.seq });
    return this.seq;
  }

  // A pointer move: sent now, or kept as the newest until the last one is answered.
  move(message) {
    if (this.inFlight) { this.waiting = message; return; }
    this.inFlight = true;
    this.moveSeq = this.numbered(message);
  }

  // Before a button goes up: the newest position first.
  flushMove() {
    if (!this.waiting) return;
    const message = this.waiting;
    this.waiting = null;
    this.inFlight = true;
    this.moveSeq = this.numbered(message);
  }

  acked(seq) {
    if (seq < this.moveSeq) return;
    this.inFlight = false;
    if (this.waiting) this.flushMove();
  }
}
