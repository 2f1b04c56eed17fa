// Replays a paint box's display list (see display_list.h) on a canvas, in the box's pixels
// scaled by the screen's devicePixelRatio.
const DASHES = [[], [3, 1], [1, 1], [3, 1, 1, 1], [3, 1, 1, 1, 1, 1]];
const FONTS = { Arial: 'Arial, "Liberation Sans", sans-serif', Tahoma: 'Tahoma, "DejaVu Sans", sans-serif' };

function colour(argb) {
  return `rgba(${(argb >>> 16) & 255},${(argb >>> 8) & 255},${argb & 255},${((argb >>> 24) & 255) / 255})`;
}

export function sizeCanvas(canvas, width, height) {
  const ratio = window.devicePixelRatio || 1;
  const w = Math.round(width * ratio), h = Math.round(height * ratio);
  if (canvas.width !== w || canvas.height !== h) { canvas.width = w; canvas.height = h; canvas.sized = true; }
  if (canvas.cssSize !== `${width}x${height}`) {
    canvas.cssSize = `${width}x${height}`;
    canvas.style.width = `${width}px`;
    canvas.style.height = `${height}px`;
  }
  return ratio;
}

// The context keeps its font from paint to paint: it is set only when it changes, as
// setting it makes the browser parse it (and resolve styles, when they are dirty).
function text(g, ops, i, up, ratio) {
  const x = ops[i], y = ops[i + 1], words = ops[i + 2], font = ops[i + 3], points = ops[i + 4];
  const size = (points * 96) / 72;
  const css = `${size}px ${FONTS[font] || font}`;
  if (g.canvas.lastFont !== css) { g.font = css; g.canvas.lastFont = css; }
  if (up) g.setTransform(0, -ratio, ratio, 0, x * ratio, y * ratio);
  else g.setTransform(ratio, 0, 0, ratio, x * ratio, y * ratio);
  g.fillStyle = colour(ops[i + 6]);
  g.fillRect(0, 0, g.measureText(words).width, Math.ceil(size * 1.15));
  g.fillStyle = colour(ops[i + 5]);
  g.fillText(words, 0, 0);
  g.setTransform(ratio, 0, 0, ratio, 0, 0);
}

// A pen line of whole pixels: straight ones as filled rows or columns, the last pixel left out.
function line(g, x1, y1, x2, y2, argb, width) {
  g.fillStyle = g.strokeStyle = colour(argb);
  const w = Math.max(width, 1), half = Math.floor((w - 1) / 2);
  if (y1 === y2) return g.fillRect(Math.min(x1, x2 + 1), y1 - half, Math.abs(x2 - x1), w);
  if (x1 === x2) return g.fillRect(x1 - half, Math.min(y1, y2 + 1), w, Math.abs(y2 - y1));
  const offset = w % 2 ? 0.5 : 0;
  g.lineWidth = w;
  g.setLineDash([]);
  g.beginPath();
  g.moveTo(x1 + offset, y1 + offset);
  g.lineTo(x2 + offset, y2 + offset);
  g.stroke();
}

// Reads `count` arcs from ops[i] into the path; returns the index after them.
function path(g, ops, i, count) {
  g.beginPath();
  let fresh = true;
  for (let k = 0; k < count; k++, i += 7) {
    const [x, y, w, h, start, sweep, close] = ops.slice(i, i + 7);
    const rx = Math.abs(w) / 2, ry = Math.abs(h) / 2, cx = x + w / 2, cy = y + h / 2;
    const a = (start * Math.PI) / 180, b = ((start + sweep) * Math.PI) / 180;
    if (fresh) g.moveTo(cx + rx * Math.cos(a), cy + ry * Math.sin(a));
    g.ellipse(cx, cy, rx, ry, 0, a, b, sweep < 0);
    fresh = !!close;
    if (close) g.closePath();
  }
  return i;
}

export function paint(canvas, ops, width, height) {
  const ratio = sizeCanvas(canvas, width, height);
  const g = canvas.getContext('2d');
  // A new size resets the context, its font and baseline with it.
  if (canvas.lastFont === undefined || canvas.sized) {
    canvas.lastFont = g.font;
    g.textBaseline = 'top';
    canvas.sized = false;
  }
  g.setTransform(ratio, 0, 0, ratio, 0, 0);
  g.clearRect(0, 0, width, height);
  let i = 0;
  while (i < ops.length) {
    switch (ops[i++]) {
      case 0: {
        const [l, t, r, b, argb] = ops.slice(i, (i += 5));
        g.fillStyle = colour(argb);
        g.fillRect(l, t, r - l, b - t);
        break;
      }
      case 1: line(g, ...ops.slice(i, (i += 6))); break;
      case 2: text(g, ops, i, false, ratio); i += 7; break;
      case 3: text(g, ops, i, true, ratio); i += 7; break;
      case 4: {
        const [x1, y1, x2, y2, argb, w, dash] = ops.slice(i, (i += 7));
        g.strokeStyle = colour(argb);
        g.lineWidth = w;
        g.setLineDash((DASHES[dash] || []).map((d) => d * w));
        g.beginPath();
        g.moveTo(x1, y1);
        g.lineTo(x2, y2);
        g.stroke();
        break;
      }
      case 5: {
        i = path(g, ops, i + 1, ops[i]);
        g.fillStyle = colour(ops[i++]);
        g.fill('evenodd');
        break;
      }
      case 6: {
        i = path(g, ops, i + 1, ops[i]);
        const [argb, w, dash] = ops.slice(i, (i += 3));
        g.strokeStyle = colour(argb);
        g.lineWidth = w;
        g.setLineDash((DASHES[dash] || []).map((d) => d * w));
        g.stroke();
        break;
      }
      default: i = ops.length;  // an opcode of a newer server: the rest cannot be read
    }
  }
}
