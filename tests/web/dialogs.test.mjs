// The three dialogs in Chromium, live against the simulated device: each control acts as
// the Windows control does and its register write shows in the grid.
import assert from 'node:assert/strict';
import { readFile } from 'node:fs/promises';
import { after, before, test } from 'node:test';
import { launch, openPage, startServer, until } from './helpers.mjs';

const DIGITAL = 0, LIMITER = 1, BOOST = 2;
let server, browser, page;
before(async () => {
  server = await startServer(['--devices', '2']);
  browser = await launch();
  page = await openPage(browser, server);
});
after(async () => { await browser?.close(); await server?.stop(); });

const panel = (p, d) => p.locator(`.panel[data-dialog="${d}"]`);
const control = (p, d, name) => panel(p, d).locator(`[data-name="${name}"]`);
// Shown from the menu, which also brings it to the front.
async function open(p, d) {
  await p.click(`#menu button[data-dialog="${d}"]`);
  await panel(p, d).waitFor({ state: 'visible' });
}
// Waits for register `r` of the page's grid to satisfy `test`; gives its value.
const register = (p, r, test = () => true) =>
  until(() => p.$eval(`#grid [data-reg="${r}"] > :nth-child(2)`, (td) => parseInt(td.textContent, 16)), test);

test('each dialog opens from the menu at its designed size, with its captions, and closes', async () => {
  const menu = await page.$$eval('#menu button', (b) => b.map((x) => x.textContent));
  assert.deepEqual(menu, ['Digital Control...', 'Limiter...', 'Boost...']);
  for (const d of [DIGITAL, LIMITER, BOOST]) {
    await open(page, d);
    assert.notEqual((await panel(page, d).locator('.title span').textContent()).trim(), '');
  }
  assert.equal(await control(page, BOOST, 'EnableBoost').evaluate((e) => [e.style.left, e.style.top].join()), '24px,16px');
  assert.equal(await control(page, LIMITER, 'LimiterPaintBox').evaluate((e) => e.style.width), '602px');
  // "&&" is one ampersand
  assert.equal(await control(page, DIGITAL, 'GroupBox4').locator('.legend').textContent(), 'Shutdown Control & PLL');
  await panel(page, BOOST).locator('.title button').click();
  await panel(page, BOOST).waitFor({ state: 'hidden' });
});

test('check boxes click, lists and radio groups select', async () => {
  await open(page, BOOST);
  await control(page, BOOST, 'EnableBoost').locator('input').click();
  assert.equal(await register(page, 2, (v) => v & 0x40), 0x40);
  await page.waitForFunction(() => document.querySelector('[data-name="EnableBoost"] input').checked);
  await control(page, BOOST, 'APTThreshold').selectOption({ index: 2 });
  assert.equal(await register(page, 20, (v) => (v & 0x0c) === 0x08) & 0x0c, 0x08);
  await open(page, DIGITAL);
  const digital = control(page, DIGITAL, 'InputMode').locator('input').nth(1);
  await digital.click();
  await page.waitForFunction(() => document.querySelectorAll('[data-name="InputMode"] input')[1].checked);
});

test('edits commit on Enter and on leaving with Tab; a track bar moves by keyboard', async () => {
  await open(page, LIMITER);
  const ip = control(page, LIMITER, 'InflectionPoint');
  await ip.fill('4.2');
  await ip.press('Enter');
  assert.equal(await register(page, 0x0b, (v) => v === 0xb1), 0xb1);
  assert.equal(await register(page, 0x0d, (v) => v === 0xbe), 0xbe);
  const level = control(page, LIMITER, 'Level');
  await level.fill('5');
  await level.press('Tab');
  assert.equal(await register(page, 0x0d, (v) => v === 0x78), 0x78);
  await page.waitForFunction(() => document.querySelector('[data-name="Level"]').value === '4.99');
  // The curve's name says the level as the dialog rounded it, not as typed.
  const named = () => page.evaluate(() => document.getElementById(document.querySelector('[data-name="LimiterPaintBox"]').getAttribute('aria-labelledby')).textContent);
  assert.match(await until(named, (n) => n.includes('level 4.99 V')), /limiter level 4\.99 V/);

  const attack = control(page, LIMITER, 'AttackTime');
  await attack.focus();
  for (let i = 0; i < 3; i++) await attack.press('ArrowRight');
  assert.equal(await register(page, 14, (v) => (v & 7) === 3) & 7, 3);
  await page.waitForFunction(() => document.querySelector('[data-name="AttackText"]').textContent === '1070 us');
});

