// The module's dialogs as floating panels, built from the forms and controls the server
// reads through the UI seam. Every control shows the server's state; what the user does
// goes to the server as an action, and the server's answer redraws it.
import { paint } from './paint.js';

export const KIND = { CHECK: 1, COMBO: 2, RADIO: 3, TRACK: 4, EDIT: 5, LABEL: 6, GROUP: 7, BUTTON: 8, PAINT: 9 };
const FOCUSABLE = new Set([KIND.CHECK, KIND.COMBO, KIND.RADIO, KIND.TRACK, KIND.EDIT, KIND.BUTTON]);
const BUTTONS = { 0: 0, 1: 2, 2: 1 };  // DOM button → the seam's left, right, middle
export const MOVE = 'onpointerrawupdate' in window ? 'pointerrawupdate' : 'pointermove';

// "&Mode" as Mode with M underlined, "&&" as one "&".
export function caption(element, text) {
  element.replaceChildren();
  let plain = '';
  for (let i = 0; i < text.length; i++) {
    if (text[i] === '&' && i + 1 < text.length) {
      i++;
      if (text[i] !== '&') {
        element.append(plain);
        plain = '';
        const u = document.createElement('u');
        u.textContent = text[i];
        element.append(u);
        continue;
      }
    }
    plain += text[i];
  }
  element.append(plain);
}

function make(tag, className, parent) {
  const element = document.createElement(tag);
  if (className) element.className = className;
  if (parent) parent.append(element);
  return element;
}

export class Dialogs {
  constructor(desk, link) {
    this.desk = desk;
    this.link = link;
    this.reset();
    desk.addEventListener('pointerdown', (e) => {
      if (e.target !== desk) return;
      for (const form of this.forms) if (form && form.active && form.visible) this.link.send({ t: 'deactivate', dlg: form.dlg });
    });
  }

  reset() {
    this.desk.replaceChildren();
    this.forms = [];
    this.panels = [];
    this.controls = [[], [], []];
  }

  update(message) {
    for (const form of message.forms || []) this.form(form);
    for (const control of message.controls || []) this.control(control);
    for (const picture of message.paints || []) this.picture(picture);
  }

  // A form or control comes with only what changed since this page last heard of it; the
  // first time with everything (a part for one not yet known is from before a reset).
  form(changed) {
    const d = changed.dlg;
    if (!this.forms[d] && changed.w === undefined) return;
    const form = this.forms[d] = { ...this.forms[d], ...changed };
    let panel = this.panels[d];
    if (!panel) {
      panel = this.panels[d] = this.panel(form);
      panel.root.hidden = true;
    }
    caption(panel.titleText, form.caption);
    panel.client.style.width = `${form.w}px`;
    panel.client.style.height = `${form.h}px`;
    // Shown or made active: on top, as a window manager raises it.
    if ((form.visible && panel.root.hidden) || (form.active && !panel.root.classList.contains('active'))) this.raise(panel);
    panel.root.hidden = !form.visible;
    panel.root.classList.toggle('active', form.active);
  }

  // The menu's choice comes to the front, also when it was open already.
  front(d) {
    if (this.panels[d]) this.raise(this.panels[d]);
  }

  raise(panel) {
    this.top = (this.top || 0) + 1;
    panel.root.style.zIndex = String(this.top);
  }

