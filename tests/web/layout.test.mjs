// Where the dialogs open and how the page's parts look in a window of a person's size:
// inside it, cascaded, kept in place; track bars with ticks and values; a grid that edits in
// place and says why a value is bad.
import assert from 'node:assert/strict';
import { after, before, test } from 'node:test';
import { launch, openPage, startServer } from './helpers.mjs';

let server, browser, page;
before(async () => {
  server = await startServer(['--devices', '2']);
  browser = await launch();
  page = await openPage(browser, server);
  await page.setViewportSize({ width: 1024, height: 700 });
});
after(async () => { await browser?.close(); await server?.stop(); });

const panel = (d) => page.locator(`.panel[data-dialog="${d}"]`);
async function open(d) {
  await page.click(`#menu button[data-dialog="${d}"]`);
  await panel(d).waitFor({ state: 'visible' });
}
async function closeAll() {
  for (const d of [0, 1, 2]) {
    if (!(await panel(d).isVisible())) continue;
    await panel(d).locator('.title button').click();
    await panel(d).waitFor({ state: 'hidden' });
  }
}
// Each open panel's box, and whether its title bar and close button are the topmost
// elements at their own points (nothing covers them, the window holds them).
const panels = () => page.evaluate(() => [...document.querySelectorAll('.panel:not([hidden])')].map((p) => {
  const box = p.getBoundingClientRect(), title = p.querySelector('.title').getBoundingClientRect();
  const close = p.querySelector('.title button').getBoundingClientRect();
  const on = (x, y, e) => e.contains(document.elementFromPoint(x, y));
  return {
    dialog: p.dataset.dialog, left: box.left, top: box.top, right: box.right, bottom: box.bottom,
    title: on(title.left + 4, title.top + 4, p.querySelector('.title')) && on(title.right - 30, title.top + 4, p.querySelector('.title')),
    close: on(close.left + close.width / 2, close.top + close.height / 2, p.querySelector('.title button')),
    scrolls: p.querySelector('.scroll').scrollHeight > p.querySelector('.scroll').clientHeight,
  };
}));

test('at 1024 x 700 every dialog opens inside the window, cascaded with every title bar in sight, in any order', async () => {
  for (const order of [[0, 1, 2], [2, 1, 0], [1, 0, 2]]) {
    await page.evaluate(() => sessionStorage.clear());
    await page.reload();
    await page.waitForSelector('#status:text("connected")');
    for (const d of order) await open(d);
    for (const p of await panels()) {
      assert.ok(p.left >= 0 && p.top >= 0 && p.right <= 1024 && p.bottom <= 700, `${order}: dialog ${p.dialog} inside: ${JSON.stringify(p)}`);
      assert.ok(p.title && p.close, `${order}: title bar of dialog ${p.dialog} in sight`);
      assert.ok(!p.scrolls, `${order}: dialog ${p.dialog} whole`);
    }
    await closeAll();
  }
});

test('a dialog keeps the place it was moved to, per device, when closed and opened again', async () => {
  await page.evaluate(() => sessionStorage.clear());
  await open(2);
  const title = await panel(2).locator('.title span').boundingBox();
  await page.mouse.move(title.x + 20, title.y + 8);
  await page.mouse.down();
  await page.mouse.move(title.x + 120, title.y + 208, { steps: 4 });
  await page.mouse.up();
  const moved = await panel(2).boundingBox();
  await closeAll();
  await open(2);
  assert.deepEqual(await panel(2).boundingBox(), moved);
  // Another device: its own place, the first one's back when it is chosen again.
  await page.click('#tabs button[data-dev="1"]');
  await open(2);
  assert.notDeepEqual(await panel(2).boundingBox(), moved);
  await page.click('#tabs button[data-dev="0"]');
  await page.reload();
  await page.waitForSelector('#status:text("connected")');
  await open(2);
  assert.deepEqual(await panel(2).boundingBox(), moved, 'after a reload of the page');
  await closeAll();
});

