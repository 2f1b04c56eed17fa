// The device's own graph object: a rounded box the host draws, highlighted while the
// Digital Control dialog linked to it is the active window (the module sets its animation
// state; the server fades it and sends the pen to draw with).
import { sizeCanvas } from './paint.js';

export function drawFigure(canvas, figure, device) {
  const w = 160, h = 80;
  const ratio = sizeCanvas(canvas, w, h);
  const g = canvas.getContext('2d');
  g.setTransform(ratio, 0, 0, ratio, 0, 0);
  g.clearRect(0, 0, w, h);
  const x = 14, y = 10, bw = 132, bh = 60;
  g.beginPath();
  g.roundRect(x, y, bw, bh, 10);
  g.fillStyle = '#faf6f4';
  g.fill();
  g.lineWidth = figure ? figure.width : 2;
  g.strokeStyle = figure ? figure.color : '#305080';
  g.stroke();
  g.fillStyle = '#000';
  g.font = 'bold 12px Tahoma, "DejaVu Sans", sans-serif';
  g.textAlign = 'center';
  g.fillText(`QM7140 #${device + 1}`, x + bw / 2, y + 26);
  g.font = '10px Tahoma, "DejaVu Sans", sans-serif';
  g.fillText('0x80 / page 0', x + bw / 2, y + 44);
  canvas.dataset.state = String(figure ? figure.state : 0);
  canvas.dataset.hit = String(figure ? figure.hit : 0);
}