  panel(form) {
    const d = form.dlg;
    const root = make('section', 'panel', this.desk);
    root.dataset.dialog = String(d);
    root.setAttribute('aria-label', form.caption.replaceAll('&', ''));
    const title = make('div', 'title', root);
    const titleText = make('span', '', title);
    const close = make('button', '', title);
    close.type = 'button';
    close.textContent = '×';
    close.title = 'Close';
    close.addEventListener('click', () => this.link.send({ t: 'close', dlg: d }));
    const client = make('div', 'client', root);
    // Where the dialog has no place of its own: cascaded, titles in sight.
    const at = form.hasPos ? [form.left, form.top] : [16 + 100 * d, 16 + 30 * d];
    root.style.left = `${at[0]}px`;
    root.style.top = `${at[1]}px`;
    this.drag(root, title, close);
    root.addEventListener('pointerdown', () => {
      this.raise(this.panels[d]);
      if (!this.forms[d].active) this.link.send({ t: 'activate', dlg: d });
    });
    root.addEventListener('focusin', (e) => {
      const c = Number(e.target.closest('[data-c]')?.dataset.c);
      const control = this.controls[d][c];
      if (control && FOCUSABLE.has(control.kind) && this.forms[d].focused !== c) this.link.send({ t: 'focus', dlg: d, c });
    });
    root.addEventListener('focusout', (e) => {
      if (this.forms[d].visible && !root.contains(e.relatedTarget)) this.link.send({ t: 'focus', dlg: d, c: -1 });
    });
    // As on Windows, a press on what cannot hold the focus (a label, a frame, the curve
    // view, the title) leaves it where it was.
    root.addEventListener('mousedown', (e) => {
      if (!e.target.closest('input, select, button, label')) e.preventDefault();
    });
    return { root, titleText, client, elements: [] };
  }

  // The title bar moves the panel on this page only.
  drag(root, title, close) {
    title.addEventListener('pointerdown', (e) => {
      if (e.target === close || e.button !== 0) return;
      title.setPointerCapture(e.pointerId);
      const dx = e.clientX - root.offsetLeft, dy = e.clientY - root.offsetTop;
      const move = (m) => {
        root.style.left = `${Math.max(0, m.clientX - dx)}px`;
        root.style.top = `${Math.max(0, m.clientY - dy)}px`;
      };
      title.addEventListener('pointermove', move);
      title.addEventListener('pointerup', () => title.removeEventListener('pointermove', move), { once: true });
    });
  }

  control(changed) {
    const panel = this.panels[changed.dlg];
    const known = this.controls[changed.dlg][changed.c];
    if (!panel || (!known && changed.kind === undefined)) return;
    const c = this.controls[changed.dlg][changed.c] = { ...known, ...changed };
    let element = panel.elements[c.c];
    if (!element) {
      const parent = c.parent >= 0 ? panel.elements[c.parent] : panel.client;
      element = panel.elements[c.c] = this.build(c, parent || panel.client);
    }
    element.style.left = `${c.l}px`;
    element.style.top = `${c.t}px`;
    element.style.width = `${c.w}px`;
    element.style.height = `${c.h}px`;
    element.classList.toggle('disabled', !c.enabled);
    this.show(element, c);
  }

  build(c, parent) {
    const tags = { [KIND.CHECK]: 'label', [KIND.COMBO]: 'select', [KIND.RADIO]: 'div', [KIND.TRACK]: 'input',
      [KIND.EDIT]: 'input', [KIND.LABEL]: 'div', [KIND.GROUP]: 'div', [KIND.BUTTON]: 'button', [KIND.PAINT]: 'canvas' };
    const classes = { [KIND.RADIO]: 'radio', [KIND.GROUP]: 'group', [KIND.LABEL]: 'label' };
    const element = make(tags[c.kind] || 'div', `ctl ${classes[c.kind] || ''}`, parent);
    element.dataset.c = String(c.c);
    element.dataset.name = c.name;
    const send = (message) => this.link.send({ dlg: c.dlg, c: c.c, ...message });
    switch (c.kind) {
      case KIND.CHECK: {
        const box = make('input', '', element);
        box.type = 'checkbox';
        box.dataset.c = String(c.c);
        make('span', '', element);
        box.addEventListener('click', (e) => { e.preventDefault(); send({ t: 'click' }); });
        break;
      }
      case KIND.COMBO:
        element.addEventListener('change', () => send({ t: 'select', item: element.selectedIndex }));
        break;
      case KIND.RADIO:
        make('span', 'legend', element);
        make('div', 'items', element);
        break;
      case KIND.TRACK: {
        element.type = 'range';
        element.step = '1';
        // At most one position a frame, the newest.
        let frame = 0;
        element.addEventListener('input', () => {
          if (frame) return;
          frame = requestAnimationFrame(() => { frame = 0; send({ t: 'pos', v: Number(element.value) }); });
        });
        element.addEventListener('pointerdown', () => { element.dataset.busy = '1'; });
        element.addEventListener('pointerup', () => { delete element.dataset.busy; });
        break;
      }
      case KIND.EDIT:
        element.type = 'text';
        element.spellcheck = false;
        element.addEventListener('input', () => { element.dataset.dirty = '1'; });
        element.addEventListener('keydown', (e) => {
          if (e.key !== 'Enter') return;
          e.preventDefault();
          delete element.dataset.dirty;
          send({ t: 'text', text: element.value, enter: true });
        });
        // Leaving: the new text first, then the focus moves (focusin/focusout above).
        element.addEventListener('blur', () => {
          if (!element.dataset.dirty) return;
          delete element.dataset.dirty;
          send({ t: 'text', text: element.value, enter: false });
        });
        break;
      case KIND.GROUP:
        make('span', 'legend', element);
        break;
      case KIND.BUTTON:
        element.type = 'button';
        element.addEventListener('click', () => send({ t: 'click' }));
        break;
      case KIND.PAINT: this.pointer(element, c, send); break;
      default: break;
    }
    return element;
  }

