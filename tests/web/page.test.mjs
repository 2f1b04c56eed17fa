// The page for people: dialogs inside a window of a person's size, names and keys for a
// keyboard or a screen reader (axe-core's WCAG 2.1 A and AA rules), and updates that carry
// only what changed.
import assert from 'node:assert/strict';
import { after, before, test } from 'node:test';
import { accessibilityViolations, closeDialogs, launch, openDialog, openPage, panel, signIn, startServer, until } from './helpers.mjs';

let server, browser, page;
before(async () => {
  server = await startServer(['--devices', '2']);
  browser = await launch();
  page = await openPage(browser, server);
  await page.setViewportSize({ width: 1024, height: 700 });
});
after(async () => { await browser?.close(); await server?.stop(); });

const fresh = async () => { await page.evaluate(() => sessionStorage.clear()); await page.reload(); await page.waitForSelector('#status:text("connected")'); };
// Each open panel inside the window, and whether at least 10 px of its title bar (its close
// button aside) lie topmost in a row, for a pointer to grab.
const panels = () => page.evaluate(() => [...document.querySelectorAll('.panel:not([hidden])')].map((p) => {
  const box = p.getBoundingClientRect(), title = p.querySelector('.title'), t = title.getBoundingClientRect();
  const close = title.querySelector('button');
  let grip = 0;
  for (let x = Math.ceil(t.left), run = 0; x < t.right; x++) {
    const e = document.elementFromPoint(x, t.top + t.height / 2);
    run = e && title.contains(e) && !close.contains(e) ? run + 1 : 0;
    grip = Math.max(grip, run);
  }
  const scroll = p.querySelector('.scroll');
  return { d: p.dataset.dialog, inside: box.left >= 0 && box.top >= 0 && box.right <= innerWidth && box.bottom <= innerHeight,
    title: grip >= 10, scrolls: scroll.scrollHeight > scroll.clientHeight };
}));

test('dialogs open inside the window, each placed so that every open title bar can be grabbed; a small window scrolls them', async () => {
  const orders = [[0, 1, 2], [0, 2, 1], [1, 0, 2], [1, 2, 0], [2, 0, 1], [2, 1, 0]];
  for (const [width, height] of [[1024, 700], [1280, 800]]) {
    await page.setViewportSize({ width, height });
    for (const order of orders) {
      await closeDialogs(page);
      await fresh();
      for (const [k, d] of order.entries()) {
        await openDialog(page, d);
        const open = order.slice(0, k + 1).map((o) => ({ d: String(o), inside: true, title: true, scrolls: false }));
        assert.deepEqual((await panels()).sort((a, b) => a.d - b.d), open.sort((a, b) => a.d - b.d), `${width} x ${height}, ${order}`);
      }
    }
  }
  await closeDialogs(page);
  await page.setViewportSize({ width: 560, height: 420 });
  await fresh();
  await openDialog(page, 1);
  assert.deepEqual(await panels(), [{ d: '1', inside: true, title: true, scrolls: true }]);
  await page.setViewportSize({ width: 1024, height: 700 });
  await closeDialogs(page);
});

test('a dialog keeps the place it was moved to, per device, also over a reload', async () => {
  await openDialog(page, 2);
  const title = await panel(page, 2).locator('.title span').boundingBox();
  await page.mouse.move(title.x + 20, title.y + 8);
  await page.mouse.down();
  await page.mouse.move(title.x + 120, title.y + 208, { steps: 4 });
  await page.mouse.up();
  const moved = await panel(page, 2).boundingBox();
  await page.click('#tabs button[data-dev="1"]');
  await openDialog(page, 2);
  assert.notDeepEqual(await panel(page, 2).boundingBox(), moved);
  await page.click('#tabs button[data-dev="0"]');
  await page.reload();
  await openDialog(page, 2);
  assert.deepEqual(await panel(page, 2).boundingBox(), moved);
  await closeDialogs(page);
});

