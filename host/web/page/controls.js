// One control of a dialog as a DOM element: built once, then written only where the
// server's record of it changed. Records arrive partial (a field absent is unchanged), so
// each is merged into what the page knows before it is shown.

// The control kinds by name, numbered as the server's hello numbers them.
export const KIND = {};
export const learnKinds = (kinds) => Object.assign(KIND, kinds);

export function make(tag, className, parent) {
  const element = document.createElement(tag);
  if (className) element.className = className;
  if (parent) parent.append(element);
  return element;
}

// Writes `value` through `apply` only when it differs from what was written last.
export function put(element, key, value, apply) {
  const written = element.written || (element.written = {});
  if (written[key] === value) return;
  written[key] = value;
  apply(value);
}

// "&Mode" as Mode with M underlined, "&&" as one "&"; a trailing colon is left out of the
// accessible name (it is the caption's punctuation, not its words).
export function caption(element, text) {
  put(element, 'caption', text, () => {
    element.replaceChildren();
    let plain = '';
    const colon = /:\s*$/.test(text) ? text.length - text.match(/:\s*$/)[0].length : -1;
    for (let i = 0; i < text.length; i++) {
      if (i === colon) break;
      if (text[i] === '&' && i + 1 < text.length) {
        i++;
        if (text[i] !== '&') {
          element.append(plain);
          plain = '';
          make('u', '', element).textContent = text[i];
          continue;
        }
      }
      plain += text[i];
    }
    element.append(plain);
    if (colon >= 0) {
      const mark = make('span', '', element);
      mark.textContent = text.slice(colon);
      mark.setAttribute('aria-hidden', 'true');
    }
  });
}

export const plainCaption = (text) => text.replace(/&(.)/g, '$1').replace(/:\s*$/, '');

const id = (c) => `dlg${c.dlg}-c${c.c}`;

// The person changed what `key` shows: the server's answer, the control whole as the module
// kept it, is written even where it equals what was written before.
const acted = (element, key) => { if (element.written) delete element.written[key]; };

// Builds the element of control record `c` under `parent`; `send` takes an action.
export function build(c, parent, send) {
  const tags = { [KIND.check]: 'label', [KIND.combo]: 'select', [KIND.radio]: 'div', [KIND.track]: 'input',
    [KIND.edit]: 'input', [KIND.label]: 'div', [KIND.group]: 'div', [KIND.button]: 'button', [KIND.paint]: 'canvas' };
  const classes = { [KIND.radio]: 'radio', [KIND.group]: 'group', [KIND.label]: 'label' };
  const element = make(tags[c.kind] || 'div', `ctl ${classes[c.kind] || ''}`, parent);
  element.id = id(c);
  element.dataset.c = String(c.c);
  element.dataset.name = c.name;
  switch (c.kind) {
    case KIND.check: {
      const box = make('input', '', element);
      box.type = 'checkbox';
      box.dataset.c = String(c.c);
      make('span', '', element);
      box.addEventListener('click', (e) => { e.preventDefault(); send({ t: 'click' }); });
      break;
    }
    case KIND.combo:
      element.addEventListener('change', () => { acted(element, 'index'); send({ t: 'select', item: element.selectedIndex }); });
      break;
    case KIND.radio:
    case KIND.group: {
      const legend = make('span', 'legend', element);
      legend.id = `${element.id}-caption`;
      element.setAttribute('role', c.kind === KIND.radio ? 'radiogroup' : 'group');
      element.setAttribute('aria-labelledby', legend.id);
      if (c.kind === KIND.radio) make('div', 'items', element);
      break;
    }
    case KIND.track: {
      element.type = 'range';
      element.step = '1';
      // At most one position a frame, the newest.
      let frame = 0;
      element.addEventListener('input', () => {
        acted(element, 'pos');
        element.unsent = true;
        if (frame) return;
        frame = requestAnimationFrame(() => {
          frame = 0;
          element.unsent = false;
          element.sentSeq = send({ t: 'pos', v: Number(element.value) });
        });
      });
      element.addEventListener('pointerdown', () => { element.dataset.busy = '1'; });
      // What came while the thumb was held is shown once it is let go (a position still to
      // be answered brings its own answer).
      element.addEventListener('pointerup', () => {
        delete element.dataset.busy;
        if (!element.unsent && !element.sentSeq && element.record) put(element, 'pos', element.record.pos, (v) => { element.value = String(v); });
      });
      element.ticks = make('div', 'ticks', parent);
      element.ticks.setAttribute('aria-hidden', 'true');
      break;
    }
    case KIND.edit:
      element.type = 'text';
      element.spellcheck = false;
      element.addEventListener('input', () => { element.dataset.dirty = '1'; });
      element.addEventListener('keydown', (e) => {
        if (e.key !== 'Enter') return;
        e.preventDefault();
        delete element.dataset.dirty;
        acted(element, 'text');
        send({ t: 'text', text: element.value, enter: true });
      });
      // Leaving: the new text first, then the focus moves (the panel's focusin/focusout).
      element.addEventListener('blur', () => {
        if (!element.dataset.dirty) return;
        delete element.dataset.dirty;
        acted(element, 'text');
        send({ t: 'text', text: element.value, enter: false });
      });
      break;
    case KIND.button:
      element.type = 'button';
      element.addEventListener('click', () => send({ t: 'click' }));
      break;
    default: break;
  }
  return element;
}

const px = (element, key, value) => put(element, key, value, (v) => { element.style[key] = `${v}px`; });