test('in a small window a dialog keeps its title bar and close button inside, the rest scrolls', async () => {
  await page.setViewportSize({ width: 560, height: 420 });
  await page.evaluate(() => sessionStorage.clear());
  await open(1);
  const [p] = await panels();
  assert.ok(p.left >= 0 && p.top >= 0 && p.right <= 560 && p.bottom <= 420, JSON.stringify(p));
  assert.ok(p.title && p.close && p.scrolls, JSON.stringify(p));
  await panel(1).locator('[data-name="Enable"] input').scrollIntoViewIfNeeded();
  assert.ok(await panel(1).locator('[data-name="Enable"] input').isVisible());
  await closeAll();
  await page.setViewportSize({ width: 1024, height: 700 });
});

test('track bars show a tick per position over the thumb, and each its value', async () => {
  await open(1);
  const bars = await panel(1).locator('input[type="range"]').evaluateAll((inputs) => inputs.map((input) => {
    const ticks = [...input.nextElementSibling.querySelectorAll('i')].map((t) => t.getBoundingClientRect());
    const box = input.getBoundingClientRect();
    const described = input.getAttribute('aria-describedby');
    const output = input.parentElement.querySelector(`output[for="${input.id}"]`);
    return {
      name: input.dataset.name, positions: Number(input.max) - Number(input.min) + 1, ticks: ticks.length,
      first: ticks[0].left + 0.5 - box.left, last: box.right - (ticks.at(-1).left + 0.5),
      above: ticks.every((t) => t.bottom <= box.top + box.height / 2),
      value: output ? output.value : document.getElementById(described)?.textContent,
    };
  }));
  assert.deepEqual(bars.map((b) => [b.name, b.ticks, b.value]),
    [['Hysteresis', 4, '0'], ['AttackTime', 8, '20 us'], ['APTVBAT', 4, '0'], ['Release', 16, '50 ms/step']]);
  for (const b of bars) {
    assert.equal(b.ticks, b.positions);
    assert.ok(b.above, `${b.name}: ticks on the top side`);
    assert.ok(Math.abs(b.first - 5.5) < 0.6 && Math.abs(b.last - 5.5) < 0.6, `${b.name}: ends under the thumb's centre ${b.first} ${b.last}`);
  }
  // The value shown follows the position.
  const hysteresis = panel(1).locator('[data-name="Hysteresis"]');
  await hysteresis.focus();
  await hysteresis.press('ArrowRight');
  await page.waitForFunction(() => document.querySelector('output[for$="-c10"]').value === '1');
  await closeAll();
});

const cell = (r, column) => page.locator(`#grid tr[data-reg="${r}"] td:nth-child(${column + 1})`);
const shape = () => page.evaluate(() => {
  const row = document.querySelector('#grid tr[data-reg="2"]');
  return [row.getBoundingClientRect().height, ...[...row.cells].map((c) => c.getBoundingClientRect().width)];
});

test('the grid edits in place, F2 edits the focused cell, a bad value says why', async () => {
  const before = await shape();
  await cell(2, 1).dblclick();
  assert.deepEqual(await shape(), before, 'no reflow while editing');
  await page.keyboard.press('Escape');
  // Arrow keys move the focus; F2 edits the cell that has it, binary here.
  await page.keyboard.press('ArrowRight');
  await page.keyboard.press('ArrowDown');
  await page.keyboard.press('F2');
  const input = cell(3, 2).locator('input');
  assert.match(await input.inputValue(), /^[01]{4} [01]{4}$/);
  await input.fill('0102');
  await input.press('Enter');
  assert.equal(await input.getAttribute('aria-invalid'), 'true');
  const why = await page.textContent('#grid-error');
  assert.match(why, /"0102" is not a byte\. Binary: up to eight 0s and 1s/);
  assert.equal(await input.getAttribute('aria-describedby'), 'grid-error');
  assert.ok(await page.locator('#grid-error').isVisible());
  await input.fill('0000 0101');
  await input.press('Enter');
  await page.waitForFunction(() => document.querySelector('#grid tr[data-reg="3"] td:nth-child(2)').textContent === '0x05');
  assert.equal(await page.textContent('#grid-error'), '');
  assert.equal(await page.evaluate(() => document.activeElement.closest('tr').dataset.reg), '3');
});
