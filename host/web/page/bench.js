// The bench: a state or a preset applied to the chip, the chip compared with a preset, a
// file or another device, the presets kept by the server, and undo / redo (also Ctrl+Z and
// Ctrl+Y, except where the browser's own undo belongs: in an edit field).
const $ = (id) => document.getElementById(id);

export class Bench {
  constructor(link) {
    this.link = link;
    this.device = -1;
    this.devices = 0;
    this.presets = [];
    this.state = { preset: '', changed: false, undo: '', redo: '' };
    $('apply-button').addEventListener('click', () => $('apply').click());
    $('apply').addEventListener('change', () => this.upload('apply', (file) => this.post(`/apply?dev=${this.device}`, file)));
    $('compare-file-button').addEventListener('click', () => $('compare-file').click());
    $('compare-file').addEventListener('change', () => this.upload('compare-file', (file) => this.compare('POST', '', file)));
    $('compare').addEventListener('click', () => this.compare('GET', `&a=${encodeURIComponent($('compare-with').value)}`));
    $('preset-apply').addEventListener('click', () => this.preset('apply', $('presets').value));
    $('preset-compare').addEventListener('click', () => this.compare('GET', `&a=${encodeURIComponent(`preset:${$('presets').value}`)}`));
    $('preset-delete').addEventListener('click', () => {
      const name = $('presets').value;
      if (name && confirm(`Delete preset "${name}"?`)) this.preset('delete', name);
    });
    $('preset-save-form').addEventListener('submit', async (e) => {
      e.preventDefault();
      const name = $('preset-name').value.trim();
      if (!name) return;
      if (this.presets.includes(name) && !confirm(`Preset "${name}" exists. Replace it?`)) return;
      if (await this.preset('save', name, this.presets.includes(name))) $('preset-name').value = '';
    });
    $('undo').addEventListener('click', () => this.link.send({ t: 'undo' }));
    $('redo').addEventListener('click', () => this.link.send({ t: 'redo' }));
    $('comparison-close').addEventListener('click', () => { $('comparison').hidden = true; });
    document.addEventListener('keydown', (e) => {
      if (!(e.ctrlKey || e.metaKey) || e.altKey || typing(e.target)) return;
      const key = e.key.toLowerCase();
      if (key !== 'z' && key !== 'y') return;
      e.preventDefault();
      this.link.send({ t: key === 'y' || e.shiftKey ? 'redo' : 'undo' });
    });
  }

  switchTo(device, devices) {
    this.device = device;
    this.devices = devices;
    this.state = { preset: '', changed: false, undo: '', redo: '' };
    $('comparison').hidden = true;
    this.say('');
    this.list();
  }

  // The device's bench as the server pushes it.
  update(bench) {
    const presetMoved = bench.preset !== undefined && bench.preset !== this.state.preset;
    this.state = { ...this.state, ...bench };
    const { preset, changed, undo, redo } = this.state;
    $('preset-state').textContent = !preset ? '' : changed ? `changed since ${preset}` : `as ${preset}`;
    $('preset-state').classList.toggle('changed', changed);
    for (const [id, next] of [['undo', undo], ['redo', redo]]) {
      $(id).disabled = !next;
      $(id).title = next ? `${id === 'undo' ? 'Undo' : 'Redo'} ${next} (${id === 'undo' ? 'Ctrl+Z' : 'Ctrl+Y'})` : `Nothing to ${id}`;
    }
    // Another page saved or deleted one.
    if (presetMoved) this.list();
  }

  async list() {
    const device = this.device;
    let names = [];
    try {
      const reply = await fetch(`/presets?dev=${device}`);
      if (reply.ok) names = (await reply.json()).names;
    } catch { /* the server is gone: the cover says so */ }
    if (device !== this.device) return;
    this.presets = names;
    const kept = $('presets').value;
    $('presets').replaceChildren(...names.map((n) => new Option(n, n)));
    if (names.includes(kept)) $('presets').value = kept;
    for (const id of ['preset-apply', 'preset-compare', 'preset-delete']) $(id).disabled = names.length === 0;
    const others = [];
    for (let d = 0; d < this.devices; d++) if (d !== device) others.push(new Option(`device ${d + 1}`, `device:${d + 1}`));
    const kinds = $('compare-with').value;
    $('compare-with').replaceChildren(...names.map((n) => new Option(`preset ${n}`, `preset:${n}`)), ...others);
    if ([...$('compare-with').options].some((o) => o.value === kinds)) $('compare-with').value = kinds;
    $('compare').disabled = $('compare-with').options.length === 0;
  }

  async upload(input, send) {
    const file = $(input).files[0];
    $(input).value = '';
    if (file && this.device >= 0) await send(await file.text());
  }

  // Gives whether the server did it; its words are shown either way.
  async post(path, body) {
    try {
      const reply = await fetch(path, { method: 'POST', body });
      this.say((await reply.text()).trim(), !reply.ok);
      return reply.ok;
    } catch (e) {
      this.say(`not sent: ${e.message}`, true);
      return false;
    }
  }

  async preset(action, name, force = false) {
    if (!name) return false;
    const done = await this.post(`/preset?dev=${this.device}&do=${action}&name=${encodeURIComponent(name)}${force ? '&force=1' : ''}`, '');
    if (action !== 'apply') await this.list();
    return done;
  }

  async compare(method, query, body) {
    try {
      const reply = await fetch(`/compare?dev=${this.device}${query}`, { method, body });
      if (!reply.ok) return this.say((await reply.text()).trim(), true);
      this.say('');
      show(await reply.json());
    } catch (e) {
      this.say(`not sent: ${e.message}`, true);
    }
  }

  say(text, bad = false) {
    $('bench-message').textContent = text;
    $('bench-message').classList.toggle('bad', bad);
  }
}

function typing(element) {
  if (!element || element.isContentEditable || element.tagName === 'TEXTAREA') return true;
  return element.tagName === 'INPUT' && !['checkbox', 'radio', 'range', 'button', 'file', 'submit'].includes(element.type);
}

const hex = (v) => `0x${v.toString(16).toUpperCase().padStart(2, '0')}`;

// The differences as a table: each register with both bytes, then each field by its
// dialog's name with both values as the dialog shows them.
function show(c) {
  $('comparison-caption').textContent = c.equal ? `${c.a} and ${c.b} are equal` : `${c.a} against ${c.b}`;
  const cell = (tag, text, scope) => {
    const e = document.createElement(tag);
    e.textContent = text;
    if (scope) e.scope = scope;
    return e;
  };
  const row = (...cells) => {
    const tr = document.createElement('tr');
    tr.append(...cells);
    return tr;
  };
  const body = $('comparison-rows');
  body.replaceChildren();
  if (!c.equal) {
    body.append(row(cell('th', 'Register', 'col'), cell('th', c.a, 'col'), cell('th', c.b, 'col')));
    for (const [reg, a, b] of c.registers) body.append(row(cell('th', hex(reg), 'row'), cell('td', hex(a)), cell('td', hex(b))));
    body.append(row(cell('th', 'Field', 'col'), cell('th', c.a, 'col'), cell('th', c.b, 'col')));
    for (const f of c.fields) {
      const name = cell('th', f.title, 'row');
      name.title = `${f.control}, ${hex(f.reg)} ${f.bits}`;
      body.append(row(name, cell('td', f.a), cell('td', f.b)));
    }
  }
  $('comparison').hidden = false;
}
