// Starting qm7140-web on a free loopback port, a browser on it, and a tiny WebSocket client
// that may send what no browser would.
import { spawn } from 'node:child_process';
import crypto from 'node:crypto';
import http from 'node:http';
import net from 'node:net';
import path from 'node:path';
import { readFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import { chromium } from 'playwright-core';

const root = path.resolve(import.meta.dirname, '../..');
export const serverPath = process.env.QM7140_WEB ?? path.join(root, 'build/linux/bin/qm7140-web');

// Resolves with the server once it printed its address (first line), within 10 s.
export function startServer(args = [], env = {}) {
  const child = spawn(serverPath, ['--listen', '127.0.0.1:0', ...args],
    { stdio: ['ignore', 'pipe', 'pipe'], env: { ...process.env, ...env } });
  let errors = '';
  child.stderr.on('data', (chunk) => { errors += chunk; process.stderr.write(chunk); });
  return new Promise((resolve, reject) => {
    const timer = setTimeout(() => { child.kill(); reject(new Error('no address within 10 s')); }, 10000);
    let out = '';
    child.stdout.on('data', (chunk) => {
      out += chunk;
      const line = out.split('\n');
      if (line.length < 2) return;
      clearTimeout(timer);
      const url = new URL(line[0]);
      let session;
      const server = {
        url: line[0], port: Number(url.port), origin: url.origin, token: url.searchParams.get('token'), child, output: () => out,
        errors: () => errors,
        stop: () => new Promise((done) => { if (child.exitCode !== null) return done(); child.on('exit', done); child.kill('SIGTERM'); }),
        // The printed token's one use, made once: the session's cookie, "NAME=VALUE".
        cookie: async () => {
          session ??= request(server.port, { path: `/?token=${server.token}`, headers: { Host: `127.0.0.1:${server.port}` } })
            .then((reply) => reply.headers['set-cookie'][0].split(';')[0]);
          return session;
        },
      };
      resolve(server);
    });
    child.on('exit', (code) => { clearTimeout(timer); reject(new Error(`server exited ${code}`)); });
  });
}

export async function launch() {
  return chromium.launch({ executablePath: process.env.CHROMIUM ?? '/usr/bin/chromium' });
}

// A page on the server, connected and showing device `device`; `prepare` runs before it loads.
export async function openPage(browser, server, device = 0, prepare = async () => {}) {
  const page = await browser.newPage({ viewport: { width: 1500, height: 1000 } });
  await prepare(page);
  await signIn(page, server);
  await page.goto(`${server.origin}/`);
  await page.waitForSelector('#status:text("connected")');
  if (device > 0) await page.click(`#tabs button[data-dev="${device}"]`);
  await page.waitForFunction(() => Number(document.body.dataset.updates) > 0);
  return page;
}

// The server's session in the page's browser, as its printed address would have set it.
export async function signIn(page, server) {
  const [name, value] = (await server.cookie()).split('=');
  await page.context().addCookies([{ name, value, url: `${server.origin}/`, httpOnly: true, sameSite: 'Strict' }]);
}

// Reads until `done` holds or 5 s pass; gives the last value read.
export async function until(read, done) {
  for (const end = Date.now() + 5000; ; await new Promise((r) => setTimeout(r, 20))) {
    const value = await read();
    if (done(value) || Date.now() > end) return value;
  }
}

// Raw HTTP, headers as given (Host included), within 5 s.
export function request(port, { method = 'GET', path: where = '/', headers = {}, body } = {}) {
  return new Promise((resolve, reject) => {
    const req = http.request({ host: '127.0.0.1', port, method, path: where, headers, timeout: 5000 }, (res) => {
      let data = '';
      res.on('data', (c) => { data += c; });
      res.on('end', () => resolve({ status: res.statusCode, headers: res.headers, body: data }));
    });
    req.on('timeout', () => req.destroy(new Error('timeout')));
    req.on('error', reject);
    if (body !== undefined) req.write(body);
    req.end();
  });
}

// The device's registers as its state file has them.
export async function registers(server, device = 0) {
  const reply = await request(server.port, {
    path: `/state?dev=${device}`, headers: { Host: `127.0.0.1:${server.port}`, Cookie: await server.cookie() },
  });
  if (reply.status !== 200) throw new Error(`state: ${reply.status}`);
  return reply.body;
}

// A WebSocket client of a few lines: the upgrade with any headers, masked frames of any
// opcode, text messages collected as they come.
export function socket(port, headers) {
  return new Promise((resolve, reject) => {
    const s = net.connect(port, '127.0.0.1');
    const key = crypto.randomBytes(16).toString('base64');
    const lines = [`GET /ws HTTP/1.1`, `Upgrade: websocket`, `Connection: Upgrade`, `Sec-WebSocket-Key: ${key}`,
      `Sec-WebSocket-Version: 13`, ...Object.entries(headers).map(([k, v]) => `${k}: ${v}`)];
    s.write(`${lines.join('\r\n')}\r\n\r\n`);
    let buffer = Buffer.alloc(0);
    let open = false;
    let parts = [];  // a message's fragments so far
    const client = {
      messages: [], closed: false, status: 0,
      send(payload, opcode = 1) {
        const data = Buffer.isBuffer(payload) ? payload : Buffer.from(payload);
        const mask = crypto.randomBytes(4);
        const size = data.length < 126 ? [data.length] : data.length < 65536 ? [126, data.length >> 8, data.length & 255]
          : [127, 0, 0, 0, 0, (data.length >>> 24) & 255, (data.length >> 16) & 255, (data.length >> 8) & 255, data.length & 255];
        const head = Buffer.from([0x80 | opcode, 0x80 | size[0], ...size.slice(1)]);
        const body = Buffer.from(data.map((b, i) => b ^ mask[i % 4]));
        s.write(Buffer.concat([head, mask, body]));
      },
      close() { s.destroy(); },
      // Waits until `test` holds for the messages (each parsed), within `ms`.
      async until(test, ms = 5000) {
        const end = Date.now() + ms;
        while (!test(client.messages)) {
          if (Date.now() > end) throw new Error('timed out waiting for messages');
          await new Promise((r) => setTimeout(r, 10));
        }
      },
    };
    s.on('data', (chunk) => {
      buffer = Buffer.concat([buffer, chunk]);
      if (!open) {
        const end = buffer.indexOf('\r\n\r\n');
        if (end < 0) return;
        client.status = Number(buffer.toString('latin1', 0, end).split(' ')[1]);
        buffer = buffer.subarray(end + 4);
        open = true;
        resolve(client);
      }
      while (buffer.length >= 2) {
        let size = buffer[1] & 127, at = 2;
        if (size === 126) { if (buffer.length < 4) return; size = buffer.readUInt16BE(2); at = 4; }
        else if (size === 127) { if (buffer.length < 10) return; size = Number(buffer.readBigUInt64BE(2)); at = 10; }
        if (buffer.length < at + size) return;
        const opcode = buffer[0] & 15, fin = buffer[0] & 0x80;
        if (opcode === 1 || opcode === 0) parts.push(buffer.subarray(at, at + size));
        if ((opcode === 1 || opcode === 0) && fin) {
          const message = JSON.parse(Buffer.concat(parts).toString('utf8'));
          if (client.onmessage) client.onmessage(message); else client.messages.push(message);
          parts = [];
        }
        buffer = buffer.subarray(at + size);
      }
    });
    s.on('close', () => { client.closed = true; if (!open) resolve(client); });
    s.on('error', (e) => { if (!open) reject(e); });
  });
}

// axe-core's WCAG 2.1 A and AA rules on the page as it is now: each violation's rule and elements.
const axeSource = readFileSync(createRequire(import.meta.url).resolve('axe-core/axe.min.js'), 'utf8');
export async function accessibilityViolations(page) {
  if (!(await page.evaluate(() => typeof window.axe === 'object'))) await page.evaluate(axeSource);
  return page.evaluate(async () => (await window.axe.run(document, { runOnly: ['wcag2a', 'wcag2aa', 'wcag21a', 'wcag21aa'] }))
    .violations.map((v) => `${v.id}: ${v.nodes.map((n) => n.target.join(' ')).join(', ')}`));
}

// A dialog's panel; opening one from the menu; closing every open one.
export const panel = (page, d) => page.locator(`.panel[data-dialog="${d}"]`);
export async function openDialog(page, d) {
  await page.click(`#menu button[data-dialog="${d}"]`);
  await panel(page, d).waitFor({ state: 'visible' });
}
export async function closeDialogs(page) {
  for (const d of [0, 1, 2]) if (await panel(page, d).isVisible()) await panel(page, d).locator('.title button').click();
  await page.waitForFunction(() => !document.querySelector('.panel:not([hidden])'));
}
