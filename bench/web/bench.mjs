// ./run web-bench: the web host's page measured in Chromium on loopback beside a bare page
// (bench/bare: the same canvas and display list from a Beast echo of the same size, the same
// pointer moves, interleaved rounds), and 16 devices x 4 pages sending 10^5 pointer moves
// while the server's memory is watched. Prints a Markdown table;
// with README and the Google Benchmark's JSON it writes the table into the README.
// Run (playwright-core from tests/web): node bench/web/bench.mjs [bench.json README.md]
import { spawn } from 'node:child_process';
import { readFileSync, writeFileSync } from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { launch, openPage, serverPath, socket, startServer } from '../../tests/web/helpers.mjs';

const root = path.resolve(import.meta.dirname, '../..');
const barePath = path.join(path.dirname(serverPath), 'qm7140-bare-echo');

const [benchJson, readme] = process.argv.slice(2);
const quantile = (xs, q) => { const s = [...xs].sort((a, b) => a - b); return s[Math.min(s.length - 1, Math.floor(q * s.length))]; };
const rss = (pid) => Number(/VmRSS:\s+(\d+)/.exec(readFileSync(`/proc/${pid}/status`, 'utf8'))[1]) / 1024;

// Timing hooks in both pages: pointer moves, each WebSocket message's handler from its
// start to its end, and each canvas painted with the start of the message that carried it.
function instrument(moveEvent) {
  const bench = window.bench = { moves: [], paints: [], handlers: [], start: 0 };
  window.addEventListener(moveEvent, (e) => bench.moves.push(e.timeStamp), true);
  document.addEventListener('painted', () => { bench.paints.push([performance.now(), bench.start]); bench.painted = true; }, true);
  const handler = Object.getOwnPropertyDescriptor(WebSocket.prototype, 'onmessage');
  Object.defineProperty(WebSocket.prototype, 'onmessage', {
    configurable: true,
    get() { return handler.get.call(this); },
    set(f) {
      handler.set.call(this, function (e) {
        bench.start = performance.now();
        bench.painted = false;
        f.call(this, e);
        if (bench.painted) bench.handlers.push(performance.now() - bench.start);
      });
    },
  });
}

// `count` pointer moves on the canvas, each awaited until it is painted: end to end, and
// from the message's arrival to the painted canvas.
// The first drag presses on the cursor where it starts; the next where the last one left it.
async function drag(page, box, count, into, first) {
  await page.bringToFront();
  await page.mouse.move(box.x + (first ? 326.5 : 340.5), box.y + (first ? 97.5 : 110.5));
  await page.mouse.down();
  for (let k = 0; k < count; k++) {
    const before = await page.evaluate(() => [window.bench.moves.length, window.bench.paints.length]);
    await page.mouse.move(box.x + 300.5 + (k & 1) * 40, box.y + 80.5 + (k & 1) * 30);
    await page.waitForFunction(([n]) => window.bench.paints.length > n, before.slice(1), { polling: 'raf', timeout: 10000 })
      .catch(async (e) => { throw new Error(`${page.url()}: no paint after move ${k} ${JSON.stringify(before)} ${JSON.stringify(await page.evaluate(() => [window.bench.moves.length, window.bench.paints.length, window.bench.handlers.length]))}: ${e.message}`); });
    const [move, [painted, start]] = await page.evaluate(([m, p]) => [window.bench.moves[m], window.bench.paints[p]], before);
    if (k >= 5) { into.e2e.push(painted - move); into.paint.push(painted - start); }
  }
  await page.mouse.up();
  into.handlers = await page.evaluate(() => window.bench.handlers);
}

// The web host's page beside the bare page (the same canvas and display list from a Beast
// echo of the same size, the same pointer moves), in interleaved rounds in one browser.
async function compare(rounds = 6, perRound = 90) {  // perRound even: each drag ends where the next starts
  const server = await startServer(['--devices', '2']);
  const browser = await launch();
  let bare;
  try {
    // Replies of the web host's own size: its updates to a drag on device 2, recorded.
    const headers = { Host: `127.0.0.1:${server.port}`, Origin: server.origin, Cookie: `qm7140_${server.port}=${server.token}` };
    const ws = await socket(server.port, headers);
    ws.send('{"t":"sub","dev":1}');
    ws.send('{"t":"menu","dlg":1}');
    ws.send('{"t":"mouse","dlg":1,"c":24,"a":0,"b":0,"x":326,"y":97}');
    await ws.until((m) => m.some((x) => x.paints));
    ws.messages.length = 0;
    const serverTrips = await roundTrips(ws, 400);
    ws.send('{"t":"mouse","dlg":1,"c":24,"a":2,"b":0,"x":300,"y":80}');
    ws.close();
    const replies = ws.messages.filter((m) => m.paints).slice(0, 10).map((m) => JSON.stringify(m));
    const repliesFile = path.join(os.tmpdir(), `qm7140-bare-replies-${process.pid}.txt`);
    writeFileSync(repliesFile, `${replies.join('\n')}\n`);
    bare = await startBare(repliesFile);
    const bareSocket = await socket(Number(new URL(bare.url).port), { Host: new URL(bare.url).host });
    const bareTrips = await roundTrips(bareSocket, 400, true);
    bareSocket.close();

    const open = async (url, moveEvent) => {
      const page = await browser.newPage({ viewport: { width: 1500, height: 1000 } });
      await page.addInitScript(instrument, moveEvent);
      await page.goto(url);
      return page;
    };
    // The page sends on pointerrawupdate where the browser offers it: so does the bare page.
    const probe = await browser.newPage();
    await probe.goto(bare.url);
    const raw = await probe.evaluate(() => 'onpointerrawupdate' in window);
    await probe.close();
    const moveEvent = raw ? 'pointerrawupdate' : 'pointermove';
    const web = await openPage(browser, server, 0, (page) => page.addInitScript(instrument, moveEvent));
    await web.click('#menu button[data-dialog="1"]');
    const view = web.locator('[data-name="LimiterPaintBox"]');
    await view.waitFor();
    const webBox = await view.boundingBox();
    const size = `w=${Math.round(webBox.width)}&h=${Math.round(webBox.height)}`;
    const pages = { web: [web, webBox] };
    for (const [name, query] of [['bare', raw ? '&raw' : ''], ['bareMove', '']]) {
      if (name === 'bareMove' && !raw) continue;
      const page = await open(`${bare.url}?${size}${query}`, query ? 'pointerrawupdate' : 'pointermove');
      await page.waitForFunction(() => document.body.dataset.ready === '1');
      pages[name] = [page, await page.locator('#view').boundingBox()];
    }
    const results = {};
    for (let r = 0; r < rounds; r++) {
      for (const name of Object.keys(pages)) {
        const into = results[name] ??= { e2e: [], paint: [], handlers: [] };
        const round = { e2e: [], paint: [] };
        await drag(pages[name][0], pages[name][1], perRound, round, r === 0);
        into.e2e.push(...round.e2e);
        into.paint.push(...round.paint);
        into.handlers = round.handlers;
      }
    }
    results.web.trip = serverTrips;
    results.bare.trip = bareTrips;
    return { results, moveEvent, count: results.web.e2e.length };
  } finally {
    await browser.close();
    await server.stop();
    if (bare) bare.child.kill('SIGTERM');
  }
}