  pointer(canvas, c, send) {
    const at = (e) => {
      const box = canvas.getBoundingClientRect();
      const clamp = (v) => Math.max(-32768, Math.min(32767, Math.floor(v)));
      return { x: clamp(e.clientX - box.left), y: clamp(e.clientY - box.top) };
    };
    canvas.addEventListener('pointerdown', (e) => {
      if (!(e.button in BUTTONS)) return;
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

  show(element, c) {
    const items = c.items || [];
    switch (c.kind) {
      case KIND.CHECK:
        element.firstChild.checked = c.checked;
        element.firstChild.disabled = !c.enabled;
        caption(element.lastChild, c.caption);
        break;
      case KIND.COMBO:
        if (element.options.length !== items.length || items.some((t, i) => element.options[i].text !== t))
          element.replaceChildren(...items.map((t) => new Option(t)));
        element.selectedIndex = c.index;
        element.disabled = !c.enabled;
        break;
      case KIND.RADIO: {
        caption(element.firstChild, c.caption);
        const list = element.lastChild;
        const rows = Math.max(1, Math.ceil(items.length / Math.max(1, c.columns)));
        list.style.gridTemplateRows = `repeat(${rows}, 1fr)`;
        if (list.children.length !== items.length) {
          list.replaceChildren(...items.map((_, k) => {
            const label = make('label');
            const radio = make('input', '', label);
            radio.type = 'radio';
            radio.name = `dlg${c.dlg}c${c.c}`;
            radio.dataset.c = String(c.c);
            radio.addEventListener('click', (e) => {
              e.preventDefault();
              this.link.send({ t: 'select', dlg: c.dlg, c: c.c, item: k });
            });
            make('span', '', label);
            return label;
          }));
        }
        items.forEach((t, k) => {
          const label = list.children[k];
          label.firstChild.checked = k === c.index;
          label.firstChild.disabled = !c.enabled;
          caption(label.lastChild, t);
        });
        break;
      }
      case KIND.TRACK:
        element.min = String(c.min);
        element.max = String(c.max);
        if (!element.dataset.busy) element.value = String(c.pos);
        element.disabled = !c.enabled;
        break;
      case KIND.EDIT:
        if (!element.dataset.dirty) element.value = c.text;
        element.disabled = !c.enabled;
        break;
      case KIND.LABEL: caption(element, c.caption); break;
      case KIND.GROUP: caption(element.firstChild, c.caption); break;
      case KIND.BUTTON: caption(element, c.caption); element.disabled = !c.enabled; break;
      default: break;
    }
  }

  picture(p) {
    const element = this.panels[p.dlg]?.elements[p.c];
    const c = this.controls[p.dlg][p.c];
    if (!element || !c) return;
    paint(element, p.ops, c.w, c.h);
    element.dispatchEvent(new Event('painted'));
  }
}
