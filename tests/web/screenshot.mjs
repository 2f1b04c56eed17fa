// The README's pictures of the page, into directory DIR: web-1280x800.png, the Limiter / AGC
// dialog after a drag of its inflection cursor, web-390x844.png, the same on a phone, and
// web-compare.png, a preset compared with the chip after a change.
// Run: node screenshot.mjs DIR
import { mkdtempSync, rmSync } from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { launch, openDialog, openPage, startServer } from './helpers.mjs';

const data = mkdtempSync(path.join(os.tmpdir(), 'qm7140-shots-'));
const server = await startServer([], { XDG_DATA_HOME: data, STATE_DIRECTORY: '' });
const browser = await launch();
const shot = async (page, name) => {
  await page.evaluate(() => new Promise((r) => requestAnimationFrame(() => requestAnimationFrame(r))));
  await page.screenshot({ path: path.join(process.argv[2], name) });
  console.log(`== ${name}`);
};
try {
  const page = await openPage(browser, server);
  await page.setViewportSize({ width: 1280, height: 800 });
  await openDialog(page, 1);
  const view = page.locator('[data-name="LimiterPaintBox"]');
  await page.locator('[data-name="InflectionPoint"]').press('Enter');
  const box = await view.boundingBox();
  // The inflection cursor at its first place (3.59 V, 7.90 V), dragged up and left.
  await page.mouse.move(box.x + 326.5, box.y + 97.5);
  await page.mouse.down();
  for (let k = 1; k <= 10; k++) await page.mouse.move(box.x + 326.5 - 6 * k, box.y + 97.5 - 3 * k);
  await page.mouse.up();
  await page.waitForFunction(() => document.querySelector('[data-name="InflectionPoint"]').value !== '3.59');
  await shot(page, 'web-1280x800.png');
  await page.setViewportSize({ width: 390, height: 844 });
  await shot(page, 'web-390x844.png');

  // The golden state saved, the curve dragged on, then the chip compared with it.
  await page.setViewportSize({ width: 1280, height: 800 });
  await page.click('#bench-box summary');
  await page.fill('#preset-name', 'golden');
  await page.click('#preset-save');
  await page.waitForFunction(() => document.querySelector('#preset-state').textContent === 'as golden');
  await page.mouse.move(box.x + 266.5, box.y + 67.5);
  await page.mouse.down();
  for (let k = 1; k <= 10; k++) await page.mouse.move(box.x + 266.5 - 4 * k, box.y + 67.5 + 2 * k);
  await page.mouse.up();
  await page.waitForFunction(() => document.querySelector('#preset-state').textContent === 'changed since golden');
  // The dialog closed (Escape, as a person would), so that the comparison beside it shows.
  await view.focus();
  await page.keyboard.press('Escape');
  await page.click('#preset-compare');
  await page.waitForSelector('#comparison:not([hidden])');
  await page.locator('#comparison').scrollIntoViewIfNeeded();
  await shot(page, 'web-compare.png');
} finally {
  await browser.close();
  await server.stop();
  rmSync(data, { recursive: true, force: true });
}
