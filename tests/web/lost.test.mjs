// A page that loses its server: covered, taking no input, back when the server is; after
// a restart (a new run, a new token) it says to open the address the server printed.
import assert from 'node:assert/strict';
import { after, test } from 'node:test';
import { launch, openDialog, openPage, panel, startServer } from './helpers.mjs';

const browser = await launch();
const servers = [];
after(async () => { await browser.close(); for (const s of servers) await s.stop(); });
const start = async (args) => { const s = await startServer(args); servers.push(s); return s; };
const cover = (page) => page.evaluate(() => ({
  shown: !document.getElementById('cover').hidden, title: document.getElementById('cover-title').textContent,
  text: document.getElementById('cover-text').textContent, focus: document.activeElement.id,
}));

test('a dropped link covers the page until the page is connected again, then gives the focus back', async () => {
  const server = await start([]);
  const page = await openPage(browser, server);
  const sockets = [];
  await page.routeWebSocket(/\/ws$/, (ws) => { sockets.push([ws, ws.connectToServer()]); });
  await page.reload();
  await page.waitForFunction(() => document.getElementById('status').textContent === 'connected');
  await page.focus('#readall');
  for (const [ws, upstream] of sockets) { ws.close(); upstream.close(); }
  await page.waitForFunction(() => !document.getElementById('cover').hidden);
  assert.equal((await cover(page)).title, 'The server is not answering');
  await page.waitForFunction(() => document.getElementById('cover').hidden && document.getElementById('status').textContent === 'connected');
  assert.equal(await page.evaluate(() => document.activeElement.id), 'readall');
  assert.equal(await page.evaluate(() => document.querySelectorAll('[inert]').length), 0);
});

test('a stopped server: the notice covers the dialogs, no click, edit or key reaches the page; restarted, it asks for the new address', async () => {
  let server = await start(['--devices', '2']);
  const page = await openPage(browser, server);
  await openDialog(page, 2);
  const check = panel(page, 2).locator('[data-name="EnableBoost"] input');
  const box = await check.boundingBox(), cell = await page.locator('#grid [data-reg="2"] > :nth-child(2)').boundingBox();
  await server.stop();
  await page.waitForFunction(() => !document.getElementById('cover').hidden);
  assert.deepEqual(await cover(page), { shown: true, title: 'The server is not answering', focus: 'cover',
    text: 'Nothing done on this page reaches the device until it is back; trying again. If the server was restarted, open the address it printed.' });
  // What a person might do under the notice: all of it lands on the notice.
  const hit = (x, y) => page.evaluate(([px, py]) => document.elementFromPoint(px, py).closest('#cover') !== null, [x, y]);
  assert.deepEqual([await hit(box.x + 5, box.y + 5), await hit(cell.x + 5, cell.y + 5)], [true, true]);
  await page.mouse.click(box.x + 5, box.y + 5);
  await page.mouse.dblclick(cell.x + 5, cell.y + 5);
  for (const key of ['Tab', 'Tab', 'Shift+Tab', 'Enter', 'F2', 'Escape', 'Tab']) await page.keyboard.press(key);
  assert.deepEqual(await page.evaluate(() => [document.activeElement.id, document.querySelectorAll('#grid input').length,
    document.querySelector('.panel[data-dialog="2"]').hidden, document.querySelector('[data-name="EnableBoost"] input').checked]),
  ['cover', 0, false, false]);

  server = await start(['--devices', '2', '--listen', `127.0.0.1:${server.port}`]);
  await page.waitForFunction(() => document.getElementById('cover-title').textContent === 'The server was restarted', null, { timeout: 15000 });
  const { shown, text, focus } = await cover(page);
  assert.deepEqual([shown, focus], [true, 'cover']);
  assert.match(text, /open the address the server printed on its first line \(the one ending in \/\?token=…\)/);
  assert.equal(await page.textContent('#status'), 'disconnected: open the new address');
});
