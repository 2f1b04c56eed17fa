// ./run web-bench: the web host measured in Chromium on loopback, and 16 devices x 4 pages
// sending 10^5 pointer moves while the server's memory is watched. Prints a Markdown table;
// with README and the Google Benchmark's JSON it writes the table into the README.
// Run: node bench.mjs [bench.json README.md]
import { readFileSync, writeFileSync } from 'node:fs';
import { launch, openPage, socket, startServer } from './helpers.mjs';

const [benchJson, readme] = process.argv.slice(2);
const quantile = (xs, q) => { const s = [...xs].sort((a, b) => a - b); return s[Math.min(s.length - 1, Math.floor(q * s.length))]; };
const rss = (pid) => Number(/VmRSS:\s+(\d+)/.exec(readFileSync(`/proc/${pid}/status`, 'utf8'))[1]) / 1024;

// Pointer move to the canvas painted with the new curve, in the page's own clock.
async function latency() {
  const server = await startServer();
  const browser = await launch();
  try {
    const page = await openPage(browser, server);
    await page.click('#menu button[data-dialog="1"]');
    const view = page.locator('[data-name="LimiterPaintBox"]');
    await view.waitFor();
    await view.evaluate((canvas) => {
      window.moves = [];
      window.paints = [];
      canvas.addEventListener('pointermove', (e) => window.moves.push(e.timeStamp), true);
      canvas.addEventListener('painted', () => window.paints.push(performance.now()));
    });
    const box = await view.boundingBox();
    await page.mouse.move(box.x + 326.5, box.y + 97.5);
    await page.mouse.down();
    const samples = [];
    for (let k = 0; k < 520; k++) {
      const before = await page.evaluate(() => [window.moves.length, window.paints.length]);
      await page.mouse.move(box.x + 300.5 + (k & 1) * 40, box.y + 80.5 + (k & 1) * 30);
      await page.waitForFunction(([n]) => window.paints.length > n, before.slice(1), { polling: 'raf' });
      const [move, paint] = await page.evaluate(([m, p]) => [window.moves[m], window.paints[p]], before);
      if (k >= 20) samples.push(paint - move);
    }
    await page.mouse.up();
    return { median: quantile(samples, 0.5), p99: quantile(samples, 0.99), count: samples.length };
  } finally {
    await browser.close();
    await server.stop();
  }
}

// 16 devices, 4 pages each, every page dragging on its device's Limiter view as a page
// does: one move in flight, the next sent when the server answered.
async function load(total = 100000) {
  const server = await startServer(['--devices', '16']);
  const headers = { Host: `127.0.0.1:${server.port}`, Origin: server.origin, Cookie: `qm7140_${server.port}=${server.token}` };
  const pages = [];
  for (let i = 0; i < 64; i++) {
    const page = await socket(server.port, headers);
    page.waiting = null;
    page.onmessage = (m) => { if (m.ack !== undefined && page.waiting) { const done = page.waiting; page.waiting = null; done(); } };
    page.send(JSON.stringify({ t: 'sub', dev: i % 16 }));
    if (i < 16) {
      page.send('{"t":"menu","dlg":1}');
      page.send('{"t":"mouse","dlg":1,"c":12,"a":0,"b":0,"x":326,"y":97}');
    }
    pages.push(page);
  }
  let sent = 0, seq = 0;
  const samples = [];
  const started = Date.now();
  const sample = () => samples.push({ messages: sent, rss: rss(server.child.pid) });
  sample();
  await Promise.all(pages.map(async (page, i) => {
    for (let k = 0; sent < total; k++) {
      const ack = new Promise((done) => { page.waiting = done; });
      page.send(JSON.stringify({ t: 'mouse', dlg: 1, c: 12, a: 1, b: 0, x: 300 + ((k + i) & 1) * 40, y: 80 + ((k + i) & 1) * 30, seq: ++seq }));
      await ack;
      if (++sent % 10000 === 0) sample();
    }
  }));
  const seconds = (Date.now() - started) / 1000;
  for (const page of pages) page.close();
  await server.stop();
  return { samples, seconds };
}

const step = {};
if (benchJson) {
  for (const b of JSON.parse(readFileSync(benchJson, 'utf8')).benchmarks) {
    if (b.aggregate_name && b.aggregate_name !== 'median') continue;
    const name = b.run_name ?? b.name;
    if (name.includes('SeamDragStep')) step[name.replace('BM_SeamDragStep_', '')] = b;
  }
}
const drag = await latency();
const { samples, seconds } = await load();
const warm = samples.find((s) => s.messages >= 10000) ?? samples[0];
const last = samples.at(-1);
const us = (b) => (b ? `${b.cpu_time.toFixed(1)} µs` : 'not run');
const ratio = step.WebDisplayList && step.TerminalCairo ? (step.WebDisplayList.cpu_time / step.TerminalCairo.cpu_time).toFixed(2) : '-';
const table = [
  '| measure | result | goal |',
  '|---|---|---|',
  `| pointer move → Limiter canvas painted with the new curve, Chromium, loopback (${drag.count} moves) | median ${drag.median.toFixed(2)} ms, p99 ${drag.p99.toFixed(2)} ms | ≤ 3 ms, ≤ 16.7 ms |`,
  `| server's drag step: move, two writes, display list (CPU) | ${us(step.WebDisplayList)} | ≤ 1.2 × terminal |`,
  `| terminal host's drag step: move, two writes, Cairo picture (CPU) | ${us(step.TerminalCairo)} | |`,
  `| ratio web / terminal | ${ratio} | ≤ 1.2 |`,
  `| display list of the Limiter view, one frame | ${step.WebDisplayList ? Math.round(step.WebDisplayList['bytes/frame']) : '-'} bytes of JSON | |`,
  `| 16 devices × 4 pages, ${last.messages} pointer moves | ${(last.messages / seconds).toFixed(0)} moves/s; server RSS ${warm.rss.toFixed(1)} MiB after ${warm.messages}, ${last.rss.toFixed(1)} MiB at the end | flat after warm-up |`,
  '',
  `Load average while measured: ${(await import('node:os')).loadavg()[0].toFixed(1)} on ${(await import('node:os')).cpus().length} cores. `
    + `RSS every 10^4 moves (MiB): ${samples.map((s) => s.rss.toFixed(1)).join(', ')}`,
].join('\n');
console.log(table);
if (readme) {
  const text = readFileSync(readme, 'utf8');
  const begin = '<!-- web-bench -->', end = '<!-- /web-bench -->';
  const at = text.indexOf(begin), to = text.indexOf(end);
  if (at < 0 || to < 0) throw new Error(`${readme} lacks the ${begin} markers`);
  writeFileSync(readme, `${text.slice(0, at + begin.length)}\n${table}\n${text.slice(to)}`);
  console.log(`== ${readme}`);
}
