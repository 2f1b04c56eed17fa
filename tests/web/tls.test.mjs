// --tls: HTTPS and WSS with a self-signed certificate made once and kept, its fingerprint
// printed on the second line; the page works in Chromium over it and its cookie is Secure.
import assert from 'node:assert/strict';
import { mkdtempSync, statSync } from 'node:fs';
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
      await assert.rejects(request(server.port, { headers: { Host: `127.0.0.1:${server.port}` } }));
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
