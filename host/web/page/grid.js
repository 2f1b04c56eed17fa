// The register grid (register, hex, binary; a new byte typed into either value) and the
// log of bus writes, as the Windows host shows them.
const hex = (v) => `0x${v.toString(16).toUpperCase().padStart(2, '0')}`;
const binary = (v) => { const b = v.toString(2).padStart(8, '0'); return `${b.slice(0, 4)} ${b.slice(4)}`; };

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

export class Grid {
  constructor(body, log, onEdit) {
    this.body = body;
    this.log = log;
    this.onEdit = onEdit;
    this.values = new Array(256).fill(0);
    this.latest = -1;
    this.rows = [];
    for (let r = 0; r < 256; r++) {
      const row = body.insertRow();
      row.tabIndex = -1;
      row.dataset.reg = String(r);
      row.insertCell().textContent = hex(r);
      for (const column of [1, 2]) {
        const cell = row.insertCell();
        cell.className = 'edit';
        cell.addEventListener('dblclick', () => this.edit(r, column));
      }
      row.addEventListener('keydown', (e) => {
        if ((e.key === 'Enter' || e.key === 'F2') && e.target === row) { e.preventDefault(); this.edit(r, 1); }
      });
      row.addEventListener('click', () => row.focus());
      this.rows.push(row);
    }
    this.all(this.values);
  }

  show(r) {
    const cells = this.rows[r].cells;
    if (!cells[1].firstChild || cells[1].firstChild.nodeType === 3) cells[1].textContent = hex(this.values[r]);
    if (!cells[2].firstChild || cells[2].firstChild.nodeType === 3) cells[2].textContent = binary(this.values[r]);
  }

  all(values) {
    this.values = values.slice();
    for (let r = 0; r < 256; r++) this.show(r);
  }

  changed(pairs) {
    for (const [r, v] of pairs) {
      this.values[r] = v;
      this.show(r);
      this.mark(r);
    }
  }

  mark(r) {
    if (this.latest >= 0) this.rows[this.latest].classList.remove('latest');
    this.latest = r;
    this.rows[r].classList.add('latest');
  }

  // Enter and Tab keep a bad text for mending; Escape and leaving with a bad text drop it.
  edit(r, column) {
    const cell = this.rows[r].cells[column];
    if (cell.querySelector('input')) return;
    const input = document.createElement('input');
    input.value = column === 1 ? hex(this.values[r]) : binary(this.values[r]);
    cell.replaceChildren(input);
    input.focus();
    input.select();
    let done = false;
    const end = (commit) => {
      if (done) return true;
      const value = parseCell(column, input.value);
      if (commit === 'must' && value === null) { input.classList.add('bad'); input.select(); return false; }
      done = true;
      cell.replaceChildren();
      this.show(r);
      if (commit && value !== null) this.onEdit(r, value);
      this.rows[r].focus();
      return true;
    };
    input.addEventListener('keydown', (e) => {
      if (e.key === 'Enter' || e.key === 'Tab') { e.preventDefault(); end('must'); }
      else if (e.key === 'Escape') { e.preventDefault(); end(false); }
    });
    input.addEventListener('blur', () => end('if valid'));
  }

  lines(lines) {
    const atEnd = this.log.scrollTop + this.log.clientHeight >= this.log.scrollHeight - 4;
    this.log.append(lines.map((l) => `${l}\n`).join(''));
    while (this.log.childNodes.length > 400) this.log.firstChild.remove();
    if (atEnd) this.log.scrollTop = this.log.scrollHeight;
  }

  clearLog() { this.log.replaceChildren(); }
}
