// The module's dialogs as floating panels, built from the forms and controls the server
// reads through the UI seam. Every control shows the server's state; what the user does
// goes to the server as an action, and the server's answer redraws it.
import { KIND, build, caption, fieldName, make, name, plainCaption, put, show } from './controls.js';
import { curveView } from './curve.js';
import { paint } from './paint.js';

const BUTTONS = { 0: 0, 1: 2, 2: 1 };  // DOM button → the seam's left, right, middle
const TITLE = 20, BORDER = 1, CASCADE = 24;
// What of a title bar must stay in sight to grab it, and the close button's end of it.
const GRIP = 10, CLOSE = 22, STEP = 8;
const PLACES = 'qm7140-places';
const ROW = 10;  // tops closer than this read as one row
const TAKES_FOCUS = ['input:not([type="radio"])', 'input[type="radio"]:checked', 'select', 'button', 'canvas[tabindex]'].map((s) => `${s}:not(:disabled)`).join(', ');
export const MOVE = 'onpointerrawupdate' in window ? 'pointerrawupdate' : 'pointermove';

// The widest part of the title bar of panel [x, y, w, h] in the window that none of `above`
// covers: one reaching into the bar's height at all takes its columns.
function grip([x, y, w], above) {
  let open = [[Math.max(0, x + BORDER), Math.min(innerWidth, x + w - CLOSE)]];
  for (const [ax, ay, aw, ah] of above) {
    if (ay >= y + BORDER + TITLE || ay + ah <= y) continue;
    open = open.flatMap(([a, b]) => [[a, Math.min(b, ax)], [Math.max(a, ax + aw), b]]).filter(([a, b]) => b > a);
  }
  return Math.max(0, ...open.map(([a, b]) => b - a));
}

export class Dialogs {
  constructor(desk, link) {
    this.desk = desk;
    this.link = link;
    this.top = 0;
    try { this.places = JSON.parse(sessionStorage.getItem(PLACES)) || {}; } catch { this.places = {}; }
    this.origin = null;
    this.opening = null;  // the dialog a menu entry asked for, and that entry
    this.reset(0);
    // A press anywhere but on a panel leaves the active dialog, as a click on the desktop does.
    document.addEventListener('pointerdown', (e) => {
      if (e.target.closest('.panel')) return;
      for (const form of this.forms) if (form && form.active && form.visible) this.link.send({ t: 'deactivate', dlg: form.dlg });
    });
    addEventListener('resize', () => {
      this.origin = null;
      for (const panel of this.panels) if (panel && !panel.root.hidden) this.move(panel, panel.want);
    });
  }

  // Where the free desk begins: right of the side column, below the bar. Read when a
  // dialog first needs a place, never on a drag's path.
  measure() {
    const side = document.getElementById('side'), bar = document.getElementById('bar');
    return [side ? side.getBoundingClientRect().right : 0, bar ? bar.getBoundingClientRect().bottom : 0];
  }

  reset(device) {
    this.device = device;
    this.desk.replaceChildren();
    this.opening = null;
    this.forms = [];
    this.panels = [];
    this.controls = [];
  }

  // Pictures first: a drag's answer reaches the canvas before any other control is written
  // (a paint box built or resized by this message is painted after it).
  update(message) {
    const resized = new Set((message.controls || []).filter((d) => d.w !== undefined || d.h !== undefined).map((d) => `${d.dlg}:${d.c}`));
    const later = (message.paints || []).filter((p) => resized.has(`${p.dlg}:${p.c}`) || !this.picture(p));
    for (const form of message.forms || []) this.form(form);
    const touched = new Set(), built = [];
    for (const delta of message.controls || []) {
      const panel = this.panels[delta.dlg];
      // A part of a control not yet known is from before a reset: the whole one follows.
      if (!panel || (!this.controls[delta.dlg][delta.c] && delta.kind === undefined)) continue;
      const c = this.controls[delta.dlg][delta.c] = Object.assign(this.controls[delta.dlg][delta.c] || {}, delta);
      let element = panel.elements[c.c];
      if (!element) {
        const parent = (c.parent >= 0 && panel.elements[c.parent]) || panel.client;
        element = panel.elements[c.c] = build(c, parent, this.sender(c));
        built.push(c);
      }
      show(element, c, this.sender(c), message.ack);
      touched.add(c.dlg);
    }
    for (const c of built) {
      const panel = this.panels[c.dlg];
      name(this.controls[c.dlg], panel.elements, c, panel.elements[c.c].parentElement);
      if (c.kind === KIND.paint) this.paintBox(panel, c);
    }
    for (const d of new Set(built.map((c) => c.dlg))) this.arrange(this.panels[d]);
    this.focusOpening();
    for (const d of touched) for (const view of this.panels[d].views) view.refresh();
    for (const picture of later) this.picture(picture);
  }

