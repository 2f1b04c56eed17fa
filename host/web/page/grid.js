// The register grid (register, hex, binary; a new byte typed into either value) and the
// log of bus writes, as the Windows host shows them. Both are written once a frame, after
// the canvas: a drag's messages only note what changed. Each group of rows and the log are
// laid out on their own, groups out of sight are not painted (see style.css), and a value
// changes its text node's data, never the node: a frame during a drag costs a group or two
// of the grid, not the side column.
const hex = (v) => `0x${v.toString(16).toUpperCase().padStart(2, '0')}`;
const binary = (v) => { const b = v.toString(2).padStart(8, '0'); return `${b.slice(0, 4)} ${b.slice(4)}`; };
const LOG_LINES = 400;
const ROWS_PER_GROUP = 16;  // laid out and painted together; style.css gives a group its height
// A mask's bits as a register map writes them: "7..0", "2", "5..4, 1".
export function bits(mask) {
  const runs = [];
  for (let b = 7; b >= 0; b--) {
    if (!(mask & (1 << b))) continue;
    let low = b;
    while (low > 0 && mask & (1 << (low - 1))) low--;
    runs.push(low === b ? `${b}` : `${b}..${low}`);
    b = low;
  }
  return runs.join(', ');
}
const WHY = { 1: 'Hex: one byte, 0x00 to 0xFF (0x3F, 3f).', 2: 'Binary: up to eight 0s and 1s (0011 1111).' };

// The byte a cell's text stands for, or null: hex with or without 0x, or eight binary
// digits with one blank between the nibbles allowed.
export function parseCell(column, text) {
  let t = text.trim();
  if (column === 1) {
    t = t.replace(/^0x/i, '');
    return /^[0-9a-f]{1,2}$/i.test(t) ? parseInt(t, 16) : null;
  }
  if (/^[01]{4} [01]{4}$/.test(t)) t = t.replace(' ', '');
  return /^[01]{1,8}$/.test(t) ? parseInt(t, 2) : null;
}

function part(parent, tag, role, className = '') {
  const element = document.createElement(tag);
  element.setAttribute('role', role);
  element.className = className;
  parent.append(element);
  return element;
}

export class Grid {
  constructor(body, log, error, fields, onEdit) {
    this.log = log;
    this.error = error;
    this.onEdit = onEdit;
    this.values = new Array(256).fill(0);
    this.shown = [];
    this.latest = -1;
    this.device = -1;
    this.marks = new Map();  // each device's latest change while another is shown
    this.rows = [];
    this.dirty = new Set();
    this.marked = -1;
    this.lines = [];
    this.batches = [];
    this.logged = 0;
    this.frame = 0;
    let group = null;
    for (let r = 0; r < 256; r++) {
      if (r % ROWS_PER_GROUP === 0) group = part(body, 'div', 'rowgroup', 'grid-group');
      const row = part(group, 'div', 'row', 'grid-row');
      row.dataset.reg = String(r);
      part(row, 'span', 'rowheader').textContent = hex(r);
      for (const column of [1, 2]) {
        const cell = part(row, 'span', 'gridcell', 'edit');
        cell.append('');
        cell.tabIndex = r === 0 && column === 1 ? 0 : -1;
        cell.addEventListener('dblclick', () => this.edit(r, column));
        cell.addEventListener('click', () => this.focus(r, column));
      }
      this.rows.push(row);
      this.shown.push([null, null]);
    }
    // Each row described by the dialog fields bound to it; the cursor's row also in sight.
    this.fields = fields;
    this.texts = Array.from({ length: 256 }, (_, r) => {
      const text = document.createElement('span');
      text.id = `reg-fields-${r}`;
      fields.descriptions.append(text);
      this.rows[r].setAttribute('aria-describedby', text.id);
      return text;
    });
    this.cursor = [0, 1];
    body.addEventListener('keydown', (e) => this.key(e));
    this.all(this.values);
  }

  // The one cell Tab reaches; the arrows move it.
  focus(r, column) {
    const [pr, pc] = this.cursor;
    this.rows[pr].children[pc].tabIndex = -1;
    this.cursor = [r, column];
    const cell = this.rows[r].children[column];
    cell.tabIndex = 0;
    this.fields.now.textContent = `${hex(r)}: ${this.texts[r].textContent}`;
    if (document.activeElement !== cell && !cell.querySelector('input')) cell.focus();
  }

  key(e) {
    if (e.target.tagName === 'INPUT') return;
    const [r, column] = this.cursor;
    const moves = { ArrowUp: [-1, 0], ArrowDown: [1, 0], ArrowLeft: [0, -1], ArrowRight: [0, 1], PageUp: [-16, 0], PageDown: [16, 0] };
    if (e.key === 'Enter' || e.key === 'F2') { e.preventDefault(); this.edit(r, column); return; }
    const move = moves[e.key];
    if (!move) return;
    e.preventDefault();
    this.focus(Math.max(0, Math.min(255, r + move[0])), Math.max(1, Math.min(2, column + move[1])));
  }