// The plot of the Limiter's curve view, as the dialog computes it for a 602 x 394 box.
const W = 602, H = 394;
const ipVolts = (code) => code * (1 / 255) * 4.43 + 1.11;
const levelVolts = (code) => code * (1 / 255) * 10.6;
const slopeValue = (code) => code * (1 / 255) * 9.5 + 1.2;
const pixel = (ip, level) => [Math.trunc((W - 50) * (ip - 1) * 0.2 + 40), Math.trunc((H - 50) * (10.6 - level) * (1 / 10.6) + 10)];
function curve(codes) {
  const ip = ipVolts(codes.ip), level = levelVolts(codes.level), s = slopeValue(codes.slope);
  const e = level - (ip - 1) * s;
  return { knee: pixel(ip, level), foot: e > 0 ? pixel(1, e) : pixel(ip - level / s, 0) };
}
async function codes(p) {
  return { ip: await register(p, 0x0b), slope: await register(p, 0x0c), level: await register(p, 0x0d) };
}
// RGB of the canvas at a pixel of the box.
function rgb(p, x, y) {
  return control(p, LIMITER, 'LimiterPaintBox').evaluate((c, [px, py]) => {
    const r = window.devicePixelRatio || 1;
    return [...c.getContext('2d').getImageData(Math.round(px * r), Math.round(py * r), 1, 1).data.slice(0, 3)];
  }, [x, y]);
}
const teal = ([r, g, b]) => r < 90 && g > 110 && b > 110;

async function drag(p, from, to) {
  const box = await control(p, LIMITER, 'LimiterPaintBox').boundingBox();
  await p.mouse.move(box.x + from[0] + 0.5, box.y + from[1] + 0.5);
  await p.mouse.down();
  for (let k = 1; k <= 8; k++)
    await p.mouse.move(box.x + from[0] + ((to[0] - from[0]) * k) / 8 + 0.5, box.y + from[1] + ((to[1] - from[1]) * k) / 8 + 0.5);
  await p.mouse.up();
}

// The curve's codes live in the dialog until it writes them: Enter in its fields writes
// all three registers.
async function sync(p) {
  for (const name of ['InflectionPoint', 'Slope']) await control(p, LIMITER, name).press('Enter');
  await register(p, 0x0c, (v) => v !== 0);
}

test('both cursors drag with the pointer and the canvas shows the curve the registers give', async () => {
  await open(page, LIMITER);
  await sync(page);
  const before = curve(await codes(page));
  const target = [before.knee[0] - 60, before.knee[1] - 40];
  await drag(page, before.knee, target);
  const near = (a, b) => Math.abs(a[0] - b[0]) <= 3 && Math.abs(a[1] - b[1]) <= 3;
  const end = Date.now() + 5000;
  let now = curve(await codes(page));
  while (!near(now.knee, target) && Date.now() < end) now = curve(await codes(page));
  assert.ok(near(now.knee, target), `knee ${now.knee}, pointer ${target}`);
  assert.ok(teal(await rgb(page, now.knee[0] + 40, now.knee[1])), 'the flat part at the new level');
  assert.ok(!teal(await rgb(page, before.knee[0] + 80, before.knee[1])), 'the old flat part is gone');

  const slope = await register(page, 0x0c);
  await drag(page, now.foot, [now.foot[0] - 30, now.foot[1] - 60]);
  assert.notEqual(await register(page, 0x0c, (v) => v !== slope), slope);
  // The last frames of the drag may still be on their way: look until the picture has caught up.
  let found = false, middle;
  for (const end = Date.now() + 5000; !found && Date.now() < end; ) {
    now = curve(await codes(page));
    middle = [Math.round((now.knee[0] + now.foot[0]) / 2), Math.round((now.knee[1] + now.foot[1]) / 2)];
    for (let dy = -2; dy <= 2 && !found; dy++) found = teal(await rgb(page, middle[0], middle[1] + dy));
  }
  assert.ok(found, `the sloped part through ${middle}`);
});