  // A control's actions; a position goes numbered, for its answer to be known (its number).
  sender(c) {
    return (m) => (m.t === 'pos' ? this.link.numbered({ dlg: c.dlg, c: c.c, ...m }) : this.link.send({ dlg: c.dlg, c: c.c, ...m }));
  }

  // A form comes with only what changed since this page last heard of it; the first time
  // with everything (a part for one not yet known is from before a reset).
  form(delta) {
    const d = delta.dlg;
    if (!this.forms[d] && delta.w === undefined) return;
    const form = this.forms[d] = Object.assign(this.forms[d] || {}, delta);
    let panel = this.panels[d];
    if (!panel) {
      panel = this.panels[d] = this.panel(form);
      this.controls[d] = [];
    }
    caption(panel.titleText, form.caption);
    put(panel.close, 'name', form.caption, (text) => panel.close.setAttribute('aria-label', `Close ${plainCaption(text)}`));
    put(panel.client, 'size', `${form.w}x${form.h}`, () => {
      panel.client.style.width = `${form.w}px`;
      panel.client.style.height = `${form.h}px`;
    });
    const shown = form.visible && panel.root.hidden;
    if (shown) this.place(panel, form);
    // Closed with the focus in it: the focus goes back to what opened it.
    const giveBack = !form.visible && !panel.root.hidden && panel.root.contains(document.activeElement);
    // Shown or made active: on top, as a window manager raises it.
    if (shown || (form.active && !panel.active)) this.raise(panel);
    put(panel.root, 'hidden', !form.visible, (v) => { panel.root.hidden = v; });
    if (giveBack) (panel.opener?.isConnected ? panel.opener : document.querySelector(`#menu [data-dialog="${d}"]`))?.focus();
    put(panel.root, 'active', !!form.active, (v) => panel.root.classList.toggle('active', v));
    panel.active = !!form.active;
  }

  // "Limiter / AGC: Inflection Point": where a person finds the control of a binding.
  field(d, c) {
    const form = this.forms[d], control = this.controls[d]?.[c];
    return `${plainCaption(form?.caption ?? '')}: ${control ? fieldName(this.controls[d], control) : `control ${c}`}`;
  }

  anyOpen() {
    return this.forms.some((form) => form && form.visible);
  }

  // The menu's choice comes to the front, also when it was open already, and takes the
  // focus into its first control once it shows.
  front(d, opener) {
    this.opening = { d, opener };
    if (this.panels[d]) this.raise(this.panels[d]);
    this.focusOpening();
  }

  focusOpening() {
    const panel = this.opening && this.panels[this.opening.d];
    if (!panel || panel.root.hidden) return;
    panel.opener = this.opening.opener;
    this.opening = null;
    panel.client.querySelector(TAKES_FOCUS)?.focus();
  }

  // Tab goes through a dialog as a person reads it, rows from the top, each from the left,
  // and through a group before what follows it (the module's own order starts the Limiter
  // at its bottom row).
  arrange(panel) {
    const records = this.controls[panel.dlg];
    for (const container of new Set(panel.elements.filter(Boolean).map((e) => e.parentElement))) {
      const placed = [...container.children].filter((e) => e.dataset.c !== undefined).map((e) => [records[Number(e.dataset.c)], e]);
      placed.sort(([a], [b]) => a.t - b.t);
      const rows = [];
      for (const item of placed) {
        const row = rows.at(-1);
        if (row && item[0].t < row[0][0].t + ROW) row.push(item); else rows.push([item]);
      }
      for (const [, e] of rows.flatMap((row) => row.sort(([a], [b]) => a.l - b.l))) container.append(...[e, e.ticks, e.output].filter(Boolean));
    }
  }