test('track bars show a tick per position on their top side, and each its value', async () => {
  await openDialog(page, 1);
  const bars = await panel(page, 1).locator('input[type="range"]').evaluateAll((inputs) => inputs.map((input) => {
    const ticks = [...input.nextElementSibling.children].map((t) => t.getBoundingClientRect()), box = input.getBoundingClientRect();
    const value = input.parentElement.querySelector(`output[for="${input.id}"]`)?.value ?? document.getElementById(input.getAttribute('aria-describedby')).textContent;
    return [input.dataset.name, ticks.length === Number(input.max) - Number(input.min) + 1, ticks.every((t) => t.bottom <= box.top + box.height / 2),
      Math.round(ticks[0].left - box.left), Math.round(box.right - ticks.at(-1).right), value];
  }));
  assert.deepEqual(bars, [['AttackTime', true, true, 5, 5, '20 us'], ['Hysteresis', true, true, 5, 5, '0'],
    ['APTVBAT', true, true, 5, 5, '0'], ['Release', true, true, 5, 5, '50 ms/step']]);
  await panel(page, 1).locator('[data-name="Hysteresis"]').press('ArrowRight');
  await page.waitForFunction(() => document.querySelector('output[for$="-c10"]').value === '1');
  await closeDialogs(page);
});

test('the grid edits in place, F2 edits the focused cell, a bad value says why', async () => {
  const shape = () => page.$eval('#grid [data-reg="2"]', (row) => [row, ...row.children].map((e) => e.getBoundingClientRect()[e === row ? 'height' : 'width']));
  const before = await shape();
  await page.dblclick('#grid [data-reg="2"] > :nth-child(2)');
  assert.deepEqual(await shape(), before, 'no reflow');
  for (const key of ['Escape', 'ArrowRight', 'ArrowDown', 'F2']) await page.keyboard.press(key);
  const input = page.locator('#grid [data-reg="3"] > :nth-child(3) input');
  assert.match(await input.inputValue(), /^[01]{4} [01]{4}$/);
  await input.fill('0102');
  await input.press('Enter');
  assert.deepEqual([await input.getAttribute('aria-invalid'), await input.getAttribute('aria-describedby'), await page.locator('#grid-error').isVisible()], ['true', 'grid-error', true]);
  assert.match(await page.textContent('#grid-error'), /"0102" is not a byte\. Binary: up to eight 0s and 1s/);
  await input.fill('0000 0101');
  await input.press('Enter');
  await page.waitForFunction(() => document.querySelector('#grid [data-reg="3"] > :nth-child(2)').textContent === '0x05');
  assert.equal(await page.textContent('#grid-error'), '');
});

test('the grid is a register map: each row described by the dialog fields the module binds to it', async () => {
  const described = (r) => page.$eval(`#grid [data-reg="${r}"]`, (row) => document.getElementById(row.getAttribute('aria-describedby')).textContent);
  for (const [r, fields] of [
    [0x0b, 'Limiter / AGC: Inflection Point (7..0)'],
    [0x01, 'Digital Control: PLL Source (5..4); Digital Control: Noisegate (3); Digital Control: Mute (2); Digital Control: Software Shutdown (1); Digital Control: Reset (0)'],
    [0x02, 'BoostForm: Enable Boost (6); BoostForm: Enable Auto Pass Through (5); Limiter / AGC: Enable Limiter (2)'],
    [0x04, 'Digital Control: SDOUT tag (7..4); Digital Control: SDOUT tri-state (2); Digital Control: LRCLK (1..0)'],
    [0x06, 'Digital Control: Data Offset (7..0)'], [0x0c, 'Limiter / AGC: Slope (7..0)'],
    [0x0e, 'Limiter / AGC: Hysteresis (7..6); Limiter / AGC: No limit above inflection point (5); Limiter / AGC: APT/VBAT (4..3); Limiter / AGC: Time (2..0)'],
    [0x08, 'No dialog field is bound to it.']]) assert.equal(await described(r), fields, `register ${r}`);
  await page.click('#grid [data-reg="11"] > :nth-child(2)');
  assert.equal(await page.textContent('#grid-field'), '0x0B: Limiter / AGC: Inflection Point (7..0)');
});

test('the empty desk says where the dialogs open from, and only while none is open', async () => {
  await closeDialogs(page);
  const hint = page.locator('#desk-hint');
  assert.match(await hint.textContent(), /open one from the menu above \(Digital Control\.\.\., Limiter\.\.\., Boost\.\.\.\)/);
  assert.ok(await hint.isVisible());
  await openDialog(page, 2);
  await page.waitForFunction(() => getComputedStyle(document.getElementById('desk-hint')).visibility === 'hidden');
  await closeDialogs(page);
  await hint.waitFor({ state: 'visible' });
});

