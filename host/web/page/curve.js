// The Limiter / AGC curve view by keyboard: a focusable control named for the curve, its
// three values in words as the edit boxes show them, and arrow keys that move the focused
// cursor one code at a time. A key is a drag: press on the cursor, move to the pixel a
// pointer would have to reach for that code, release. The module quantises the pixel as
// for any drag, so a key writes exactly what that drag writes.

// The dialog's plot (the module's own geometry and codes, for a box of W x H pixels).
const LEFT = 40, RIGHT = 10, TOP = 10, BOTTOM = 40, LEVEL_MAX = 10.6;
const ipVolts = (code) => code * (1 / 255) * 4.43 + 1.11;
const levelVolts = (code) => code * (1 / 255) * LEVEL_MAX;
const slopeValue = (code) => code * (1 / 255) * 9.5 + 1.2;
const codeOf = (x) => Math.max(0, Math.min(255, Math.trunc(x + 1e-9)));
const nearest = (x) => Math.max(0, Math.min(255, Math.round(x)));

function pixel(W, H, ip, level) {
  return [Math.trunc((W - 50) * (ip - 1) * 0.2 + LEFT), Math.trunc((H - 50) * (LEVEL_MAX - level) * (1 / LEVEL_MAX) + TOP)];
}

function pointer(W, H, x, y) {
  x = Math.max(LEFT, Math.min(x, Math.max(LEFT, W - RIGHT)));
  y = Math.max(TOP, Math.min(y, Math.max(TOP, H - BOTTOM)));
  const w = Math.max(W - 50, 1), h = Math.max(H - 50, 1);
  return { ip: ((x - LEFT) * 5) / w + 1, level: LEVEL_MAX - ((y - TOP) * LEVEL_MAX) / h };
}

function foot(W, H, codes) {
  const ip = ipVolts(codes.ip), level = levelVolts(codes.level), s = slopeValue(codes.slope);
  const e = level - (ip - 1) * s;
  return e > 0 ? pixel(W, H, 1, e) : pixel(W, H, ip - level / s, 0);
}

// What a drag of each cursor to (x, y) makes of the codes, as the module computes it.
const DRAGS = {
  ip(W, H, codes, x, y) {
    const p = pointer(W, H, x, y);
    return { ...codes, ip: codeOf(((p.ip - 1.11) * 255) / 4.43), level: codeOf((p.level * 255) / LEVEL_MAX) };
  },
  slope(W, H, codes, x, y) {
    const p = pointer(W, H, x, y);
    const d = ipVolts(codes.ip) - p.ip;
    if (d < 0.001) return codes;
    return { ...codes, slope: codeOf((((levelVolts(codes.level) - p.level) / d - 1.2) * 255) / 9.5) };
  },
};

// Each cursor's keys: the codes they aim at, and where the cursor sits for given codes.
const KEYS = {
  ip: { ArrowLeft: ['ip', -1], ArrowRight: ['ip', 1], ArrowDown: ['level', -1], ArrowUp: ['level', 1] },
  slope: { ArrowLeft: ['slope', -1], ArrowUp: ['slope', -1], ArrowRight: ['slope', 1], ArrowDown: ['slope', 1] },
};
const PLACE = {
  ip: (W, H, codes) => pixel(W, H, ipVolts(codes.ip), levelVolts(codes.level)),
  slope: foot,
};

// The pixel nearest `target` where a drag of `cursor` gives exactly `want`, or null.
function aim(W, H, cursor, codes, want, target) {
  let best = null;
  for (let r = 0; r <= 4 && !best; r++) {
    for (let dy = -r; dy <= r; dy++) {
      for (let dx = -r; dx <= r; dx++) {
        if (Math.max(Math.abs(dx), Math.abs(dy)) !== r) continue;
        const got = DRAGS[cursor](W, H, codes, target[0] + dx, target[1] + dy);
        if (got.ip === want.ip && got.level === want.level && got.slope === want.slope) best = best || [target[0] + dx, target[1] + dy];
      }
    }
  }
  return best;
}

const VIEWS = {
  LimiterPaintBox: { name: 'Limiter curve', fields: { ip: 'InflectionPoint', level: 'Level', slope: 'Slope' } },
};

export function curveView(canvas, box, records, send) {
  const view = VIEWS[box.name];
  if (!view) return null;
  const field = (key) => records.find((r) => r && r.name === view.fields[key]);
  const text = (key) => field(key)?.text ?? '';
  let cursor = 'ip';
  let written = null;  // the codes the last key wrote, until the edit boxes show them

  canvas.tabIndex = 0;
  canvas.setAttribute('role', 'img');
  canvas.setAttribute('aria-label', view.name);
  canvas.setAttribute('aria-roledescription', 'curve editor');
  const words = document.createElement('span');
  words.id = `${canvas.id}-words`;
  words.className = 'visually-hidden';
  canvas.after(words);
  canvas.setAttribute('aria-describedby', words.id);

  const shown = () => ({
    ip: nearest(((parseFloat(text('ip')) - 1.11) * 255) / 4.43),
    level: nearest((parseFloat(text('level')) * 255) / LEVEL_MAX),
    slope: nearest(((parseFloat(text('slope')) - 1.2) * 255) / 9.5),
  });
  const current = () => {
    const codes = shown();
    if (written && (written.until < performance.now() || ['ip', 'level', 'slope'].every((k) => codes[k] === written.codes[k]))) written = null;
    return written ? written.codes : codes;
  };

  // Written while the view has the focus (and when it gets it): a drag by pointer writes
  // nothing here.
  const refresh = () => {
    if (document.activeElement !== canvas) return;
    const line = `Inflection point ${text('ip')} V, limiter level ${text('level')} V, slope ${text('slope')} V/V. `
      + `Arrow keys move the ${cursor === 'ip' ? 'inflection cursor; Tab, the slope cursor' : 'slope cursor'}.`;
    if (words.textContent !== line) words.textContent = line;
  };

  canvas.addEventListener('focus', () => { cursor = 'ip'; refresh(); });
  canvas.addEventListener('keydown', (e) => {
    if (e.key === 'Tab' && !e.shiftKey && cursor === 'ip') { e.preventDefault(); cursor = 'slope'; refresh(); return; }
    if (e.key === 'Tab' && e.shiftKey && cursor === 'slope') { e.preventDefault(); cursor = 'ip'; refresh(); return; }
    const move = KEYS[cursor][e.key];
    if (!move) return;
    e.preventDefault();
    const W = box.w, H = box.h, codes = current();
    const from = PLACE[cursor](W, H, codes);
    // One code on; a code no pixel reaches is passed over for the next.
    for (let step = 1; step <= 4; step++) {
      const want = { ...codes, [move[0]]: codes[move[0]] + move[1] * step };
      if (want[move[0]] < 0 || want[move[0]] > 255) return;
      const to = aim(W, H, cursor, codes, want, PLACE[cursor](W, H, want));
      if (!to) continue;
      send({ t: 'mouse', a: 0, b: 0, x: from[0], y: from[1] });
      send({ t: 'mouse', a: 1, b: 0, x: to[0], y: to[1] });
      send({ t: 'mouse', a: 2, b: 0, x: to[0], y: to[1] });
      written = { codes: want, until: performance.now() + 1000 };
      return;
    }
  });
  return { refresh };
}