  raise(panel) {
    if (panel.z === this.top && panel.z > 0) return;
    panel.z = ++this.top;
    panel.root.style.zIndex = String(panel.z);
  }

  size(panel) {
    const form = this.forms[panel.dlg];
    return [form.w + 2 * BORDER, form.h + TITLE + 2 * BORDER];
  }

  // Inside the window, below the bar, whenever it fits; otherwise at its top left, the rest
  // scrolling.
  fit(panel, [x, y]) {
    const [w, h] = this.size(panel), bar = (this.origin || (this.origin = this.measure()))[1];
    return [Math.max(0, Math.min(x, innerWidth - w)), Math.max(0, Math.min(Math.max(y, bar), innerHeight - h))];
  }

  // `at` is where it should be; it goes as near as the window allows.
  move(panel, at) {
    panel.want = at;
    panel.at = this.fit(panel, at);
    panel.root.style.left = `${panel.at[0]}px`;
    panel.root.style.top = `${panel.at[1]}px`;
  }

  // Where the person last moved it on this page for this device; else where the module puts
  // it, or cascaded from the dialog on top, then anywhere in the window, so that every open
  // dialog keeps a part of its title bar to grab.
  place(panel, form) {
    const kept = this.places[`${this.device}:${panel.dlg}`];
    if (kept) return this.move(panel, kept);
    const others = this.panels.filter((p) => p && p !== panel && !p.root.hidden).sort((a, b) => a.z - b.z);
    const [ox, oy] = this.origin || (this.origin = this.measure());
    let start = form.hasPos ? [ox + form.left, oy + form.top] : [ox + 16, oy + 16];
    if (others.length) start = [others.at(-1).at[0] + CASCADE, others.at(-1).at[1] + CASCADE];
    const [w, h] = this.size(panel);
    const rects = others.map((o) => [...o.at, ...this.size(o)]);
    // Each one's grip under those above it, without and with the new one; a grip already
    // smaller than GRIP (the person stacked them so) only must not shrink.
    const grips = rects.map((r, i) => grip(r, rects.slice(i + 1)));
    const keeps = (at) => rects.every((r, i) => grip(r, [...rects.slice(i + 1), [...at, w, h]]) >= Math.min(GRIP, grips[i]));
    const wanted = [];
    for (let k = 0; k < 16; k++) wanted.push([start[0] + CASCADE * k, start[1] + CASCADE * k]);
    // Over the desk first, then over the side column.
    const xs = [];
    for (let x = ox; x + w <= innerWidth; x += STEP) xs.push(x);
    for (let x = 0; x < ox && x + w <= innerWidth; x += STEP) xs.push(x);
    for (let y = oy; y + h <= innerHeight; y += STEP) for (const x of xs) wanted.push([x, y]);
    const chosen = wanted.find((want) => keeps(this.fit(panel, want)));
    this.move(panel, chosen || start);
  }

  remember(panel) {
    this.places[`${this.device}:${panel.dlg}`] = panel.want;
    try { sessionStorage.setItem(PLACES, JSON.stringify(this.places)); } catch { /* kept for this page only */ }
  }

