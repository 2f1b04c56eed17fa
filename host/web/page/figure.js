// The device's own graph object: a rounded box the host draws, highlighted while the
// Digital Control dialog linked to it is the active window (the module sets its animation
// state; the server fades it and sends the pen to draw with). Its size and the line that
// says where the chip sits come with the server's hello.
import { sizeCanvas } from './paint.js';

const MARGIN = [14, 10];

export function drawFigure(canvas, figure, shape, device) {
  const [x, y] = MARGIN, w = shape.w + 2 * x, h = shape.h + 2 * y;
  const ratio = sizeCanvas(canvas, w, h);
  const g = canvas.getContext('2d');
  g.setTransform(ratio, 0, 0, ratio, 0, 0);
  g.clearRect(0, 0, w, h);
  g.beginPath();
  g.roundRect(x, y, shape.w, shape.h, 10);
  g.fillStyle = '#faf6f4';
  g.fill();
  g.lineWidth = figure.width;
  g.strokeStyle = figure.color;
  g.stroke();
  g.fillStyle = '#000';
  g.font = 'bold 12px Tahoma, "DejaVu Sans", sans-serif';
  g.textAlign = 'center';
  g.fillText(`QM7140 #${device + 1}`, x + shape.w / 2, y + 26);
  g.font = '10px Tahoma, "DejaVu Sans", sans-serif';
  g.fillText(shape.label, x + shape.w / 2, y + 44);
  canvas.dataset.state = String(figure.state);
  canvas.dataset.hit = String(figure.hit);
}