// `count` drag moves from a WebSocket client, each sent when the last was answered (by its
// ack, or by any message from the bare echo, whose replies are recorded): the server's side
// of a move, without a browser. Milliseconds each.
async function roundTrips(ws, count, echo = false) {
  const trips = [];
  for (let k = 0; k < count; k++) {
    const sent = performance.now();
    const answered = new Promise((done) => {
      ws.onmessage = (m) => { ws.messages.push(m); if (echo || m.ack === k) { ws.onmessage = null; done(); } };
    });
    ws.send(JSON.stringify({ t: 'mouse', dlg: 1, c: 24, a: 1, b: 0, x: 300 + (k & 1) * 40, y: 80 + (k & 1) * 30, seq: k }));
    await answered;
    trips.push(performance.now() - sent);
  }
  return trips.slice(20);
}

function startBare(repliesFile) {
  const child = spawn(barePath, [repliesFile, path.join(root, 'bench/bare'), path.join(root, 'host/web/page')],
    { stdio: ['ignore', 'pipe', 'inherit'] });
  return new Promise((resolve, reject) => {
    const timer = setTimeout(() => { child.kill(); reject(new Error('the bare echo printed no address')); }, 10000);
    child.stdout.once('data', (line) => { clearTimeout(timer); resolve({ child, url: String(line).trim() }); });
    child.on('exit', (code) => { clearTimeout(timer); reject(new Error(`the bare echo exited ${code}`)); });
  });
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
const { results, moveEvent, count } = await compare();
const { samples, seconds } = await load();
const warm = samples.find((s) => s.messages >= 10000) ?? samples[0];
const last = samples.at(-1);
const us = (b) => (b ? `${b.cpu_time.toFixed(1)} µs` : 'not run');
const ratio = step.WebDisplayList && step.TerminalCairo ? (step.WebDisplayList.cpu_time / step.TerminalCairo.cpu_time).toFixed(2) : '-';
const ms = (x) => `${x.toFixed(2)} ms`;
const row = (what, q, key, goal, against = 'bare') => {
  const w = quantile(results.web[key], q), b = quantile(results[against][key], q);
  return `| ${what} | ${ms(w)} | ${ms(b)} | ${(w / b).toFixed(2)} × | ${goal} |`;
};
// The bare page does the least on pointermove, once a frame; the web host's page sends on
// pointerrawupdate where the browser offers it, and is also set beside the bare page doing the same.
const least = results.bareMove ? 'bareMove' : 'bare';
const table = [
  `| Chromium, loopback, ${count} moves each in interleaved rounds | web host | bare page | ratio | goal |`,
  '|---|---|---|---|---|',
  row(`pointer move → canvas painted, median (web host on ${moveEvent}, bare page on pointermove)`, 0.5, 'e2e', '≤ 1.0 ×', least),
  row('pointer move → canvas painted, p99 (the same)', 0.99, 'e2e', '≤ 1.2 ×', least),
  row('message → canvas painted, median', 0.5, 'paint', '≤ 1.3 ×'),
  row('the page\'s whole message handler, median', 0.5, 'handlers', '≤ 2 ×'),
  ...(results.bareMove ? [
    row('both pages on pointerrawupdate: pointer move → canvas painted, median', 0.5, 'e2e', '≤ 2 ×'),
    row('both pages on pointerrawupdate: pointer move → canvas painted, p99', 0.99, 'e2e', ''),
  ] : ['| pointerrawupdate | not offered by this browser: both pages send on pointermove | | | |']),
  row('the server alone: a move answered, from a WebSocket client, median', 0.5, 'trip', ''),
  '',
  '| measure | result | goal |',
  '|---|---|---|',
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
