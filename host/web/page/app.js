// The page: one tab per device, the Device menu from the module's own captions, the
// dialogs, the register grid, the write log, the device's figure and its state file.
import { Link } from './net.js';
import { learnKinds } from './controls.js';
import { Dialogs } from './dialogs.js';
import { Grid } from './grid.js';
import { Bench } from './bench.js';
import { drawFigure } from './figure.js';

const $ = (id) => document.getElementById(id);
let device = -1;
let figure = null;
let figureShape = null;  // its size and where the chip sits, from the server's hello
let bus = {};
let devices = 0;
let updates = 0;  // messages shown; the page marks the first for those who wait on it

// The token has done its work once the cookie is set; it stays out of the history.
if (location.search.includes('token=')) history.replaceState(null, '', '/');

// Without its server the page takes no input: all but the notice is inert until it is back,
// and a server run after the one that gave this page its token asks for the new address.
const COVER = {
  down: ['The server is not answering',
    'Nothing done on this page reaches the device until it is back; trying again. If the server was restarted, open the address it printed.'],
  refused: ['The server was restarted',
    'This page belongs to its last run, and each run has a new access token: open the address the server printed on its first line (the one ending in /?token=…).'],
};
const STATUS = { up: 'connected', down: 'disconnected, retrying…', refused: 'disconnected: open the new address' };
let focusBefore = null;
const link = new Link(receive, (state) => {
  $('status').textContent = STATUS[state];
  $('status').classList.toggle('down', state !== 'up');
  const cover = $('cover'), covered = !cover.hidden;
  if (state === 'up') {
    cover.hidden = true;
    for (const part of cover.parentElement.children) part.inert = false;
    if (covered && focusBefore?.isConnected) focusBefore.focus();
    if (device >= 0) choose(device);
    return;
  }
  [$('cover-title').textContent, $('cover-text').textContent] = COVER[state];
  if (covered) return;
  focusBefore = document.activeElement;
  for (const part of cover.parentElement.children) part.inert = part !== cover;
  cover.hidden = false;
  cover.focus();
});
const dialogs = new Dialogs($('desk'), link);
const grid = new Grid($('grid-rows'), $('log-lines'), $('grid-error'), { descriptions: $('grid-fields'), now: $('grid-field') },
  (r, v) => link.send({ t: 'reg', r, v }));

const bench = new Bench(link);

// Nothing under the notice to Tab to: the focus stays on it.
$('cover').addEventListener('keydown', (e) => { if (e.key === 'Tab') e.preventDefault(); });

function choose(d) {
  device = d;
  dialogs.reset(d);
  grid.clearLog();
  grid.switchTo(d);
  figure = null;
  bus = {};
  for (const tab of $('tabs').children) tab.setAttribute('aria-selected', String(Number(tab.dataset.dev) === d));
  $('save').href = `/state?dev=${d}`;
  for (const format of ['c', 'i2cset', 'script']) $(`export-${format}`).href = `/export?dev=${d}&format=${format}`;
  for (const format of ['csv', 'pcap']) $(`log-${format}`).href = `/log?dev=${d}&format=${format}`;
  $('state-message').textContent = '';
  bench.switchTo(d, devices);
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
    devices = m.devices;
    $('tabs').replaceChildren();
    for (let d = 0; d < m.devices; d++) {
      const tab = button($('tabs'), `Device ${d + 1}`, () => choose(d));
      tab.dataset.dev = String(d);
      tab.setAttribute('role', 'tab');
    }
    $('desk-hint').textContent = `No dialog is open: open one from the menu above (${m.menu.join(', ')}).`;
    $('menu').replaceChildren();
    m.menu.forEach((caption, d) => {
      const opener = button($('menu'), caption, () => { dialogs.front(d, opener); link.send({ t: 'menu', dlg: d }); });
      opener.dataset.dialog = String(d);
    });
    choose(device >= 0 && device < m.devices ? device : 0);
    return;
  }
  if (m.t !== 'update') return;
  for (const e of m.errors || []) showError(e);
  if (m.dev !== device) return;
  for (const e of m.alerts || []) showError(e);
  // What a message leaves out is unchanged: partial records merge into what was known.
  if (m.bus) showBus(bus = { ...bus, ...m.bus });
  dialogs.update(m);
  // Only a message with forms opens or closes a dialog: a drag's never touches the hint.
  if (m.forms) $('desk-hint').classList.toggle('covered', dialogs.anyOpen());
  if (m.map) grid.describe(m.map.map(([dlg, c, r, mask]) => [r, dialogs.field(dlg, c), mask]));
  if (m.regs) grid.all(m.regs);
  if (m.regd) grid.changed(m.regd);
  if (m.log) grid.addLines(m.log);
  if (m.bench) bench.update(m.bench);
  if (m.figure) { figure = { ...figure, ...m.figure }; drawFigure($('figure'), figure, figureShape, device); }
  updates++;
  if (updates === 1) document.body.dataset.updates = '1';
}

// An alert stays until closed; the same one again counts up instead of stacking, and only
// the newest few are kept.
const ALERTS_KEPT = 5;
function showError(text) {
  const errors = $('errors');
  let line = [...errors.children].find((l) => l.dataset.text === text);
  if (line) {
    line.dataset.count = String(Number(line.dataset.count) + 1);
    line.querySelector('.count').textContent = `×${line.dataset.count}`;
  } else {
    line = document.createElement('div');
    line.dataset.text = text;
    line.dataset.count = '1';
    const words = document.createElement('span');
    words.textContent = text;
    const count = document.createElement('span');
    count.className = 'count';
    const close = document.createElement('button');
    close.type = 'button';
    close.textContent = '×';
    close.setAttribute('aria-label', 'Close this alert');
    close.addEventListener('click', () => line.remove());
    line.append(words, count, close);
  }
  errors.append(line);
  while (errors.children.length > ALERTS_KEPT) errors.firstChild.remove();
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