test('no WCAG 2.1 A/AA violation with no dialog or any one open; controls named by their captions', async () => {
  assert.deepEqual(await accessibilityViolations(page), []);
  for (const d of [0, 1, 2]) {
    await openDialog(page, d);
    assert.deepEqual(await accessibilityViolations(page), [], `dialog ${d}`);
  }
  const named = [['slider', 'Hysteresis'], ['slider', 'APT/VBAT'], ['textbox', 'Inflection Point'], ['textbox', 'Limiter Level'],
    ['combobox', 'Digital Source'], ['combobox', 'Threshold'], ['radiogroup', 'Mode'], ['group', 'Attack'], ['group', 'Shutdown Control & PLL'],
    ['checkbox', 'Enable Boost'], ['img', /^Limiter curve: inflection point [\d.]+ V, limiter level [\d.]+ V, slope [\d.]+ V\/V$/], ['button', 'Close Limiter / AGC'], ['button', 'Close BoostForm'],
    ['dialog', 'Digital Control'], ['button', 'Replay script…'], ['log', 'Bus writes']];
  for (const [role, name] of named) assert.equal(await page.getByRole(role, { name, exact: true }).count(), 1, `${role} "${name}"`);
  await closeDialogs(page);
});

test('Tab reaches every button and link of the page and of an open dialog', async () => {
  await openDialog(page, 2);
  await page.locator('#bar').click({ position: { x: 2, y: 2 } });
  for (let k = 0; k < 80; k++) { await page.keyboard.press('Tab'); await page.evaluate(() => { document.activeElement.dataset.tabbed = '1'; }); }
  assert.deepEqual(await page.$$eval('button, a[href]', (all) => all.filter((e) => e.offsetParent && e.checkVisibility() && !e.dataset.tabbed).map((e) => e.textContent)), []);
  await closeDialogs(page);
});

test('on the curve view the arrow keys move the focused cursor one code, writing as a drag does', async () => {
  await openDialog(page, 1);
  for (const name of ['InflectionPoint', 'Slope']) await panel(page, 1).locator(`[data-name="${name}"]`).press('Enter');
  const reg = (r) => page.$eval(`#grid [data-reg="${r}"] > :nth-child(2)`, (td) => parseInt(td.textContent, 16));
  const codes = async () => [await reg(0x0b), await reg(0x0d), await reg(0x0c)];
  // The writes' registers and bytes, without the fields they name.
  const writes = () => page.$eval('#log-lines', (log) => log.textContent.split('\n').filter((l) => / W /.test(l))
    .map((l) => l.slice(l.indexOf('reg')).replace(/ {2}\(.*\)$/, '')));
  const hex = (v) => `0x${v.toString(16).toUpperCase().padStart(2, '0')}`;
  const [ip, level, slope] = await until(codes, (c) => c[2] !== 0);
  await page.getByRole('img', { name: 'Limiter curve' }).focus();
  const words = () => page.evaluate(() => `${document.getElementById(document.activeElement.getAttribute('aria-labelledby')).textContent}. `
    + document.getElementById(document.activeElement.getAttribute('aria-describedby')).textContent);
  assert.match(await words(), /^Limiter curve: inflection point 3\.59 V, limiter level 7\.90 V, slope 5\.97 V\/V\. Arrow keys move the inflection cursor/);
  // A drag of the inflection cursor writes 11 and 13, of the slope cursor 12.
  const drag = { ip: (w) => [`reg 0x0B = ${hex(w[0])}`, `reg 0x0D = ${hex(w[1])}`], slope: (w) => [`reg 0x0C = ${hex(w[2])}`] };
  for (const [key, want, cursor] of [['ArrowRight', [ip + 1, level, slope], 'ip'], ['ArrowUp', [ip + 1, level + 1, slope], 'ip'],
    ['ArrowLeft', [ip, level + 1, slope], 'ip'], ['Tab'], ['ArrowRight', [ip, level + 1, slope + 1], 'slope'], ['ArrowLeft', [ip, level + 1, slope], 'slope']]) {
    const before = (await writes()).length;
    await page.keyboard.press(key);
    if (!want) { assert.match(await words(), /move the slope cursor/); continue; }
    assert.deepEqual(await until(codes, (c) => `${c}` === `${want}`), want, key);
    assert.deepEqual((await until(writes, (w) => w.length >= before + drag[cursor](want).length)).slice(before), drag[cursor](want), key);
  }
  await page.keyboard.press('Tab');
  assert.notEqual(await page.evaluate(() => document.activeElement.dataset.name), 'LimiterPaintBox', 'Tab from the slope cursor leaves');
  await closeDialogs(page);
});

