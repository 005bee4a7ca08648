// The level studio in Debian's Chromium: a mission 2 level drawn with the
// mouse, undone and redone, its finding fixed until proven, the proof matched
// with brastor-mapcheck's on the saved .map and map.bmp, the level kept by a
// reload and a share link, bad input refused, the level played and won, the
// proof watched, mission 1's map proved while the speed is measured, and the
// studio opened offline.
//
//   node studio_test.mjs <page address> <brastor-mapcheck>
//   BRASTOR_WEB_OUT: where the saved level goes (default build-web)
//   BRASTOR_STUDIO_SHOT: when set, a picture of the studio with mission 1's
//   proof is saved there (the README's docs/studio.png)
//
// Prints the speed figures. Exits 0 when every check held.
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import { check, root, run, watchErrors } from './common.mjs';

const [address, mapcheck] = process.argv.slice(2);
if (!address || !mapcheck) throw new Error('usage: node studio_test.mjs <page address> <brastor-mapcheck>');
const out = process.env.BRASTOR_WEB_OUT || path.join(root, 'build-web');
const studioAddress = new URL('studio.html', address).href;

// The level drawn below, first with a wall that shuts the hostage in.
const shut = ['##.#########', '#....#.....#', '#....#.....#', '#.P..#..h..#', '#....#.....#', '############'];
const open = shut.map((row, y) => (y >= 1 && y <= 4 ? `${row.slice(0, 5)}.${row.slice(6)}` : row));
const textOf = (rows) => `map\n${rows.join('\n')}\n`;

const ready = (target) => target.waitForFunction(() => window.studio && window.studio.result, null, { timeout: 60000 });
async function openStudio(context, at = studioAddress) {
  const target = await context.newPage();
  watchErrors(target);
  await target.goto(at);
  await ready(target);
  return target;
}

const mapOf = (page) => page.evaluate(() => window.studio.mapText());
const status = (page) => page.locator('#status').textContent();
const message = (page) => page.locator('#message').textContent();
// brastor-mapcheck's report on `file` without its first line (the file's name).
function mapcheckReport(file) {
  let told;
  try {
    told = execFileSync(mapcheck, [file], { encoding: 'utf8' });
  } catch (error) {
    told = error.stdout;
  }
  return told.split('\n').slice(1).join('\n');
}
// Saves the download that clicking `button` offers as `file`.
async function download(page, button, file) {
  const [offered] = await Promise.all([page.waitForEvent('download'), page.click(button)]);
  await offered.saveAs(file);
  return file;
}

// Waits for the proof of the level as it is now, and returns its status line.
async function proofOf(page, text) {
  await page.waitForFunction((want) => window.studio.mapText() === want &&
    document.getElementById('status').textContent !== 'checking…', text, { timeout: 60000 });
  return status(page);
}

// Draws with `tool` and `letter` from cell a to cell b (a stroke, or a rectangle's corners).
async function drawCells(page, tool, letter, a, b = a) {
  if (letter) await page.click(`#palette button[data-letter="${letter}"]`);
  await page.click(`#tools button[data-tool="${tool}"]`);
  const centre = (cell) => page.evaluate(([x, y]) => window.studio.cellCentre(x, y), cell);
  await page.mouse.move(...(await centre(a)));
  await page.mouse.down();
  await page.mouse.move(...(await centre(b)), { steps: 4 });
  await page.mouse.up();
}

// The game's events in the canvas since `from`: [what, value].
const events = (page) => page.evaluate(() => (window.studio.stats.play ? window.studio.stats.play.events : []));
async function waitForEvent(page, what, seconds, whileWaiting) {
  const deadline = Date.now() + seconds * 1000;
  while (Date.now() < deadline) {
    const found = (await events(page)).find(([name]) => name === what);
    if (found) return found[1];
    if (whileWaiting) await whileWaiting();
    await page.waitForTimeout(100);
  }
  throw new Error(`the game told no '${what}' within ${seconds} s: ${JSON.stringify(await events(page))}`);
}

