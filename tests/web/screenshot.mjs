// docs/web-limiter.png: the page in a 1024 x 700 window with the Limiter / AGC dialog open
// after a drag of its inflection cursor. Run: node screenshot.mjs OUTPUT
import { launch, openPage, startServer } from './helpers.mjs';

const server = await startServer();
const browser = await launch();
try {
  const page = await openPage(browser, server);
  await page.setViewportSize({ width: 1024, height: 700 });
  await page.click('#menu button[data-dialog="1"]');
  const view = page.locator('[data-name="LimiterPaintBox"]');
  await view.waitFor();
  await page.locator('[data-name="InflectionPoint"]').press('Enter');
  const box = await view.boundingBox();
  // The inflection cursor at its first place (3.59 V, 7.90 V), dragged up and left.
  await page.mouse.move(box.x + 326.5, box.y + 97.5);
  await page.mouse.down();
  for (let k = 1; k <= 10; k++) await page.mouse.move(box.x + 326.5 - 6 * k, box.y + 97.5 - 3 * k);
  await page.mouse.up();
  await page.waitForTimeout(300);
  await page.screenshot({ path: process.argv[2] });
  console.log(`== ${process.argv[2]}`);
} finally {
  await browser.close();
  await server.stop();
}
