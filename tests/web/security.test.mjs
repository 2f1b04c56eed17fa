// The gate: nothing without a session's cookie (the printed token opens one, once), a Host
// naming the server and, where it matters, the page's own Origin and site; every malformed or hostile message refused to its sender
// alone, the server up and the device untouched; peers without the token never lock a page
// out; Ctrl+C ends the server at once.
import assert from 'node:assert/strict';
import { after, before, test } from 'node:test';
import { readFileSync } from 'node:fs';
import net from 'node:net';
import { registers, request, socket, startServer } from './helpers.mjs';

let server;
before(async () => { server = await startServer(); });
after(() => server.stop());

test('requests without the token, from another Host or Origin get a 403 that says what to open', async () => {
  const host = `127.0.0.1:${server.port}`;
  const token = `token=${server.token}`;
  const wrong = server.token.replace(/.$/, (c) => (c === '0' ? '1' : '0'));
  const cookie = await server.cookie();
  const refused = [
    { path: '/', headers: { Host: host } },
    { path: `/?token=${wrong}`, headers: { Host: host } },
    { path: '/app.js', headers: { Host: host, Cookie: `qm7140_${server.port}=${wrong}` } },
    { path: '/', headers: { Host: host, Cookie: `qm7140_1=${server.token}` } },
    { path: `/?${token}`, headers: { Host: host } },  // used once already
    { path: '/', headers: { Host: host, Cookie: `qm7140_${server.port}=${server.token}` } },  // the token is no session
    { path: '/', headers: { Host: `evil.example:${server.port}`, Cookie: cookie } },
    { path: '/', headers: { Host: `127.0.0.1:${server.port + 1}`, Cookie: cookie } },
    { path: '/', headers: { Host: host, Origin: 'http://evil.example', Cookie: cookie } },
    { path: '/state?dev=0', headers: { Host: host, Cookie: cookie, 'Sec-Fetch-Site': 'cross-site' } },
    { path: '/state?dev=0', headers: { Host: host, Cookie: cookie, 'Sec-Fetch-Site': 'same-site' } },
    { method: 'POST', path: '/state?dev=0', headers: { Host: host, Cookie: cookie }, body: '0x02 0x40\n' },
    { method: 'POST', path: '/state?dev=0', headers: { Host: host, Origin: 'http://evil.example', Cookie: cookie }, body: '0x02 0x40\n' },
    { method: 'POST', path: '/replay?dev=0', headers: { Host: host, Cookie: cookie }, body: 'w 0x80 0x02 0x40\n' },
    { path: `/export?dev=0&format=c`, headers: { Host: host, Cookie: `qm7140_${server.port}=${wrong}` } },
  ];
  for (const r of refused) {
    const reply = await request(server.port, r);
    assert.equal(reply.status, 403, JSON.stringify(r));
    assert.equal(reply.headers['cross-origin-resource-policy'], 'same-origin');
    assert.match(reply.body, /Open the address <code>qm7140-web<\/code> printed on its first line/, JSON.stringify(r));
  }
  for (const site of [undefined, 'same-origin', 'none']) {
    const reply = await request(server.port, { path: '/app.js', headers: { Host: host, Cookie: cookie, ...(site && { 'Sec-Fetch-Site': site }) } });
    assert.equal(reply.status, 200, site);
    assert.equal(reply.headers['cross-origin-resource-policy'], 'same-origin');
  }

  const origin = `http://${host}`;
  const upgrades = [
    [{ Host: host, Cookie: cookie }, 403],
    [{ Host: host, Cookie: cookie, Origin: 'http://evil.example' }, 403],
    [{ Host: host, Origin: origin }, 403],
    [{ Host: `evil.example:${server.port}`, Cookie: cookie, Origin: `http://evil.example:${server.port}` }, 403],
    [{ Host: host, Cookie: cookie, Origin: origin }, 101],
  ];
  for (const [headers, status] of upgrades) {
    const ws = await socket(server.port, headers);
    assert.equal(ws.status, status, JSON.stringify(headers));
    ws.close();
  }
});