  // [register, field, mask] of every binding; a register's fields from its high bits down.
  describe(bindings) {
    const named = Array.from({ length: 256 }, () => []);
    for (const [r, field, mask] of bindings) named[r].push([mask, `${field} (${bits(mask)})`]);
    named.forEach((fields, r) => {
      fields.sort((x, y) => y[0] - x[0]);
      this.texts[r].textContent = fields.length ? fields.map(([, text]) => text).join('; ') : 'No dialog field is bound to it.';
      this.rows[r].title = this.texts[r].textContent;
    });
    const [r] = this.cursor;
    this.fields.now.textContent = `${hex(r)}: ${this.texts[r].textContent}`;
  }

  show(r) {
    const cells = this.rows[r].children, v = this.values[r];
    for (const column of [1, 2]) {
      if (this.shown[r][column - 1] === v || cells[column].querySelector('input')) continue;
      this.shown[r][column - 1] = v;
      cells[column].firstChild.data = column === 1 ? hex(v) : binary(v);
    }
  }

  all(values) {
    this.values = values.slice();
    for (let r = 0; r < 256; r++) this.dirty.add(r);
    this.schedule();
  }

  changed(pairs) {
    for (const [r, v] of pairs) {
      this.values[r] = v;
      this.dirty.add(r);
      this.latest = r;
    }
    this.schedule();
  }

  addLines(lines) {
    for (const l of lines) this.lines.push(l);
    this.schedule();
  }

  schedule() {
    if (!this.frame) this.frame = requestAnimationFrame(() => this.flush());
  }

  // Writes only: the log keeps to its end by its own layout (column-reverse), so nothing
  // here reads geometry.
  flush() {
    this.frame = 0;
    for (const r of this.dirty) this.show(r);
    this.dirty.clear();
    if (this.latest !== this.marked) {
      if (this.marked >= 0) this.rows[this.marked].classList.remove('latest');
      if (this.latest >= 0) this.rows[this.latest].classList.add('latest');
      this.marked = this.latest;
    }
    if (this.lines.length) {
      const fresh = this.lines.splice(0).slice(-LOG_LINES);
      const batch = document.createElement('div');
      batch.textContent = fresh.map((l) => `${l}\n`).join('');
      this.log.append(batch);
      this.batches.push(fresh.length);
      this.logged += fresh.length;
      // Whole batches leave at the top once the log holds enough.
      while (this.batches.length > 1 && this.logged - this.batches[0] >= LOG_LINES) {
        this.logged -= this.batches.shift();
        this.log.firstChild.remove();
      }
    }
  }

  // Enter and Tab keep a bad text for mending, saying why; Escape and leaving with a bad
  // text drop it.
  edit(r, column) {
    const cell = this.rows[r].children[column];
    if (cell.querySelector('input')) return;
    this.focus(r, column);
    const input = document.createElement('input');
    input.value = column === 1 ? hex(this.values[r]) : binary(this.values[r]);
    input.setAttribute('aria-label', `Register ${hex(r)}, ${column === 1 ? 'hex' : 'binary'}`);
    input.setAttribute('aria-describedby', this.error.id);
    cell.append(input);
    input.focus();
    input.select();
    let done = false;
    const end = (commit) => {
      if (done) return true;
      const value = parseCell(column, input.value);
      if (commit === 'must' && value === null) {
        input.setAttribute('aria-invalid', 'true');
        this.error.textContent = `"${input.value.trim()}" is not a byte. ${WHY[column]}`;
        input.select();
        return false;
      }
      done = true;
      this.error.textContent = '';
      input.remove();
      this.shown[r][column - 1] = null;
      this.show(r);
      if (commit && value !== null && this.onEdit(r, value) === false) this.error.textContent = `${hex(r)} = ${hex(value)} not sent: the server is not answering.`;
      cell.focus();
      return true;
    };
    input.addEventListener('keydown', (e) => {
      if (e.key === 'Enter' || e.key === 'Tab') { e.preventDefault(); end('must'); }
      else if (e.key === 'Escape') { e.preventDefault(); end(false); }
    });
    input.addEventListener('blur', () => end('if valid'));
  }

  switchTo(device) {
    this.marks.set(this.device, this.latest);
    this.device = device;
    this.latest = this.marks.get(device) ?? -1;
    this.schedule();
  }

  clearLog() {
    this.lines = [];
    this.batches = [];
    this.logged = 0;
    this.log.replaceChildren();
  }
}
