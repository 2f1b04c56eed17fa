// How the page takes the server's updates: a message carries only what changed, and the
// page writes the DOM only where a value changed.
import assert from 'node:assert/strict';
import { after, before, test } from 'node:test';
import { launch, openPage, startServer } from './helpers.mjs';

let server, browser;
before(async () => {
  server = await startServer();
  browser = await launch();
});
after(async () => { await browser?.close(); await server?.stop(); });

// Every record of a message cut to what differs from the last one of its kind the page
// was sent: the least a server may send.
function leastOf(seen, m) {
  const cut = (kind, key, record) => {
    const last = seen.get(`${kind}:${key}`) || {};
    seen.set(`${kind}:${key}`, { ...last, ...record });
    const out = {};
    for (const [k, v] of Object.entries(record)) if (JSON.stringify(last[k]) !== JSON.stringify(v)) out[k] = v;
    return out;
  };
  if (m.forms) m.forms = m.forms.map((f) => ({ ...cut('form', f.dlg, f), dlg: f.dlg }));
  if (m.controls) m.controls = m.controls.map((c) => ({ ...cut('control', `${c.dlg}:${c.c}`, c), dlg: c.dlg, c: c.c }));
  for (const part of ['bus', 'figure']) if (m[part]) m[part] = cut(part, 0, m[part]);
  return m;
}

// What a person sees of the Limiter dialog, the curve's pixels included.
const look = (page) => page.evaluate(() => [...document.querySelectorAll('.panel[data-dialog="1"] [data-name]')].map((e) => {
  const box = e.querySelector('input') || e;
  return [e.dataset.name, e.style.cssText, e.textContent, box.value, box.checked, box.disabled, e.tagName === 'CANVAS' ? e.toDataURL() : ''];
}));

async function drag(page, from, to) {
  const box = await page.locator('[data-name="LimiterPaintBox"]').boundingBox();
  await page.mouse.move(box.x + from[0] + 0.5, box.y + from[1] + 0.5);
  await page.mouse.down();
  for (let k = 1; k <= 8; k++) await page.mouse.move(box.x + from[0] + ((to[0] - from[0]) * k) / 8 + 0.5, box.y + from[1] + ((to[1] - from[1]) * k) / 8 + 0.5);
  await page.mouse.up();
}

test('a page sent only what changed shows what a page sent everything shows', async () => {
  const full = await openPage(browser, server);
  const least = await browser.newPage({ viewport: { width: 1500, height: 1000 } });
  await least.routeWebSocket(/\/ws$/, (ws) => {
    const upstream = ws.connectToServer();
    const seen = new Map();
    upstream.onMessage((text) => {
      const m = JSON.parse(text);
      if (m.t === 'hello') seen.clear();
      ws.send(JSON.stringify(leastOf(seen, m)));
    });
  });
  await least.goto(server.url);
  await least.waitForFunction(() => Number(document.body.dataset.updates) > 0);
  for (const page of [full, least]) {
    await page.click('#menu button[data-dialog="1"]');
    await page.locator('.panel[data-dialog="1"]').waitFor({ state: 'visible' });
  }
  await least.locator('[data-name="InflectionPoint"]').fill('4.2');
  await least.locator('[data-name="InflectionPoint"]').press('Enter');
  await full.locator('[data-name="Enable"] input').click();
  await full.locator('[data-name="Release"]').focus();
  await full.keyboard.press('ArrowRight');
  await drag(least, [359, 63], [300, 120]);
  await full.waitForTimeout(300);
  assert.deepEqual(await look(least), await look(full));
  await least.close();
  await full.close();
});

test("a drag changes nothing in the dialog's DOM but the values that moved", async () => {
  const page = await openPage(browser, server);
  await page.click('#menu button[data-dialog="1"]');
  const view = page.locator('[data-name="LimiterPaintBox"]');
  await view.waitFor();
  await page.locator('[data-name="InflectionPoint"]').press('Enter');
  await page.waitForTimeout(200);
  await page.evaluate(() => {
    window.mutations = [];
    new MutationObserver((list) => window.mutations.push(...list.map((m) => `${m.type} ${m.target.dataset?.name ?? m.target.nodeName} ${m.attributeName ?? ''}`)))
      .observe(document.querySelector('#desk'), { subtree: true, childList: true, attributes: true, characterData: true });
    window.paints = 0;
    document.querySelector('[data-name="LimiterPaintBox"]').addEventListener('painted', () => window.paints++);
  });
  const ip = () => page.locator('[data-name="InflectionPoint"]').inputValue();
  const before = await ip();
  const knee = await page.evaluate(() => {
    const v = parseFloat(document.querySelector('[data-name="InflectionPoint"]').value), l = parseFloat(document.querySelector('[data-name="Level"]').value);
    return [Math.trunc(552 * (v - 1) * 0.2 + 40), Math.trunc(344 * (10.6 - l) / 10.6 + 10)];
  });
  await drag(page, knee, [knee[0] - 40, knee[1] + 30]);
  await page.waitForFunction((b) => document.querySelector('[data-name="InflectionPoint"]').value !== b, before);
  assert.ok(await page.evaluate(() => window.paints) > 0);
  assert.deepEqual(await page.evaluate(() => window.mutations), []);
  await page.close();
});