test('the printed token opens one session once; SIGHUP prints another, and open pages stay', async () => {
  const own = await startServer();
  try {
    const host = `localhost:${own.port}`;
    const first = await request(own.port, { path: `/?token=${own.token}`, headers: { Host: host } });
    assert.equal(first.status, 200);
    const [, session] = new RegExp(`^qm7140_${own.port}=([0-9a-f]{64}); Path=/; HttpOnly; SameSite=Strict$`).exec(first.headers['set-cookie'][0]) ?? [];
    assert.ok(session && session !== own.token, first.headers['set-cookie'][0]);
    assert.equal((await request(own.port, { path: `/?token=${own.token}`, headers: { Host: host } })).status, 403, 'the token opened twice');
    const cookie = `qm7140_${own.port}=${session}`;
    const page = await socket(own.port, { Host: host, Origin: `http://${host}`, Cookie: cookie });
    await page.until((m) => m.some((x) => x.t === 'hello'));

    own.child.kill('SIGHUP');
    await until(() => (own.output().match(/\?token=/g) ?? []).length === 2, 5000, 'a second address');
    const fresh = [...own.output().matchAll(/\?token=([0-9a-f]{64})/g)][1][1];
    assert.notEqual(fresh, own.token);
    assert.equal(own.child.exitCode, null);
    page.send('{"t":"sub","dev":0}');
    await page.until((m) => m.some((x) => x.forms));
    assert.equal(page.closed, false);
    assert.equal((await request(own.port, { path: '/app.js', headers: { Host: host, Cookie: cookie } })).status, 200);
    assert.equal((await request(own.port, { path: `/?token=${own.token}`, headers: { Host: host } })).status, 403);
    assert.equal((await request(own.port, { path: `/?token=${fresh}`, headers: { Host: host } })).status, 200);
    page.close();
  } finally {
    await own.stop();
  }
});

// Messages a page never sends: broken JSON, wrong shapes and types, unknown names, values
// out of range, controls that do not take the action, dialogs that are closed.
function* hostile(count) {
  const junk = ['', '{', '[]', 'null', '"t"', '{"t":1}', '{"t":"nope"}', '{"t":"click"}', '\u0000', '{"t":"click","dlg":0,"c":0,"x":1}',
    '[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]',
    '{"t":"reg","r":1}', '{"t":"reg","r":256,"v":1}', '{"t":"reg","r":-1,"v":1}', '{"t":"reg","r":1,"v":256}', '{"t":"reg","r":1.5,"v":1}',
    '{"t":"reg","r":"1","v":1}', '{"t":"reg","r":1,"v":1e400}', '{"t":"sub","dev":16}', '{"t":"sub","dev":1}', '{"t":"menu","dlg":3}',
    '{"t":"menu","dlg":-1}', '{"t":"text","dlg":1,"c":7,"text":"4\\u00e9","enter":true}', '{"t":"text","dlg":1,"c":7,"text":"4","enter":1}'];
  const types = ['click', 'select', 'text', 'focus', 'pos', 'mouse', 'activate', 'deactivate', 'close'];
  const numbers = [-1, 3, 999, 1025, 2 ** 31, -(2 ** 31) - 1, 2 ** 53, 40000, -40000, 0.5, null, '0', true, [], {}];
  for (let i = 0; i < count; i++) {
    const k = i % 4;
    if (k === 0) { yield junk[(i >> 2) % junk.length]; continue; }
    const t = types[(i >> 2) % types.length];
    const n = numbers[(i * 7) % numbers.length];
    const m = { t, dlg: 0, c: 0, item: 0, v: 0, a: 1, b: 0, x: 0, y: 0, seq: i, text: 'x', enter: false };
    const keep = { click: ['dlg', 'c'], select: ['dlg', 'c', 'item'], text: ['dlg', 'c', 'text', 'enter'], focus: ['dlg', 'c'],
      pos: ['dlg', 'c', 'v'], mouse: ['dlg', 'c', 'a', 'b', 'x', 'y', 'seq'], activate: ['dlg'], deactivate: ['dlg'], close: ['dlg'] }[t];
    const message = { t };
    for (const f of keep) message[f] = m[f];
    if (k === 1) message[keep[i % keep.length]] = n;       // a value out of range or of the wrong type
    else if (k === 2) message.dlg = i % 3;                   // a dialog that is closed: refused by the module
    else message.c = 200 + (i % 50);                         // no such control
    yield JSON.stringify(message);
  }
}

