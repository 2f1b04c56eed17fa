// The bench on two pages of one device: a preset saved, compared with the chip as a table,
// applied, and undone by Ctrl+Z; both pages follow, and Ctrl+Z in an edit field stays the
// browser's.
import assert from 'node:assert/strict';
import { mkdtempSync, rmSync } from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { after, before, test } from 'node:test';
import { launch, openPage, startServer, until } from './helpers.mjs';

const data = mkdtempSync(path.join(os.tmpdir(), 'qm7140-bench-'));
let server, browser, pages;
before(async () => {
  server = await startServer(['--devices', '2'], { XDG_DATA_HOME: data, STATE_DIRECTORY: '' });
  browser = await launch();
  pages = [await openPage(browser, server), await openPage(browser, server)];
  for (const page of pages) await page.click('#bench-box summary');
});
after(async () => { await browser?.close(); await server?.stop(); rmSync(data, { recursive: true, force: true }); });

const reg = (page, r) => page.$eval(`#grid [data-reg="${r}"] > :nth-child(2)`, (td) => parseInt(td.textContent, 16));
const state = (page) => page.textContent('#preset-state');
// Waits until every page shows `want` as read by `read`.
async function onBoth(read, want) {
  for (const page of pages) assert.deepEqual(await until(() => read(page), (v) => `${v}` === `${want}`), want);
}
async function setRegister(page, r, v) {
  const cell = page.locator(`#grid [data-reg="${r}"] > :nth-child(2)`);
  await cell.dblclick();
  await cell.locator('input').fill(v);
  await cell.locator('input').press('Enter');
}
const rows = (page) => page.$$eval('#comparison-rows tr', (trs) => trs.map((tr) => [...tr.children].map((c) => c.textContent)));

test('a preset compared with the chip, applied and undone by Ctrl+Z, on two pages', async () => {
  const [a, b] = pages;
  const golden = await reg(a, 6);
  await a.fill('#preset-name', 'golden');
  await a.click('#preset-save');
  await onBoth(state, 'as golden');
  await until(() => b.$$eval('#presets option', (o) => o.map((e) => e.value)), (v) => v.includes('golden'));

  await setRegister(a, 6, '2A');
  await onBoth((p) => reg(p, 6), 0x2a);
  await onBoth(state, 'changed since golden');

  await b.click('#preset-compare');
  await b.waitForSelector('#comparison:not([hidden])');
  assert.equal(await b.textContent('#comparison-caption'), 'preset "golden" against chip');
  const hex = (v) => `0x${v.toString(16).toUpperCase().padStart(2, '0')}`;
  const table = await rows(b);
  assert.deepEqual(table.slice(0, 3), [['Register', 'preset "golden"', 'chip'], ['0x06', hex(golden), '0x2A'], ['Field', 'preset "golden"', 'chip']]);
  // The field by the register map's name for it, its values as the dialog shows them.
  assert.equal(table.length, 4);
  assert.match(table[3][0], /Data Offset/);
  assert.deepEqual(table[3].slice(1), [String(golden), '42']);

  await b.click('#preset-apply');
  assert.match(await until(() => b.textContent('#bench-message'), (t) => t !== ''), /^apply preset "golden": wrote 1 register\(s\) \(0x06\), \d+ already equal$/);
  await onBoth((p) => reg(p, 6), golden);
  await onBoth(state, 'as golden');

  await a.locator('#grid-caption').click();
  await a.keyboard.press('Control+z');
  await onBoth((p) => reg(p, 6), 0x2a);
  await onBoth(state, 'changed since golden');

  // In an edit field Ctrl+Z is the field's: only the Ctrl+Y after it reaches the device,
  // redoing the apply and leaving nothing to redo.
  await a.fill('#preset-name', 'typed');
  await a.locator('#preset-name').press('Control+z');
  await a.locator('#grid-caption').click();
  await a.keyboard.press('Control+y');
  await onBoth((p) => Promise.all([reg(p, 6), p.$eval('#redo', (e) => e.disabled)]), [golden, true]);
  await b.click('#compare-with');
  await b.selectOption('#compare-with', 'preset:golden');
  await b.click('#compare');
  await until(() => b.textContent('#comparison-caption'), (t) => t === 'preset "golden" and chip are equal');
  assert.deepEqual(await rows(b), []);
});

test('saving over a preset asks first; a file is applied and compared; a bad name is refused', async () => {
  const [a] = pages;
  await a.fill('#preset-name', 'golden');
  a.once('dialog', (d) => d.dismiss());
  await a.click('#preset-save');
  assert.equal(await a.inputValue('#preset-name'), 'golden', 'kept when not replaced');
  a.once('dialog', (d) => d.accept());
  await a.click('#preset-save');
  await until(() => a.textContent('#bench-message'), (t) => t === 'saved preset "golden"');

  await a.setInputFiles('#apply', { name: 'bench.txt', mimeType: 'text/plain', buffer: Buffer.from('0x06 0x11\n') });
  await onBoth((p) => reg(p, 6), 0x11);
  await a.setInputFiles('#compare-file', { name: 'bench.txt', mimeType: 'text/plain', buffer: Buffer.from('0x06 0x12\n') });
  await until(() => a.textContent('#comparison-caption'), (t) => t === 'file against chip');
  assert.deepEqual((await rows(a))[1], ['0x06', '0x12', '0x11']);

  await a.fill('#preset-name', 'a/b');
  await a.click('#preset-save');
  assert.match(await until(() => a.textContent('#bench-message'), (t) => t.includes('separator')), /holds a path separator/);
  assert.equal(await a.$eval('#bench-message', (e) => e.classList.contains('bad')), true);
});
