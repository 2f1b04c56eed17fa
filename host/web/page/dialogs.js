// The module's dialogs as floating panels, built from the forms and controls the server
// reads through the UI seam. Every control shows the server's state; what the user does
// goes to the server as an action, and the server's answer redraws it.
import { KIND, build, caption, make, name, plainCaption, put, show } from './controls.js';
import { curveView } from './curve.js';
import { paint } from './paint.js';

const BUTTONS = { 0: 0, 1: 2, 2: 1 };  // DOM button → the seam's left, right, middle
const TITLE = 20, BORDER = 1, CASCADE = 24;
const PLACES = 'qm7140-places';
export const MOVE = 'onpointerrawupdate' in window ? 'pointerrawupdate' : 'pointermove';

const overlaps = (a, b) => a[0] < b[0] + b[2] && b[0] < a[0] + a[2] && a[1] < b[1] + b[3] && b[1] < a[1] + a[3];

export class Dialogs {
  constructor(desk, link) {
    this.desk = desk;
    this.link = link;
    this.top = 0;
    try { this.places = JSON.parse(sessionStorage.getItem(PLACES)) || {}; } catch { this.places = {}; }
    this.origin = null;
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
        element = panel.elements[c.c] = build(c, parent, (m) => this.link.send({ dlg: c.dlg, c: c.c, ...m }));
        built.push(c);
      }
      show(element, c, (m) => this.link.send({ dlg: c.dlg, c: c.c, ...m }));
      touched.add(c.dlg);
    }
    for (const c of built) {
      const panel = this.panels[c.dlg];
      name(this.controls[c.dlg], panel.elements, c, panel.elements[c.c].parentElement);
      if (c.kind === KIND.paint) this.paintBox(panel, c);
    }
    for (const d of touched) for (const view of this.panels[d].views) view.refresh();
    for (const picture of later) this.picture(picture);
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
    // Shown or made active: on top, as a window manager raises it.
    if (shown || (form.active && !panel.active)) this.raise(panel);
    put(panel.root, 'hidden', !form.visible, (v) => { panel.root.hidden = v; });
    put(panel.root, 'active', !!form.active, (v) => panel.root.classList.toggle('active', v));
    panel.active = !!form.active;
  }

  // The menu's choice comes to the front, also when it was open already.
  front(d) {
    if (this.panels[d]) this.raise(this.panels[d]);
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

  // Where it was last on this page for this device; else where the module puts it, or
  // cascaded from the dialog on top so that no title bar is covered.
  place(panel, form) {
    const kept = this.places[`${this.device}:${panel.dlg}`];
    if (kept) return this.move(panel, kept);
    const others = this.panels.filter((p) => p && p !== panel && !p.root.hidden);
    const [ox, oy] = this.origin || (this.origin = this.measure());
    let start = form.hasPos ? [ox + form.left, oy + form.top] : [ox + 16, oy + 16];
    if (others.length) {
      const last = others.reduce((a, b) => (a.z > b.z ? a : b));
      start = [last.at[0] + CASCADE, last.at[1] + CASCADE];
    }
    const [w, h] = this.size(panel);
    let chosen = null;
    for (let k = 0; k < 16 && !chosen; k++) {
      const want = [start[0] + CASCADE * k, start[1] + CASCADE * k];
      const at = this.fit(panel, want);
      if (others.every((o) => !overlaps([...at, w, h], [...o.at, this.size(o)[0], TITLE + BORDER]))) chosen = want;
    }
    this.move(panel, chosen || start);
    this.remember(panel);
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