test('10^4 hostile messages are refused to their sender, the server stays up, the device unchanged', async () => {
  const before = await registers(server);
  const headers = { Host: `127.0.0.1:${server.port}`, Origin: server.origin, Cookie: await server.cookie() };
  const watcher = await socket(server.port, headers);
  watcher.send('{"t":"sub","dev":0}');
  const ws = await socket(server.port, headers);
  await ws.until((m) => m.some((x) => x.t === 'hello'));
  ws.send('{"t":"sub","dev":0}');
  let sent = 0;
  for (const message of hostile(10000)) { ws.send(message); sent++; }
  ws.send('x'.repeat(5000));                       // over the 4 KiB a message may have
  ws.send(Buffer.from([0xff, 0xfe, 0x7b]), 2);     // binary, not UTF-8
  ws.send('{"t":"sub","dev":0}');                  // still answered after all that
  const errors = (m) => m.filter((x) => x.errors).reduce((n, x) => n + x.errors.length, 0);
  // The last sub is answered with the whole device again: everything before it was read.
  await ws.until((m) => m.filter((x) => x.forms).length >= 2, 20000);
  assert.ok(sent >= 10000);
  assert.ok(errors(ws.messages) >= 10);
  assert.equal(ws.closed, false);
  assert.equal(errors(watcher.messages), 0, 'another page heard of the refusals');
  assert.equal(await registers(server), before);
  const fresh = await socket(server.port, headers);
  await fresh.until((m) => m.some((x) => x.t === 'hello'));
  for (const c of [ws, watcher, fresh]) c.close();
});

// Raw bytes to the server, all it answers until it closes (within 5 s).
function raw(port, text) {
  return new Promise((resolve, reject) => {
    const s = net.connect(port, '127.0.0.1', () => s.end(text));
    let data = '';
    s.setTimeout(5000, () => s.destroy(new Error('timeout')));
    s.on('data', (c) => { data += c; });
    s.on('close', () => resolve(data));
    s.on('error', (e) => (data ? resolve(data) : reject(e)));
  });
}

test('doubled Host or Origin, an oversized body, HEAD and a NUL byte are each answered as they should be', async () => {
  const host = `127.0.0.1:${server.port}`;
  const cookie = `Cookie: ${await server.cookie()}`;
  const get = await request(server.port, { path: '/app.js', headers: { Host: host, Cookie: cookie.slice(8) } });
  const rows = [
    [`GET /?token=${server.token} HTTP/1.1\r\nHost: ${host}\r\nHost: evil.example:${server.port}\r\n\r\n`, /^HTTP\/1.1 400 /],
    [`GET /?token=${server.token} HTTP/1.1\r\nHost: ${host}\r\nOrigin: ${server.origin}\r\nOrigin: http://evil.example\r\n\r\n`, /^HTTP\/1.1 400 /],
    [`POST /state?dev=0 HTTP/1.1\r\nHost: ${host}\r\nOrigin: ${server.origin}\r\n${cookie}\r\nContent-Length: 65537\r\n\r\n${'#'.repeat(65537)}`, /^HTTP\/1.1 413 /],
    [`HEAD /app.js HTTP/1.1\r\nHost: ${host}\r\n${cookie}\r\nConnection: close\r\n\r\n`,
      new RegExp(`^HTTP/1.1 200 [^]*\r\nContent-Length: ${Buffer.byteLength(get.body)}\r\n[^]*\r\n\r\n$`)],
    [`HEAD /export?dev=0&format=c HTTP/1.1\r\nHost: ${host}\r\n${cookie}\r\nConnection: close\r\n\r\n`, /^HTTP\/1.1 200 [^]*\r\nContent-Length: [1-9][0-9]*\r\n[^]*\r\n\r\n$/],
  ];
  for (const [text, expected] of rows) assert.match(await raw(server.port, text), expected, text.slice(0, 60));

  const ws = await socket(server.port, { Host: host, Origin: server.origin, Cookie: cookie.slice(8) });
  ws.send('{"t":"sub","dev":0}\u0000{"t":"readall"}');
  await ws.until((m) => m.some((x) => x.errors));
  assert.deepEqual(ws.messages.find((x) => x.errors).errors, ['message holds a NUL byte']);
  ws.close();
});