// With the inflection point at 0x03 and the level at 0xBE, a pixel of the view spans more than
// one slope code at 0x66: a key is one code, not one pixel.
test('one arrow key on the slope cursor at code 0x66 writes 0x67 alone', async () => {
  await openDialog(page, 1);
  for (const [r, v] of [[0x0b, '03'], [0x0d, 'BE'], [0x0c, '66']]) {
    const cell = page.locator(`#grid [data-reg="${r}"] > :nth-child(2)`);
    await cell.dblclick();
    await cell.locator('input').fill(v);
    await cell.locator('input').press('Enter');
  }
  // The log's lines after the grid's edit, without their times.
  const since = () => page.$eval('#log-lines', (log) => {
    const lines = log.textContent.split('\n').map((line) => line.slice(line.indexOf('  ') + 2));
    const edit = lines.findLastIndex((line) => line.startsWith('W 0x80/0 reg 0x0C = 0x66'));
    return edit < 0 ? null : lines.slice(edit + 1).filter((line) => line.startsWith('W '));
  });
  assert.deepEqual(await until(since, (lines) => lines !== null), []);
  await page.getByRole('img', { name: 'Limiter curve' }).focus();
  await page.keyboard.press('Tab');
  await page.keyboard.press('ArrowRight');
  assert.deepEqual(await until(since, (lines) => lines.length > 0), ['W 0x80/0 reg 0x0C = 0x67  (Limiter / AGC: Slope)']);
  await page.waitForFunction(() => document.querySelector('[data-name="Slope"]').value === '5.04');
  await closeDialogs(page);
});

test('the log is a polite live region that only adds, wraps and keeps to its end', async () => {
  await openDialog(page, 2);
  const first = await page.evaluateHandle(() => document.querySelector('#log-lines').firstChild);
  for (let k = 0; k < 30; k++) await panel(page, 2).locator('[data-name="EnableBoost"] input').click();
  await until(() => page.$eval('#log-lines', (l) => l.childNodes.length), (n) => n > 3);
  assert.ok(await page.evaluate((node) => document.querySelector('#log-lines[role="log"]').contains(node), first), 'old lines stay as they were');
  assert.deepEqual(await page.$eval('#log', (e) => [Math.abs(e.scrollTop) <= 1, e.scrollWidth === e.clientWidth, e.scrollHeight > e.clientHeight]), [true, true, true]);
  await closeDialogs(page);
});

// A message cut to what differs from the last record of its kind: the least a server may send.
function least(seen, m) {
  const cut = (key, record) => {
    const last = seen.get(key) || {};
    seen.set(key, { ...last, ...record });
    return Object.fromEntries(Object.entries(record).filter(([k, v]) => ['dlg', 'c'].includes(k) || JSON.stringify(last[k]) !== JSON.stringify(v)));
  };
  if (m.forms) m.forms = m.forms.map((f) => cut(`form ${f.dlg}`, f));
  if (m.controls) m.controls = m.controls.map((c) => cut(`control ${c.dlg} ${c.c}`, c));
  for (const part of ['bus', 'figure']) if (m[part]) m[part] = cut(part, m[part]);
  return m;
}