test('two pages of one device stay in step, also when both drag at once', async () => {
  const other = await openPage(browser, server);
  await open(page, LIMITER);
  await open(other, LIMITER);
  await control(page, LIMITER, 'Enable').locator('input').click();
  await other.waitForFunction(() => document.querySelector('[data-name="Enable"] input').checked);
  await sync(page);
  const knee = curve(await codes(page)).knee;
  await Promise.all([drag(page, knee, [knee[0] + 50, knee[1] + 30]), drag(other, knee, [knee[0] - 50, knee[1] - 30])]);
  const shown = (p) => p.evaluate(() => ['InflectionPoint', 'Level', 'Slope'].map((n) => document.querySelector(`[data-name="${n}"]`).value).join());
  const picture = (p) => control(p, LIMITER, 'LimiterPaintBox').evaluate((c) => c.toDataURL());
  const state = async (p) => [await shown(p), await picture(p), JSON.stringify(await codes(p))].join();
  for (const end = Date.now() + 5000; (await state(page)) !== (await state(other)) && Date.now() < end; );
  assert.equal(await shown(page), await shown(other));
  assert.equal(await picture(page), await picture(other));
  assert.deepEqual(await codes(page), await codes(other));
  await other.close();
});

// What the module refused or rounded replaces at once what the person typed, picked or slid;
// another page of the device shows the same. A list and a track bar refuse only what a page
// with stale items or range would send: such a page is made by hand.
test('a refused or rounded value is replaced on screen by what the module kept, on both pages', async () => {
  const other = await openPage(browser, server);
  for (const p of [page, other]) for (const d of [DIGITAL, LIMITER]) await open(p, d);
  const shown = (p, d, name) => control(p, d, name).evaluate((e) => (e.tagName === 'SELECT' ? String(e.selectedIndex) : e.value));
  const stale = (d, name, value) => control(page, d, name).evaluate((e, v) => {
    if (e.tagName === 'SELECT') e.append(new Option('stale'));
    else e.max = String(Number(e.max) + 8);
    e.value = e.tagName === 'SELECT' ? 'stale' : v;
    e.dispatchEvent(new Event(e.tagName === 'SELECT' ? 'change' : 'input', { bubbles: true }));
  }, value);
  const type = (key) => (d, name, text) => control(page, d, name).fill(text).then(() => control(page, d, name).press(key));
  for (const [d, name, act, input, rounded] of [
    [DIGITAL, 'SDOUTTag', type('Enter'), '-1'], [DIGITAL, 'SDOUTTag', type('Enter'), '0x5'],
    [DIGITAL, 'DataOffset', type('Tab'), '256'], [LIMITER, 'InflectionPoint', type('Enter'), '5.55'],
    [LIMITER, 'InflectionPoint', type('Enter'), '4.2', '4.18'], [LIMITER, 'InflectionPoint', type('Enter'), '4.2', '4.18'],
    [LIMITER, 'Level', type('Enter'), '10.61'], [DIGITAL, 'DigitalSource', stale], [LIMITER, 'Hysteresis', stale, '9']]) {
    const kept = rounded ?? await shown(other, d, name);
    await act(d, name, input);
    for (const p of [page, other])
      assert.equal(await until(() => shown(p, d, name), (v) => v === kept), kept, `${name} ${input ?? ''} on ${p === page ? 'the acting' : 'the other'} page`);
  }
  await other.close();
});