// The server's resident memory, in KiB.
function resident(child) {
  return Number(/VmRSS:\s+(\d+)/.exec(readFileSync(`/proc/${child.pid}/status`, 'utf8'))[1]);
}

async function until(test, ms, what) {
  for (const end = Date.now() + ms; !test();) {
    if (Date.now() > end) throw new Error(`timed out waiting for ${what}`);
    await new Promise((r) => setTimeout(r, 20));
  }
}

test('256 peers trickling without the token lock no page out, and the memory stays flat', async (t) => {
  const host = `127.0.0.1:${server.port}`;
  const before = resident(server.child);
  const peers = [];
  let connected = 0;
  for (let i = 0; i < 256; i++) {
    const s = net.connect(server.port, '127.0.0.1', () => { connected++; });
    s.on('error', () => {});
    // Half are answered 413 and then keep sending their body; half never end their header.
    s.write(i % 2 ? `POST /state?dev=0 HTTP/1.1\r\nHost: ${host}\r\nContent-Length: 100000\r\n\r\n` : `GET / HTTP/1.1\r\nHost: ${host}\r\n`);
    peers.push(s);
  }
  let rounds = 0;
  const trickle = setInterval(() => { rounds++; for (const s of peers) if (!s.destroyed) s.write('x'); }, 1000);
  try {
    await until(() => connected === 256 && rounds >= 2, 20000, '256 connections trickling');
    const start = Date.now();
    const page = await Promise.race([
      socket(server.port, { Host: host, Origin: server.origin, Cookie: await server.cookie() }),
      new Promise((_, reject) => setTimeout(() => reject(new Error('no answer within 10 s')), 10000)),
    ]);
    const took = Date.now() - start;
    assert.equal(page.status, 101, 'a page with the token found no slot');
    await page.until((m) => m.some((x) => x.t === 'hello'));
    page.close();
    const grown = resident(server.child) - before;
    t.diagnostic(`a page with the token connected in ${took} ms; the server's memory grew ${grown} KiB`);
    assert.ok(grown < 64 * 1024, `memory grew ${grown} KiB`);
  } finally {
    clearInterval(trickle);
    for (const s of peers) s.destroy();
  }
});

test('Ctrl+C ends the server at once, its pages told it is going away', async (t) => {
  const own = await startServer();
  const page = net.connect(own.port, '127.0.0.1');
  let heard = Buffer.alloc(0);
  page.on('data', (chunk) => { heard = Buffer.concat([heard, chunk]); });
  page.on('error', () => {});
  const host = `127.0.0.1:${own.port}`;
  page.write([`GET /ws HTTP/1.1`, `Host: ${host}`, `Origin: ${own.origin}`, `Cookie: ${await own.cookie()}`, 'Upgrade: websocket',
    'Connection: Upgrade', 'Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==', 'Sec-WebSocket-Version: 13', '', ''].join('\r\n'));
  await until(() => heard.includes('"hello"'), 5000, 'the page to open');
  const exited = new Promise((resolve) => own.child.on('exit', (code, signal) => resolve({ code, signal })));
  const start = Date.now();
  own.child.kill('SIGINT');
  assert.deepEqual(await exited, { code: 0, signal: null });
  const took = Date.now() - start;
  t.diagnostic(`Ctrl+C ended the server in ${took} ms`);
  assert.ok(heard.includes(Buffer.from([0x88, 0x02, 0x03, 0xe9])), 'no close frame saying the server is going away');
  assert.ok(took < 1000, `${took} ms`);
  page.destroy();
});