  panel(form) {
    const d = form.dlg;
    const root = make('section', 'panel', this.desk);
    root.hidden = true;
    root.dataset.dialog = String(d);
    root.setAttribute('role', 'dialog');
    const title = make('div', 'title', root);
    const titleText = make('span', '', title);
    titleText.id = `dlg${d}-title`;
    root.setAttribute('aria-labelledby', titleText.id);
    const close = make('button', '', title);
    close.type = 'button';
    close.textContent = '×';
    close.title = 'Close';
    close.addEventListener('click', () => this.link.send({ t: 'close', dlg: d }));
    const scroll = make('div', 'scroll', root);
    const client = make('div', 'client', scroll);
    const panel = { dlg: d, root, titleText, close, client, elements: [], views: [], at: [0, 0], want: [0, 0], z: 0, active: false };
    this.drag(panel, title, close);
    root.addEventListener('pointerdown', () => {
      this.raise(panel);
      if (!this.forms[d].active) this.link.send({ t: 'activate', dlg: d });
    });
    root.addEventListener('focusin', (e) => {
      const c = Number(e.target.closest('[data-c]')?.dataset.c);
      const control = this.controls[d][c];
      // The curve view takes the page's focus for its keys; the module's stays where it was.
      if (control && control.kind !== KIND.paint && this.forms[d].focused !== c) this.link.send({ t: 'focus', dlg: d, c });
    });
    // Escape closes it, as Cancel does.
    root.addEventListener('keydown', (e) => {
      if (e.key !== 'Escape' || e.defaultPrevented) return;
      e.preventDefault();
      this.link.send({ t: 'close', dlg: d });
    });
    root.addEventListener('focusout', (e) => {
      if (this.forms[d].visible && !root.contains(e.relatedTarget)) this.link.send({ t: 'focus', dlg: d, c: -1 });
    });
    // As on Windows, a press on what cannot hold the focus (a label, a frame, the curve
    // view, the title) leaves it where it was; the curve view takes it from the keyboard.
    root.addEventListener('mousedown', (e) => {
      if (!e.target.closest('input, select, button, label')) e.preventDefault();
    });
    return panel;
  }

  // The title bar moves the panel on this page only, its title always inside the window.
  drag(panel, title, close) {
    title.addEventListener('pointerdown', (e) => {
      if (e.target === close || e.button !== 0) return;
      title.setPointerCapture(e.pointerId);
      const dx = e.clientX - panel.at[0], dy = e.clientY - panel.at[1];
      const move = (m) => this.move(panel, [m.clientX - dx, m.clientY - dy]);
      title.addEventListener('pointermove', move);
      title.addEventListener('pointerup', () => {
        title.removeEventListener('pointermove', move);
        panel.want = panel.at;
        this.remember(panel);
      }, { once: true });
    });
  }

  paintBox(panel, c) {
    const canvas = panel.elements[c.c];
    this.pointer(canvas, c);
    const view = curveView(canvas, c, this.controls[c.dlg], (m) => this.link.send({ dlg: c.dlg, c: c.c, ...m }));
    if (view) panel.views.push(view);
  }

  pointer(canvas, c) {
    const send = (m) => this.link.send({ dlg: c.dlg, c: c.c, ...m });
    // The box is read when the pointer comes in or presses, never on a move: a move follows
    // the last message's writes, and reading layout then would force it.
    let box = null;
    const measure = () => { box = canvas.getBoundingClientRect(); };
    const at = (e) => {
      if (!box) measure();
      const clamp = (v) => Math.max(-32768, Math.min(32767, Math.floor(v)));
      return { x: clamp(e.clientX - box.left), y: clamp(e.clientY - box.top) };
    };
    canvas.addEventListener('pointerenter', measure);
    canvas.addEventListener('pointerdown', (e) => {
      if (!(e.button in BUTTONS)) return;
      measure();
      canvas.setPointerCapture(e.pointerId);
      send({ t: 'mouse', a: 0, b: BUTTONS[e.button], ...at(e) });
    });
    // Raw moves come as the pointer moves, not once a frame: the newest position goes sooner.
    canvas.addEventListener(MOVE, (e) => {
      this.link.move({ t: 'mouse', dlg: c.dlg, c: c.c, a: 1, b: 0, ...at(e) });
    });
    const up = (e) => {
      if (!canvas.hasPointerCapture(e.pointerId)) return;
      this.link.flushMove();
      send({ t: 'mouse', a: 2, b: BUTTONS[e.button] ?? 0, ...at(e) });
    };
    canvas.addEventListener('pointerup', up);
    canvas.addEventListener('pointercancel', up);
  }

  // False while its paint box is not built yet.
  picture(p) {
    const element = this.panels[p.dlg]?.elements[p.c];
    const c = this.controls[p.dlg]?.[p.c];
    if (!element || !c) return false;
    paint(element, p.ops, c.w, c.h);
    element.dispatchEvent(new Event('painted'));
    return true;
  }
}