test('a page sent only what changed shows what a page sent everything shows; a drag writes no DOM but the curve', async () => {
  const cut = await browser.newPage({ viewport: { width: 1500, height: 1000 } });
  let upstream;
  await cut.routeWebSocket(/\/ws$/, (ws) => {
    const seen = new Map();
    upstream = ws.connectToServer();
    upstream.onMessage((text) => ws.send(JSON.stringify(least(seen, JSON.parse(text)))));
  });
  // The server answers a page's messages in order: once its refusal of one sent now is shown,
  // the answers to all the page sent before it are in. (A click on the menu first leaves the
  // active dialog, as on a desktop, and the menu then activates it again: two answers.)
  const settled = async (mark) => {
    upstream.send(JSON.stringify({ t: mark }));
    await cut.waitForFunction((m) => [...document.querySelectorAll('#errors div')].some((e) => e.textContent.includes(m)), mark);
  };
  await signIn(cut, server);
  await cut.goto(`${server.origin}/`);
  for (const p of [page, cut]) { await p.waitForSelector('#status:text("connected")'); await openDialog(p, 1); }
  await settled('settled-before-the-drag');
  await cut.waitForSelector('.panel[data-dialog="1"].active');
  await cut.evaluate(() => {
    window.mutations = [];
    new MutationObserver((list) => window.mutations.push(...list.map((m) => `${m.type} ${m.target.id || m.target.className} ${m.attributeName ?? ''}`))).observe(document.querySelector('#desk'), { subtree: true, attributes: true, childList: true, characterData: true });
  });
  const box = await cut.locator('[data-name="LimiterPaintBox"]').boundingBox();
  const ip = () => cut.locator('[data-name="InflectionPoint"]').inputValue();
  const [before, knee] = [await ip(), await cut.evaluate(() => {
    const [v, l] = ['InflectionPoint', 'Level'].map((n) => parseFloat(document.querySelector(`[data-name="${n}"]`).value));
    return [Math.trunc(552 * (v - 1) * 0.2 + 40), Math.trunc((344 * (10.6 - l)) / 10.6 + 10)];
  })];
  await cut.mouse.move(box.x + knee[0] + 0.5, box.y + knee[1] + 0.5);
  await cut.mouse.down();
  for (let k = 1; k <= 8; k++) await cut.mouse.move(box.x + knee[0] + 0.5 - 5 * k, box.y + knee[1] + 0.5 + 4 * k);
  await cut.mouse.up();
  await until(ip, (v) => v !== before);
  assert.deepEqual(await cut.evaluate(() => window.mutations), []);
  await page.locator('[data-name="Enable"] input').click();
  await page.locator('[data-name="Release"]').press('ArrowRight');
  const look = (p) => p.$$eval('.panel[data-dialog="1"] [data-name]', (all) => all.map((e) => {
    const box = e.querySelector('input') || e;
    return [e.style.cssText, e.textContent, box.value, box.checked, box.disabled, e.tagName === 'CANVAS' ? e.toDataURL() : ''];
  }));
  const both = async () => JSON.stringify(await look(cut)) === JSON.stringify(await look(page));
  await until(both, (same) => same);
  assert.deepEqual(await look(cut), await look(page));
  await cut.close();
});

test('the latest change is marked on its own device only', async () => {
  const marked = () => page.$$eval('#grid .grid-row.latest', (rows) => rows.map((r) => Number(r.dataset.reg)));
  const settle = () => page.evaluate(() => new Promise((r) => requestAnimationFrame(() => requestAnimationFrame(r))));
  const edit = async (r, v) => {
    const cell = page.locator(`#grid [data-reg="${r}"] > :nth-child(2)`);
    await cell.dblclick();
    await cell.locator('input').fill(v);
    await cell.locator('input').press('Enter');
    await page.waitForFunction(([reg, text]) => document.querySelector(`#grid [data-reg="${reg}"] > :nth-child(2)`).textContent === text, [r, `0x${v}`]);
  };
  const show = async (d, shown) => {
    await page.click(`#tabs button[data-dev="${d}"]`);
    // The device's own values are in once register 0x07 shows what was written there.
    await page.waitForFunction((text) => document.querySelector('#grid [data-reg="7"] > :nth-child(2)').textContent === text, shown);
    await settle();
  };
  await show(0, '0x00');
  await edit(7, '5A');
  assert.deepEqual(await until(marked, (m) => m.length === 1 && m[0] === 7), [7]);
  await show(1, '0x00');
  assert.deepEqual(await marked(), [], 'device 2 has no change yet');
  await edit(9, '11');
  assert.deepEqual(await until(marked, (m) => m[0] === 9), [9]);
  await show(0, '0x5A');
  assert.deepEqual(await marked(), [7]);
  await show(1, '0x00');
  assert.deepEqual(await marked(), [9]);
  await edit(9, '00');
  await show(0, '0x5A');
  await edit(7, '00');
});

