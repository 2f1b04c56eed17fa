// The Limiter / AGC curve view by keyboard: a focusable control named for the curve, its
// three values in words as the edit boxes show them, and keys passed on to the module, which
// moves its chosen cursor one code a key. Tab and Shift+Tab choose the cursor there as here;
// past the last one they move the focus on.
const VIEWS = {
  LimiterPaintBox: {
    name: 'Limiter curve',
    fields: { ip: 'InflectionPoint', level: 'Level', slope: 'Slope' },
    cursors: ['inflection', 'slope'],
  },
};
const ARROWS = new Set(['ArrowLeft', 'ArrowRight', 'ArrowUp', 'ArrowDown']);

export function curveView(canvas, box, records, send) {
  const view = VIEWS[box.name];
  if (!view) return null;
  const text = (key) => records.find((r) => r && r.name === view.fields[key])?.text ?? '';
  let cursor = 0;

  canvas.tabIndex = 0;
  canvas.setAttribute('role', 'img');
  canvas.setAttribute('aria-roledescription', 'curve editor');
  const words = document.createElement('span');
  words.id = `${canvas.id}-words`;
  words.className = 'visually-hidden';
  canvas.after(words);
  canvas.setAttribute('aria-describedby', words.id);
  // The name, outside the dialogs: a drag rewrites it without touching the dialog's DOM.
  const name = document.createElement('span');
  name.id = `${canvas.id}-name`;
  name.className = 'visually-hidden';
  document.getElementById(name.id)?.remove();
  document.body.append(name);
  canvas.setAttribute('aria-labelledby', name.id);

  // The name says the curve's values after every write, whatever made it (a key, a drag, a
  // typed value the dialog rounded, an undo); the keys' help follows the chosen cursor.
  const refresh = () => {
    const said = `${view.name}: inflection point ${text('ip')} V, limiter level ${text('level')} V, slope ${text('slope')} V/V`;
    if (name.textContent !== said) name.textContent = said;
    const next = view.cursors[cursor + 1];
    const line = `Arrow keys move the ${view.cursors[cursor]} cursor${next ? `; Tab, the ${next} cursor` : ''}.`;
    if (words.textContent !== line) words.textContent = line;
  };

  // The focus comes to the first cursor, in the module too.
  canvas.addEventListener('focus', () => {
    cursor = 0;
    send({ t: 'key', key: 'BackTab' });
    refresh();
  });
  canvas.addEventListener('keydown', (e) => {
    if (e.key === 'Tab') {
      const next = cursor + (e.shiftKey ? -1 : 1);
      if (next < 0 || next >= view.cursors.length) return;
      e.preventDefault();
      cursor = next;
      send({ t: 'key', key: e.shiftKey ? 'BackTab' : 'Tab' });
      refresh();
      return;
    }
    if (!ARROWS.has(e.key)) return;
    e.preventDefault();
    send({ t: 'key', key: e.key });
  });
  refresh();
  return { refresh };
}
