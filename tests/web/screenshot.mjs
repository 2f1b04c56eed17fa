// The README's pictures of the page, into directory DIR: web-1280x800.png, the Limiter / AGC
// dialog after a drag of its inflection cursor, and web-390x844.png, the same on a phone.
// Run: node screenshot.mjs DIR
import path from 'node:path';
import { launch, openDialog, openPage, startServer } from './helpers.mjs';

const server = await startServer();
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
} finally {
  await browser.close();
  await server.stop();
}
