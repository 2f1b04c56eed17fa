// The bare page: one canvas painting the display list each reply carries, one pointer move
// in flight and only the newest waiting, as the web host's page keeps them; nothing else.
import { paint } from './paint.js';

const params = new URLSearchParams(location.search);
const width = Number(params.get('w')), height = Number(params.get('h'));
const canvas = document.getElementById('view');
paint(canvas, [], width, height);
const ws = new WebSocket(`ws://${location.host}/ws`);
let inFlight = false, waiting = null, seq = 0;

function send(message) {
  if (inFlight) { waiting = message; return; }
  inFlight = true;
  ws.send(JSON.stringify({ ...message, seq: ++seq }));
}

ws.onopen = () => { document.body.dataset.ready = '1'; };
ws.onmessage = (e) => {
  const message = JSON.parse(e.data);
  for (const p of message.paints || []) {
    paint(canvas, p.ops, width, height);
    canvas.dispatchEvent(new Event('painted'));
  }
  inFlight = false;
  if (waiting) { const next = waiting; waiting = null; send(next); }
};
const move = params.has('raw') && 'onpointerrawupdate' in window ? 'pointerrawupdate' : 'pointermove';
canvas.addEventListener(move, (e) => {
  const box = canvas.getBoundingClientRect();
  send({ t: 'mouse', dlg: 1, c: 24, a: 1, b: 0, x: Math.floor(e.clientX - box.left), y: Math.floor(e.clientY - box.top) });
});
