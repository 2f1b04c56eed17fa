// The page's line to the server: JSON messages over one WebSocket, reconnecting when it
// drops. Pointer moves never queue: one is in flight at a time, and while it is, only the
// newest position waits. Numbered messages are answered in order: an update's `ack` says
// that all up to that number are applied.
// onState hears 'up', 'down' (gone; trying again) or 'refused': a server answers but not
// to this page, a run after the one that gave it its token, so trying again is no use.
const RETRY_FIRST = 500, RETRY_MOST = 4000;

export class Link {
  constructor(onMessage, onState) {
    this.onMessage = onMessage;
    this.onState = onState;
    this.seq = 0;
    this.moveSeq = 0;
    this.inFlight = false;
    this.waiting = null;
    this.delay = RETRY_FIRST;
    this.open();
  }

  open() {
    const scheme = location.protocol === 'https:' ? 'wss:' : 'ws:';
    this.ws = new WebSocket(`${scheme}//${location.host}/ws`);
    this.ws.onopen = () => {
      this.delay = RETRY_FIRST;
      this.onState('up');
    };
    this.ws.onmessage = (e) => {
      let message;
      try { message = JSON.parse(e.data); } catch { return; }
      if (message.ack !== undefined) this.acked(message.ack);
      this.onMessage(message);
    };
    this.ws.onclose = () => {
      this.inFlight = false;
      this.waiting = null;
      this.onState('down');
      this.retry();
    };
  }

  // A WebSocket refused says nothing of why: a plain request tells a server that is gone
  // from one that refuses this page.
  async retry() {
    let status = 0;
    try { status = (await fetch('/', { method: 'HEAD', cache: 'no-store' })).status; } catch { /* not listening */ }
    if (status === 403) return this.onState('refused');
    setTimeout(() => this.open(), this.delay);
    this.delay = Math.min(2 * this.delay, RETRY_MOST);
  }

  get up() { return this.ws.readyState === WebSocket.OPEN; }

  // False when there is no server to send it to.
  send(message) {
    if (!this.up) return false;
    this.ws.send(JSON.stringify(message));
    return true;
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
