// The page for people who use a keyboard or a screen reader: names, roles, Tab order, the
// curve view by arrow keys, the log as a live region; axe-core's WCAG 2.1 A and AA rules.
import assert from 'node:assert/strict';
import { after, before, test } from 'node:test';
import { accessibilityViolations, launch, openPage, startServer } from './helpers.mjs';

const DIGITAL = 0, LIMITER = 1, BOOST = 2;
let server, browser, page;
before(async () => {
  server = await startServer();
  browser = await launch();
  page = await openPage(browser, server);
});
after(async () => { await browser?.close(); await server?.stop(); });

const panel = (d) => page.locator(`.panel[data-dialog="${d}"]`);
async function open(d) {
  await page.click(`#menu button[data-dialog="${d}"]`);
  await panel(d).waitFor({ state: 'visible' });
}
async function close(d) {
  await panel(d).locator('.title button').click();
  await panel(d).waitFor({ state: 'hidden' });
}
const register = (r) => page.$eval(`#grid tr[data-reg="${r}"] td:nth-child(2)`, (td) => parseInt(td.textContent, 16));
async function until(read, test, ms = 5000) {
  const end = Date.now() + ms;
  for (;;) {
    const value = await read();
    if (test(value) || Date.now() > end) return value;
    await page.waitForTimeout(20);
  }
}

test('no WCAG 2.1 A or AA violation with no dialog open and with each one open', async () => {
  assert.deepEqual(await accessibilityViolations(page), [], 'no dialog');
  for (const d of [DIGITAL, LIMITER, BOOST]) {
    await open(d);
    assert.deepEqual(await accessibilityViolations(page), [], `dialog ${d}`);
    await close(d);
  }
});

test('controls are named by their captions, frames are groups, close buttons name their dialog', async () => {
  await open(DIGITAL);
  await open(LIMITER);
  await open(BOOST);
  const named = [
    ['slider', 'Time'], ['slider', 'Hysteresis'], ['slider', 'APT/VBAT'], ['slider', 'Release'],
    ['textbox', 'Slope'], ['textbox', 'Inflection Point'], ['textbox', 'Limiter Level'], ['textbox', 'SDOUT tag'],
    ['combobox', 'Digital Source'], ['combobox', 'PLL Source'], ['combobox', 'Threshold'], ['combobox', 'Delay'],
    ['radiogroup', 'Mode'], ['radiogroup', 'PDM Data Edge'], ['group', 'Attack'], ['group', 'Shutdown Control & PLL'],
    ['checkbox', 'Enable Boost'], ['button', 'Reset'], ['img', 'Limiter curve'],
    ['button', 'Close Digital Control'], ['button', 'Close Limiter / AGC'], ['button', 'Close BoostForm'],
    ['dialog', 'Limiter / AGC'], ['button', 'Load state…'], ['button', 'Replay script…'], ['log', 'Bus writes'],
  ];
  for (const [role, name] of named) assert.equal(await page.getByRole(role, { name, exact: true }).count(), 1, `${role} "${name}"`);
  // LRCLK: one in each of two groups, each named for its own caption.
  assert.equal(await page.getByRole('combobox', { name: 'LRCLK', exact: true }).count(), 2);
  for (const d of [DIGITAL, LIMITER, BOOST]) await close(d);
});

test('Tab reaches every button and link of the page and of an open dialog', async () => {
  await open(BOOST);
  await page.locator('#bar').click({ position: { x: 2, y: 2 } });
  const reached = new Set();
  for (let k = 0; k < 120; k++) {
    await page.keyboard.press('Tab');
    const id = await page.evaluate(() => {
      const e = document.activeElement;
      if (!e.dataset.tabSeen) e.dataset.tabSeen = String(Math.random());
      return e.dataset.tabSeen;
    });
    reached.add(id);
  }
  const missed = await page.evaluate(() => [...document.querySelectorAll('button, a[href]')]
    .filter((e) => e.offsetParent !== null && !e.dataset.tabSeen).map((e) => e.textContent || e.getAttribute('aria-label')));
  assert.deepEqual(missed, []);
  await close(BOOST);
});

// The inflection cursor's codes and the slope's as the registers hold them.
const codes = async () => ({ ip: await register(0x0b), slope: await register(0x0c), level: await register(0x0d) });
const written = () => page.evaluate(() => document.querySelector('#log-lines').textContent.trim().split('\n').filter((l) => / W /.test(l)).length);
const lastWrites = (n) => page.evaluate((k) => document.querySelector('#log-lines').textContent.trim().split('\n')
  .filter((l) => / W /.test(l)).slice(-k).map((l) => l.replace(/^\S+\s+/, '')), n);
const hex = (v) => `0x${v.toString(16).toUpperCase().padStart(2, '0')}`;