test('the grid edits a register, the dialogs follow, and a bad state file changes nothing', async () => {
  await open(page, BOOST);
  await page.dblclick('#grid [data-reg="2"] > :nth-child(2)');
  await page.fill('#grid [data-reg="2"] input', '0x00');
  await page.press('#grid [data-reg="2"] input', 'Enter');
  await page.waitForFunction(() => !document.querySelector('[data-name="EnableBoost"] input').checked);
  // The log is written once a frame, after the dialogs.
  await page.waitForFunction(() => /W 0x80\/0 reg 0x02 = 0x00/.test(document.querySelector('#log').textContent));

  const saved = await page.evaluate(() => fetch('/state?dev=0').then((r) => r.text()));
  const load = (text) => page.setInputFiles('#load', { name: 'state.txt', mimeType: 'text/plain', buffer: Buffer.from(text) });
  await load('0x02 0x40\n0x14 0x0C\n0x02 0x100\n');
  await page.waitForFunction(() => document.querySelector('#state-message').textContent.includes(':3:'));
  assert.equal(await page.evaluate(() => fetch('/state?dev=0').then((r) => r.text())), saved);
  await load('0x02 0x40\n');
  await page.waitForFunction(() => document.querySelector('[data-name="EnableBoost"] input').checked);
});

test('settings download in three formats; a replayed script changes registers, a bad one nothing', async () => {
  const state = () => page.evaluate(() => fetch('/state?dev=0').then((r) => r.text()));
  const saved = await state();
  const files = {};
  for (const format of ['c', 'i2cset', 'script']) {
    const [download] = await Promise.all([page.waitForEvent('download'), page.click(`#export-${format}`)]);
    files[download.suggestedFilename()] = await readFile(await download.path(), 'utf8');
  }
  assert.deepEqual(Object.keys(files).sort(),
    ['qm7140-device-1-settings.h', 'qm7140-device-1-settings.sh', 'qm7140-device-1-settings.txt']);
  const replay = async (text, done) => {
    await page.setInputFiles('#replay', { name: 'script.txt', mimeType: 'text/plain', buffer: Buffer.from(text) });
    await page.waitForFunction((d) => document.querySelector('#state-message').textContent.includes(d), done);
    return page.textContent('#state-message');
  };
  await replay('w 0x80 0x02 0x00 0x00\nd 50\nw 0x80 0x14 0x00\nr 0x80 0x14 1\n', 'playing 4 step(s)');
  await page.waitForFunction(() => document.querySelector('#log').textContent.includes('R 0x80/0 reg 0x14 = 0x00'));
  assert.notEqual(await state(), saved);
  const changed = await state();
  assert.match(await replay('w 0x80 0x02 0x40\nw 0x80 0x100 0x00\n', 'script:2:'), /register "0x100" is not a hex number|above 0xFF/);
  assert.equal(await state(), changed);
  await replay(files['qm7140-device-1-settings.txt'], 'replayed');
  assert.equal(await state(), saved);
});

test("the device's figure opens Digital Control and highlights while that dialog is active", async () => {
  await page.click('#tabs button[data-dev="1"]');
  await page.waitForFunction(() => document.querySelector('.panel'));
  await page.dblclick('#figure');
  await panel(page, DIGITAL).waitFor({ state: 'visible' });
  await page.waitForFunction(() => ['1', '2'].includes(document.querySelector('#figure').dataset.state));
  await page.mouse.click(1400, 900);  // the empty desk: the dialog stops being active
  await page.waitForFunction(() => ['3', '0'].includes(document.querySelector('#figure').dataset.state));
  await page.waitForFunction(() => document.querySelector('#figure').dataset.state === '0');
});