// Shows record `c` on its element, writing only what changed; `ack` is the newest numbered
// action the message answers.
export function show(element, c, send, ack = 0) {
  px(element, 'left', c.l);
  px(element, 'top', c.t);
  px(element, 'width', c.w);
  px(element, 'height', c.h);
  put(element, 'enabled', c.enabled, (on) => element.classList.toggle('disabled', !on));
  const items = c.items || [];
  switch (c.kind) {
    case KIND.check:
      put(element, 'checked', c.checked, (v) => { element.firstChild.checked = v; });
      put(element, 'disabled', !c.enabled, (v) => { element.firstChild.disabled = v; });
      caption(element.lastChild, c.caption);
      break;
    case KIND.combo:
      put(element, 'items', items.join('\n'), () => element.replaceChildren(...items.map((t) => new Option(t))));
      put(element, 'index', `${c.index}/${items.length}`, () => { element.selectedIndex = c.index; });
      put(element, 'disabled', !c.enabled, (v) => { element.disabled = v; });
      break;
    case KIND.radio: {
      caption(element.firstChild, c.caption);
      const list = element.lastChild;
      const rows = Math.max(1, Math.ceil(items.length / Math.max(1, c.columns)));
      put(list, 'rows', rows, () => { list.style.gridTemplateRows = `repeat(${rows}, 1fr)`; });
      if (list.children.length !== items.length) {
        list.replaceChildren(...items.map((_, k) => {
          const label = make('label');
          const radio = make('input', '', label);
          radio.type = 'radio';
          radio.name = `dlg${c.dlg}c${c.c}`;
          radio.dataset.c = String(c.c);
          radio.addEventListener('click', (e) => { e.preventDefault(); send({ t: 'select', item: k }); });
          make('span', '', label);
          return label;
        }));
      }
      items.forEach((t, k) => {
        const label = list.children[k];
        caption(label.lastChild, t);
        put(label, 'checked', k === c.index, (v) => { label.firstChild.checked = v; });
        put(label, 'disabled', !c.enabled, (v) => { label.firstChild.disabled = v; });
      });
      break;
    }
    case KIND.track:
      put(element, 'range', `${c.min}..${c.max} ${c.l},${c.t},${c.w}`, () => {
        element.min = String(c.min);
        element.max = String(c.max);
        ticks(element.ticks, c);
      });
      element.record = c;
      if (element.sentSeq && ack >= element.sentSeq) element.sentSeq = 0;
      // A position the person set stays until the answer to it: an older one would undo it.
      if (!element.dataset.busy && !element.unsent && !element.sentSeq) put(element, 'pos', c.pos, (v) => { element.value = String(v); });
      put(element, 'disabled', !c.enabled, (v) => { element.disabled = v; });
      if (element.output) put(element.output, 'value', c.pos, (v) => { element.output.value = String(v); });
      break;
    case KIND.edit:
      if (!element.dataset.dirty) put(element, 'text', c.text, (v) => { element.value = v; });
      put(element, 'disabled', !c.enabled, (v) => { element.disabled = v; });
      break;
    case KIND.label: caption(element, c.caption); break;
    case KIND.group: caption(element.firstChild, c.caption); break;
    case KIND.button:
      caption(element, c.caption);
      put(element, 'disabled', !c.enabled, (v) => { element.disabled = v; });
      break;
    default: break;
  }
}

// One tick per position above the track, each over the thumb's centre at that position.
function ticks(box, c) {
  const count = Math.max(1, c.max - c.min + 1), thumb = 11;
  box.style.left = `${c.l}px`;
  box.style.top = `${c.t + 6}px`;
  box.style.width = `${c.w}px`;
  box.replaceChildren(...Array.from({ length: count }, (_, k) => {
    const tick = make('i');
    tick.style.left = `${thumb / 2 - 0.5 + (count > 1 ? (k * (c.w - thumb)) / (count - 1) : 0)}px`;
    return tick;
  }));
}

// The label that captions a control stands on its row, just left of it; one just right of
// it gives its unit or its value ("V", "1070 us").
function besides(records, c) {
  const row = (l) => { const y = l.t + l.h / 2; return l.parent === c.parent && l.kind === KIND.label && y >= c.t && y <= c.t + c.h; };
  const labels = records.filter((l) => l && row(l));
  const left = labels.filter((l) => l.l + l.w <= c.l + 2).sort((a, b) => b.l + b.w - (a.l + a.w))[0];
  const right = labels.filter((l) => l.l >= c.l + c.w - 2 && l.l <= c.l + c.w + 12).sort((a, b) => a.l - b.l)[0];
  return { left, right };
}

// A control's name as the dialog shows it: its own caption, else the label before it.
export function fieldName(records, c) {
  return plainCaption(c.caption || besides(records, c).left?.caption || c.name);
}

// Names a list, track bar or edit by its labels. Once, when the dialog is built.
export function name(records, elements, c, parent) {
  if (![KIND.combo, KIND.track, KIND.edit].includes(c.kind)) return;
  const element = elements[c.c];
  const { left, right } = besides(records, c);
  if (left) element.setAttribute('aria-labelledby', id(left));
  if (right) element.setAttribute('aria-describedby', id(right));
  // A track bar with nothing beside it shows its position there.
  if (c.kind === KIND.track && !right) {
    const output = element.output = make('output', 'ctl', parent);
    output.htmlFor = element.id;
    output.setAttribute('aria-hidden', 'true');
    output.style.left = `${c.l + c.w + 6}px`;
    output.style.top = `${c.t + 16}px`;
    output.dataset.value = c.name;
    output.value = String(c.pos);
  }
}
