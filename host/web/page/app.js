// The page: one tab per device, the Device menu from the module's own captions, the
// dialogs, the register grid, the write log, the device's figure and its state file.
import { Link } from './net.js';
import { learnKinds } from './controls.js';
import { Dialogs } from './dialogs.js';
import { Grid } from './grid.js';
import { drawFigure } from './figure.js';

const $ = (id) => document.getElementById(id);
let device = -1;
let figure = null;
let figureShape = null;  // its size and where the chip sits, from the server's hello
let bus = {};
let updates = 0;  // messages shown; the page marks the first for those who wait on it

// The token has done its work once the cookie is set; it stays out of the history.
if (location.search.includes('token=')) history.replaceState(null, '', '/');

const link = new Link(receive, (up) => {
  $('status').textContent = up ? 'connected' : 'disconnected, retrying…';
  $('status').classList.toggle('down', !up);
  if (up && device >= 0) choose(device);
});
const dialogs = new Dialogs($('desk'), link);
const grid = new Grid($('grid-rows'), $('log-lines'), $('grid-error'), { descriptions: $('grid-fields'), now: $('grid-field') },
  (r, v) => link.send({ t: 'reg', r, v }));

function choose(d) {
  device = d;
  dialogs.reset(d);
  grid.clearLog();
  figure = null;
  bus = {};
  for (const tab of $('tabs').children) tab.setAttribute('aria-selected', String(Number(tab.dataset.dev) === d));
  $('save').href = `/state?dev=${d}`;
  for (const format of ['c', 'i2cset', 'script']) $(`export-${format}`).href = `/export?dev=${d}&format=${format}`;
  $('state-message').textContent = '';
  link.send({ t: 'sub', dev: d });
}

function button(parent, text, action) {
  const b = document.createElement('button');
  b.type = 'button';
  b.textContent = text;
  b.addEventListener('click', action);
  parent.append(b);
  return b;
}

function receive(m) {
  if (m.t === 'hello') {
    $('version').textContent = `QM7140 ${m.version}`;
    learnKinds(m.kinds);
    figureShape = m.figure;
    $('tabs').replaceChildren();
    for (let d = 0; d < m.devices; d++) {
      const tab = button($('tabs'), `Device ${d + 1}`, () => choose(d));
      tab.dataset.dev = String(d);
      tab.setAttribute('role', 'tab');
    }
    $('desk-hint').textContent = `No dialog is open: open one from the menu above (${m.menu.join(', ')}).`;
    $('menu').replaceChildren();
    m.menu.forEach((caption, d) => {
      button($('menu'), caption, () => { dialogs.front(d); link.send({ t: 'menu', dlg: d }); }).dataset.dialog = String(d);
    });
    choose(device >= 0 && device < m.devices ? device : 0);
    return;
  }
  if (m.t !== 'update') return;
  for (const e of m.errors || []) showError(e);
  if (m.dev !== device) return;
  for (const e of m.alerts || []) showError(e, 10000);
  // What a message leaves out is unchanged: partial records merge into what was known.
  if (m.bus) showBus(bus = { ...bus, ...m.bus });
  dialogs.update(m);
  // Only a message with forms opens or closes a dialog: a drag's never touches the hint.
  if (m.forms) $('desk-hint').classList.toggle('covered', dialogs.anyOpen());
  if (m.map) grid.describe(m.map.map(([dlg, c, r, mask]) => [r, dialogs.field(dlg, c), mask]));
  if (m.regs) grid.all(m.regs);
  if (m.regd) grid.changed(m.regd);
  if (m.log) grid.addLines(m.log);
  if (m.figure) { figure = { ...figure, ...m.figure }; drawFigure($('figure'), figure, figureShape, device); }
  updates++;
  if (updates === 1) document.body.dataset.updates = '1';
}

function showError(text, ms = 4000) {
  const line = document.createElement('div');
  line.textContent = text;
  $('errors').append(line);
  setTimeout(() => line.remove(), ms);
}

function showBus() {
  $('chip').textContent = bus.chip;
  $('chip').classList.toggle('offline', !bus.online);
  $('connect').hidden = bus.online;
}

$('readall').addEventListener('click', () => link.send({ t: 'readall' }));
$('connect').addEventListener('click', () => link.send({ t: 'connect' }));
$('figure').addEventListener('dblclick', () => link.send({ t: 'link' }));
$('figure').addEventListener('keydown', (e) => {
  if (e.key !== 'Enter' && e.key !== ' ') return;
  e.preventDefault();
  link.send({ t: 'link' });
});
$('load-button').addEventListener('click', () => $('load').click());
$('replay-button').addEventListener('click', () => $('replay').click());
// A state file, or a register script to replay: the server checks it whole first.
for (const [input, path] of [['load', '/state'], ['replay', '/replay']]) {
  $(input).addEventListener('change', async () => {
    const file = $(input).files[0];
    $(input).value = '';
    if (!file || device < 0) return;
    const message = $('state-message');
    try {
      const reply = await fetch(`${path}?dev=${device}`, { method: 'POST', body: await file.text() });
      message.textContent = (await reply.text()).trim();
      message.classList.toggle('bad', !reply.ok);
    } catch (e) {
      message.textContent = `not sent: ${e.message}`;
      message.classList.add('bad');
    }
  });
}
