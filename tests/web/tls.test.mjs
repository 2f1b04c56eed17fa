// --tls: HTTPS and WSS with a self-signed certificate made once and kept, its fingerprint
// printed on the second line; the page works in Chromium over it and its cookie is Secure;
// plain HTTP to it is told where to go; a run that cannot listen keeps the kept pair.
import assert from 'node:assert/strict';
import { mkdtempSync, readFileSync, statSync } from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { test } from 'node:test';
import tls from 'node:tls';
import { launch, request, startServer } from './helpers.mjs';

const state = mkdtempSync(path.join(os.tmpdir(), 'qm7140-state-'));

async function fingerprintLine(server) {
  for (let i = 0; i < 100 && server.output().split('\n').length < 3; i++) await new Promise((r) => setTimeout(r, 50));
  return server.output().split('\n')[1];
}

function served(port) {
  return new Promise((resolve, reject) => {
    const s = tls.connect({ port, host: '127.0.0.1', rejectUnauthorized: false }, () => {
      resolve(s.getPeerCertificate().fingerprint256);
      s.end();
    });
    s.on('error', reject);
  });
}

test('--tls serves the page over HTTPS and WSS with a kept self-signed certificate', async () => {
  const fingerprints = [];
  for (const run of [0, 1]) {
    const server = await startServer(['--tls'], { XDG_STATE_HOME: state });
    try {
      assert.match(server.url, /^https:\/\/127\.0\.0\.1:\d+\/\?token=[0-9a-f]{64}$/);
      const [, printed] = /^certificate SHA-256 fingerprint ((?:[0-9A-F]{2}:){31}[0-9A-F]{2})$/.exec(await fingerprintLine(server)) ?? [];
      assert.equal(await served(server.port), printed);
      fingerprints.push(printed);
      if (run === 1) continue;
      assert.equal(statSync(path.join(state, 'qm7140/web-key.pem')).mode & 0o777, 0o600);
      const browser = await launch();
      try {
        const context = await browser.newContext({ ignoreHTTPSErrors: true });
        const page = await context.newPage();
        await page.goto(server.url);
        await page.waitForSelector('#status:text("connected")');
        await page.waitForFunction(() => Number(document.body.dataset.updates) > 0);
        const [cookie] = await context.cookies();
        assert.equal(cookie.name, `__Host-qm7140-${server.port}`);
        assert.equal(cookie.secure, true);
        assert.equal(cookie.httpOnly, true);
      } finally {
        await browser.close();
      }
    } finally {
      await server.stop();
    }
  }
  assert.equal(fingerprints[1], fingerprints[0], 'the certificate is kept between runs');
});

test('plain HTTP to the TLS port is answered 400 with the https:// address', async () => {
  const server = await startServer(['--tls'], { XDG_STATE_HOME: state });
  try {
    const reply = await request(server.port, { headers: { Host: `localhost:${server.port}` } });
    assert.equal(reply.status, 400);
    assert.match(reply.body, new RegExp(`<a href="https://localhost:${server.port}/">`));
    assert.equal(reply.body.includes(server.token), false);
  } finally {
    await server.stop();
  }
});

test('a --listen the server cannot bind leaves the kept certificate as it was', async () => {
  const files = ['web-cert.pem', 'web-key.pem'].map((f) => path.join(state, 'qm7140', f));
  const kept = files.map((f) => readFileSync(f, 'utf8'));
  // A documentation address, on no interface here: never bound, never sent to.
  await assert.rejects(startServer(['--tls', '--listen', '192.0.2.1:0'], { XDG_STATE_HOME: state }), /server exited 1/);
  assert.deepEqual(files.map((f) => readFileSync(f, 'utf8')), kept);
});

test('under a loopback alias the certificate is made once, then kept', async () => {
  const lines = [];
  for (const run of [0, 1]) {
    const server = await startServer(['--tls', '--listen', '127.0.0.5:0'], { XDG_STATE_HOME: state });
    try {
      for (let i = 0; i < 100 && !server.output().includes('Ctrl+C ends'); i++) await new Promise((r) => setTimeout(r, 50));
      lines.push(server.output().split('\n')[2]);
    } finally {
      await server.stop();
    }
  }
  assert.match(lines[0], /^certificate made anew and kept in .*: the kept one does not name 127\.0\.0\.5; the old one's SHA-256 fingerprint was /);
  assert.doesNotMatch(lines[1], /^certificate made anew/);
});