let page;
await run(path.join(out, 'studio-failure.png'), () => page, async (browser) => {
  const desktop = await browser.newContext({ viewport: { width: 1400, height: 900 }, acceptDownloads: true });
  page = await openStudio(desktop);

  // ---- an empty map cannot be played: told, and the editor stays
  await page.click('#play');
  await page.waitForFunction(() => /cannot be played/.test(document.getElementById('message').textContent), null,
    { timeout: 60000 });
  check(await page.locator('#stage').isHidden(), `Play on an empty map: ${await message(page)}`);

  // ---- a level drawn with the mouse from an empty map
  await page.fill('#width', '12');
  await page.fill('#height', '6');
  await page.click('#resize');
  check(await mapOf(page) === textOf(Array(6).fill('.'.repeat(12))), 'resized to an empty 12 x 6 map');
  for (const [tool, letter, a, b] of [['rect', '#', [0, 5], [11, 5]], ['rect', '#', [0, 0], [11, 0]],
    ['rect', '#', [0, 0], [0, 5]], ['rect', '#', [11, 5], [11, 0]], ['paint', '#', [5, 1], [5, 4]],
    ['erase', null, [2, 0]], ['paint', 'P', [2, 3]], ['paint', 'h', [8, 3]]])
    await drawCells(page, tool, letter, a, b);
  check(await mapOf(page) === textOf(shut), 'rectangles, a stroke, an eraser and two markers drew the level');

  // Undo takes back the whole last stroke, redo puts it back, and the pick tool reads a cell.
  await page.keyboard.press('Control+z');
  check((await mapOf(page)).split('\n')[4] === '#.P..#.....#', 'Ctrl+Z took the hostage back');
  await page.keyboard.press('Control+y');
  check(await mapOf(page) === textOf(shut), 'Ctrl+Y put it back');
  await drawCells(page, 'pick', null, [2, 3]);
  check(await page.locator('#palette button.on').getAttribute('data-letter') === 'P', 'the pick tool chose the start marker');

  // Two fingers zoom in about their middle and draw nothing, the first finger's start included.
  const zoomBefore = await page.evaluate(() => window.studio.view.zoom);
  await page.evaluate(() => {
    const grid = document.getElementById('grid');
    const [x, y] = window.studio.cellCentre(6, 2);
    const finger = (type, id, dx) => grid.dispatchEvent(new PointerEvent(type, { pointerId: id, pointerType: 'touch',
      isPrimary: id === 11, clientX: x + dx, clientY: y, button: 0, buttons: 1, bubbles: true }));
    finger('pointerdown', 11, -10);
    finger('pointerdown', 12, 10);
    for (let step = 1; step <= 5; step += 1) { finger('pointermove', 11, -10 - 10 * step); finger('pointermove', 12, 10 + 10 * step); }
    finger('pointerup', 11, -60);
    finger('pointerup', 12, 60);
  });
  const zoomAfter = await page.evaluate(() => window.studio.view.zoom);
  check(zoomAfter > zoomBefore * 2 && await mapOf(page) === textOf(shut),
    `two fingers spread zoomed in from ${zoomBefore} to ${zoomAfter.toFixed(1)} px a cell and drew nothing`);
  await page.keyboard.press('0');

  // ---- a finding, its reason, and the fix
  check(await proofOf(page, textOf(shut)) === '2 error(s), 0 warning(s)', 'the shut-in level has two errors');
  const first = page.locator('#findings li').first();
  check(/hostage \(8, 3\): unreachable: enclosed by solid cells/.test(await first.textContent()),
    `finding 1 names the hostage and its reason: ${await first.textContent()}`);
  await first.click();
  const [cx, cy] = await page.evaluate(() => window.studio.cellCentre(8, 3));
  const box = await page.locator('#grid').boundingBox();
  check(Math.abs(cx - (box.x + box.width / 2)) < 20 && Math.abs(cy - (box.y + box.height / 2)) < 20,
    'clicking the finding centred its cell');
  await drawCells(page, 'erase', null, [5, 1], [5, 4]);
  check(await proofOf(page, textOf(open)) === 'proven: every target reached', 'the wall erased, the level is proven');
  check(await page.locator('#routes li').count() === 2, 'two routes drawn: the hostage and the exit');

  // ---- the saved .map is what brastor-mapcheck reads, and its proof is the command line's
  const file = await download(page, '#save-map', path.join(out, 'studio-level.map'));
  check(fs.readFileSync(file, 'utf8') === textOf(open), 'Save .map wrote the level in the baker\'s format');
  const report = await page.evaluate(() => window.studio.result.report);
  check(mapcheckReport(file) === report, `the studio's proof is brastor-mapcheck's word for word:\n${report}`);
  check(mapcheckReport(await download(page, '#save-bmp', path.join(out, 'studio-map.bmp'))) === report,
    'the saved map.bmp is the same level to brastor-mapcheck');

  // ---- kept across a reload, carried by a share link
  await page.reload();
  await ready(page);
  check(await mapOf(page) === textOf(open), 'after a reload the level is still there');
  await page.click('#share');
  await page.waitForFunction(() => location.hash.length > 8);
  const link = page.url();
  const other = await browser.newContext({ viewport: { width: 1000, height: 700 } });
  const shared = await openStudio(other, link);
  check(await mapOf(shared) === textOf(open), `the share link opens the same level (${link.length} characters)`);
  await other.close();

  // ---- a bad link and a broken file are refused; the level stays
  await page.goto(`${studioAddress}#m1:bm90IGEgbGV2ZWw`);
  await page.waitForFunction(() => /link cannot be opened \(its level is damaged/.test(document.getElementById('message').textContent));
  check(await page.locator('#message').isVisible() && await mapOf(page) === textOf(open),
    `a bad link is told (${await message(page)}), and the level being edited is kept`);
  await page.evaluate(() => {
    const data = new DataTransfer();
    data.items.add(new File(['map\n###\n##\n'], 'broken.map'));
    document.dispatchEvent(new DragEvent('drop', { dataTransfer: data, bubbles: true, cancelable: true }));
  });
  await page.waitForFunction(() => /broken\.map/.test(document.getElementById('message').textContent));
  const told = await message(page);
  check(/map row has 2 cells, expected 3/.test(told) && await mapOf(page) === textOf(open),
    `a broken file dropped is told in the baker's words (${told}), and nothing is lost`);

  // ---- play it and win with scripted keys; Escape comes back to the editor
  await page.click('#play');
  check(await waitForEvent(page, 'start', 60) === 2, 'Play starts the level under mission 2\'s rules');
  await page.waitForTimeout(300);
  await page.keyboard.press('Space');  // the briefing
  await page.keyboard.down('ArrowRight');
  await waitForEvent(page, 'objective', 20);
  await page.keyboard.up('ArrowRight');
  await page.waitForTimeout(300);
  await page.keyboard.press('Space');  // the objective's text box
  await page.keyboard.down('ArrowLeft');
  const result = await waitForEvent(page, 'end', 20);
  await page.keyboard.up('ArrowLeft');
  check(result === 2, 'walked to the hostage and back into the beam: the mission is complete');
  await page.keyboard.press('Escape');
  await page.waitForFunction(() => document.getElementById('stage').hidden);
  check(await mapOf(page) === textOf(open), 'Escape returned to the editor with the level unchanged');

  // ---- the checker's route for the whole mission, watched in the canvas
  await page.click('#watch');
  check(await waitForEvent(page, 'end', 60) === 2, '"Watch the proof" plays the route to the mission\'s end');
  await page.waitForFunction(() => document.getElementById('stage').hidden, null, { timeout: 20000 });

  // ---- speed: mission 1's map proved in the worker, the editor's frames meanwhile, a long stroke
  const level1 = fs.readFileSync(path.join(root, 'data', 'level1', 'map.map'), 'utf8');
  await page.evaluate(() => { window.studio.stats.longestCheckingFrameMs = 0; window.studio.stats.checkMs = []; });
  await page.setInputFiles('#file', { name: 'map.map', mimeType: 'text/plain', buffer: Buffer.from(level1) });
  await page.waitForFunction(() => window.studio.level.width === 128 && window.studio.stats.checkMs.length > 0 &&
    document.getElementById('status').textContent !== 'checking…', null, { timeout: 60000 });
  const speed = await page.evaluate(() => ({ ...window.studio.stats }));
  check(await status(page) === 'proven: every target reached', 'mission 1\'s map is proven');
  console.log(`mission 1's map (128 x 32) proved in the worker in ${speed.checkMs[0].toFixed(0)} ms; ` +
    `the editor's longest frame while it ran ${speed.longestCheckingFrameMs.toFixed(1)} ms`);
  if (process.env.BRASTOR_STUDIO_SHOT) {
    await page.screenshot({ path: process.env.BRASTOR_STUDIO_SHOT });
    console.log(`picture of the studio: ${process.env.BRASTOR_STUDIO_SHOT}`);
  }

  await page.evaluate(() => { window.studio.stats.longestFrameMs = 0; });
  const before = await mapOf(page);
  await drawCells(page, 'paint', 'd', [10, 1], [110, 1]);
  const stroke = await page.evaluate(() => new Promise((resolve) => requestAnimationFrame(() => resolve({
    drawnAfterMs: window.studio.stats.lastDrawnMs - window.studio.stats.lastPaintMs,
    drawMs: window.studio.stats.drawMs, longestFrameMs: window.studio.stats.longestFrameMs,
    row: window.studio.mapText().split('\n')[2] }))));
  check(stroke.row.slice(10, 111) === 'd'.repeat(101) && stroke.row.slice(0, 10) === before.split('\n')[2].slice(0, 10),
    'a stroke over 101 cells painted every cell on its way and no other');
  console.log(`a paint stroke over 101 cells: on the canvas ${stroke.drawnAfterMs.toFixed(1)} ms after its last ` +
    `cell (the grid drawn in ${stroke.drawMs.toFixed(1)} ms); longest frame during it ${stroke.longestFrameMs.toFixed(1)} ms`);

  // ---- findings from every pass (structure, play rules, routes, some unresolved, some summed up): the
  // studio's report is the command line's, and its list and circles carry the report's numbers
  const every = ['...........................', '#.........G...............#', ...Array(4).fill(`#${'.'.repeat(25)}#`),
    '#.Pd....Wo................#', `#${'.'.repeat(25)}#`, '#'.repeat(27), '#d#d#d#d#d#d#d#d#d#d#d#d#H#', '#'.repeat(27)];
  const everyFile = path.join(out, 'studio-every.map');
  fs.writeFileSync(everyFile, textOf(every));
  await page.setInputFiles('#file', { name: 'every.map', mimeType: 'text/plain', buffer: Buffer.from(textOf(every)) });
  await proofOf(page, textOf(every));
  const everyResult = await page.evaluate(() => window.studio.result);
  check(mapcheckReport(everyFile) === everyResult.report,
    `findings from every pass: the studio's report is brastor-mapcheck's word for word:\n${everyResult.report}`);
  const reportNumbers = [...everyResult.report.matchAll(/ \[(\d+)\]: /g)].map((m) => Number(m[1]));
  const listed = everyResult.findings.map((f) => f.number);
  check(reportNumbers.length === 16 && JSON.stringify(listed) === JSON.stringify(reportNumbers) &&
    await page.locator('#findings li[value]').count() === 16,
    `the studio lists its findings under the report's numbers: ${listed.join(' ')}`);

  // ---- offline: the service worker keeps the studio, its checker and its player
  const away = await browser.newContext({ viewport: { width: 1200, height: 800 } });
  const visit = await openStudio(away);
  await visit.waitForFunction(() => navigator.serviceWorker.controller, null, { timeout: 60000 });
  await away.setOffline(true);
  await visit.reload();
  await ready(visit);
  check(/error/.test(await status(visit)), 'offline, the studio opens and its worker checks the level');
  await away.close();
});