test('the curve view by keyboard: arrows move the focused cursor one code, writing as a drag does', async () => {
  await open(LIMITER);
  for (const name of ['InflectionPoint', 'Slope']) await panel(LIMITER).locator(`[data-name="${name}"]`).press('Enter');
  const first = await until(codes, (c) => c.slope !== 0);
  const view = page.getByRole('img', { name: 'Limiter curve' });
  await view.focus();
  const words = () => page.evaluate(() => document.getElementById(document.activeElement.getAttribute('aria-describedby')).textContent);
  assert.match(await words(), /^Inflection point 3\.59 V, limiter level 7\.90 V, slope 5\.97 V\/V\. Arrow keys move the inflection cursor/);

  // Each key: the same writes a drag of that cursor makes, in its order (11 and 13; 12).
  const steps = [
    ['ArrowRight', { ip: first.ip + 1 }, (c) => [`reg 0x0B = ${hex(c.ip)}`, `reg 0x0D = ${hex(c.level)}`]],
    ['ArrowUp', { level: first.level + 1 }, (c) => [`reg 0x0B = ${hex(c.ip)}`, `reg 0x0D = ${hex(c.level)}`]],
    ['ArrowLeft', { ip: first.ip }, (c) => [`reg 0x0B = ${hex(c.ip)}`, `reg 0x0D = ${hex(c.level)}`]],
    ['Tab', {}, null],
    ['ArrowRight', { slope: first.slope + 1 }, (c) => [`reg 0x0C = ${hex(c.slope)}`]],
    ['ArrowLeft', { slope: first.slope }, (c) => [`reg 0x0C = ${hex(c.slope)}`]],
  ];
  let want = { ...first, level: first.level };
  for (const [key, change, writes] of steps) {
    const before = await written();
    await page.keyboard.press(key);
    if (!writes) { assert.match(await words(), /move the slope cursor/); continue; }
    want = { ...want, ...change };
    const got = await until(codes, (c) => JSON.stringify(c) === JSON.stringify(want));
    assert.deepEqual(got, want, key);
    await until(written, (n) => n >= before + writes(want).length);
    assert.deepEqual((await lastWrites(writes(want).length)).map((l) => l.replace(/^W 0x80\/0 /, '')), writes(want), key);
  }
  await page.waitForFunction(() => document.querySelector('[data-name="InflectionPoint"]').value === '3.59');
  assert.match(await words(), /^Inflection point 3\.59 V, limiter level 7\.9\d V, slope 5\.97 V\/V/);
  // Tab from the slope cursor leaves the view.
  await page.keyboard.press('Tab');
  assert.notEqual(await page.evaluate(() => document.activeElement.dataset.name), 'LimiterPaintBox');
  await close(LIMITER);
});

test('the log is a polite live region that only adds, wraps long lines and keeps to its end', async () => {
  const log = page.locator('#log-lines');
  assert.equal(await log.getAttribute('role'), 'log');
  await open(BOOST);
  await page.evaluate(() => { window.firstLine = document.querySelector('#log-lines').firstChild; });
  for (let k = 0; k < 30; k++) await panel(BOOST).locator('[data-name="EnableBoost"] input').click();
  await until(() => page.evaluate(() => document.querySelector('#log-lines').childNodes.length), (n) => n > 3);
  // Lines already there are the same nodes: nothing is said twice.
  assert.ok(await page.evaluate(() => document.querySelector('#log-lines').contains(window.firstLine)));
  const scroll = () => page.$eval('#log', (e) => ({ top: e.scrollTop, over: e.scrollWidth - e.clientWidth, tall: e.scrollHeight > e.clientHeight }));
  const atEnd = await scroll();
  assert.ok(atEnd.tall, 'enough lines to scroll');
  assert.equal(atEnd.over, 0, 'no line runs past the box');
  assert.ok(Math.abs(atEnd.top) <= 1, 'at the end');
  // Scrolled back, new lines leave the view where the reader put it.
  await page.$eval('#log', (e) => { e.scrollTop = -60; });
  const text = await page.evaluate(() => document.elementFromPoint(...(() => { const r = document.querySelector('#log').getBoundingClientRect(); return [r.left + 20, r.top + 10]; })()).textContent.length);
  const anchor = await page.evaluate(() => { const r = document.querySelector('#log').getBoundingClientRect(); return document.caretRangeFromPoint(r.left + 20, r.top + 10).startOffset; });
  for (let k = 0; k < 4; k++) await panel(BOOST).locator('[data-name="EnableBoost"] input').click();
  await page.waitForTimeout(200);
  const after = await page.evaluate(() => { const r = document.querySelector('#log').getBoundingClientRect(); return document.caretRangeFromPoint(r.left + 20, r.top + 10).startOffset; });
  assert.ok(text > 0);
  assert.equal(after, anchor, 'the line at the top stays');
  await close(BOOST);
});