test('a dialog opened from the menu by keyboard takes the focus, Tab goes from its top, Escape gives it back', async () => {
  await closeDialogs(page);
  // The control focused in a dialog, or what is focused outside them.
  const focused = () => page.evaluate(() => {
    const e = document.activeElement;
    return e.closest('.panel') ? e.closest('[data-name]')?.dataset.name : `outside: ${e.textContent}`;
  });
  for (const [d, first] of [[0, 'InputMode'], [1, 'AttackTime'], [2, 'EnableBoost']]) {
    const opener = `outside: ${await page.textContent(`#menu button[data-dialog="${d}"]`)}`;
    await page.focus(`#menu button[data-dialog="${d}"]`);
    await page.keyboard.press('Enter');
    await panel(page, d).waitFor({ state: 'visible' });
    assert.equal(await until(focused, (f) => f === first), first, `dialog ${d}`);
    if (d === 1) {
      const order = [first];
      for (let k = 0; k < 20 && !order.at(-1).startsWith('outside'); k++) {
        await page.keyboard.press('Tab');
        const name = await focused();
        if (name !== order.at(-1)) order.push(name);
      }
      assert.deepEqual(order.slice(0, -1), ['AttackTime', 'Hysteresis', 'APTVBAT', 'LimMode', 'Release', 'SelIntegration', 'LimiterPaintBox',
        'Slope', 'InflectionPoint', 'Level', 'Enable']);
      await page.keyboard.press('Shift+Tab');
    }
    await page.keyboard.press('Escape');
    await panel(page, d).waitFor({ state: 'hidden' });
    assert.equal(await until(focused, (f) => f === opener), opener, `dialog ${d}`);
  }
});

test('at 390 x 844 the side column stacks, no tab wraps, every control of each dialog scrolls into the window and no text is under 12 px', async () => {
  await closeDialogs(page);
  await page.setViewportSize({ width: 390, height: 844 });
  await fresh();
  await page.waitForFunction(() => Number(document.body.dataset.updates) > 0);
  const page_ = await page.evaluate(() => {
    const lines = (e) => { const r = document.createRange(); r.selectNodeContents(e); return r.getClientRects().length; };
    const small = [...document.querySelectorAll('body *')].filter((e) => !e.closest('.panel') && e.offsetParent
      && [...e.childNodes].some((n) => n.nodeType === Node.TEXT_NODE && n.data.trim()) && parseFloat(getComputedStyle(e).fontSize) < 12);
    return { wide: document.documentElement.scrollWidth > innerWidth, wrapped: [...document.querySelectorAll('#bar button')].filter((b) => lines(b) > 1).map((b) => b.textContent),
      small: small.map((e) => e.id || e.className || e.tagName) };
  });
  assert.deepEqual(page_, { wide: false, wrapped: [], small: [] });
  for (const d of [0, 1, 2]) {
    await openDialog(page, d);
    // Each control brought into sight as focus or a scroll would: wholly inside the window
    // and topmost there; the curve, wider than a phone, with its axes (its left and bottom edges).
    const out = await panel(page, d).evaluate((p) => [...p.querySelectorAll('[data-name]')].flatMap((e) => {
      const curve = e.tagName === 'CANVAS';
      e.scrollIntoView({ block: 'nearest', inline: curve ? 'start' : 'nearest' });
      const box = e.getBoundingClientRect();
      const at = curve ? [box.left + 2, box.bottom - 2] : [box.left + box.width / 2, box.top + box.height / 2];
      const inside = box.left >= 0 && box.top >= 0 && box.bottom <= innerHeight && (curve || box.right <= innerWidth);
      return inside && e.contains(document.elementFromPoint(...at)) ? [] : [e.dataset.name];
    }));
    assert.deepEqual(out, [], `dialog ${d}`);
    await closeDialogs(page);
  }
  await page.setViewportSize({ width: 1024, height: 700 });
});

test('the same alert again counts up instead of stacking, and stays until closed', async () => {
  const offline = await startServer(['--device', 'i2c:/dev/i2c-99']);
  const alerts = await browser.newPage({ viewport: { width: 1024, height: 700 } });
  try {
    await alerts.goto(offline.url);
    await alerts.locator('#connect').waitFor();
    for (let k = 0; k < 6; k++) await alerts.click('#connect');
    const shown = () => alerts.$$eval('#errors > div', (all) => all.map((a) => a.textContent));
    const six = await until(shown, (a) => a.length === 1 && a[0].includes('×6'));
    assert.equal(six.length, 1);
    assert.match(six[0], /^connect: cannot open \/dev\/i2c-99 at 0x40: .*×6×$/);
    await alerts.getByRole('button', { name: 'Close this alert' }).click();
    assert.deepEqual(await shown(), []);
  } finally {
    await alerts.close();
    await offline.stop();
  }
});
