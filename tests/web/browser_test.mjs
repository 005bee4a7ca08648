// Plays the browser build in Debian's Chromium, checked on the canvas's own
// pixels: keyboard, a faked gamepad and touch into mission 1; the layout on
// phones (with a notch), tablets, a touch laptop and a page without touch; the
// server's precompressed files; and, behind a gate this test controls, a first
// visit's bytes, the cached game with a silent server and offline, and a
// rebuilt game picked up on the next load.
//
//   node browser_test.mjs <page address>
//   BRASTOR_WEB_OUT: the web build's folder (default build-web)
//
// Prints the page's frame statistics. Exits 0 when every check held.
import { execFileSync, spawn } from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import net from 'node:net';
import os from 'node:os';
import path from 'node:path';
import zlib from 'node:zlib';
import { check, pageErrors, root, run, watchErrors } from './common.mjs';

const address = process.argv[2];
if (!address) throw new Error('usage: node browser_test.mjs <page address>');

const W = 640, H = 480, yellow = [255, 255, 0], darkGreen = [0, 100, 0];

// The game's font, from the same table the game is built with.
function readFont() {
  const text = fs.readFileSync(path.join(root, 'src', 'platform', 'font_table.inc'), 'utf8');
  const glyphs = [];
  for (const line of text.split('\n')) {
    const m = line.match(/^\{([^}]*)\}/);
    if (m) glyphs.push(m[1].split(',').map((v) => parseInt(v.trim(), 16)));
  }
  if (glyphs.length !== 256 || glyphs.some((g) => g.length !== 16)) throw new Error('font table not understood');
  return glyphs;
}
const font = readFont();

// The player's shot as drawn: rows of palette letters, '.' left transparent.
function readShot() {
  const text = fs.readFileSync(path.join(root, 'data', 'gfx', 'shot.pic'), 'utf8').split('\n');
  const palette = {};
  for (const line of text.slice(text.indexOf('palette') + 1, text.indexOf('pixels'))) {
    const [letter, ...rgb] = line.trim().split(/\s+/);
    if (rgb.length === 3) palette[letter] = rgb.map(Number);
  }
  const rows = text.slice(text.indexOf('pixels') + 1).filter((line) => line.trim());
  return rows.map((row) => [...row.trim()].map((letter) => palette[letter] || null));
}
const shotPixels = readShot();

class Picture {
  constructor(bytes) { this.bytes = bytes; }
  is(x, y, rgb) {
    const i = 4 * (y * W + x);
    return this.bytes[i] === rgb[0] && this.bytes[i + 1] === rgb[1] && this.bytes[i + 2] === rgb[2];
  }
  same(x1, y1, other, x2, y2) {
    const i = 4 * (y1 * W + x1), j = 4 * (y2 * W + x2);
    return this.bytes[i] === other.bytes[j] && this.bytes[i + 1] === other.bytes[j + 1] &&
      this.bytes[i + 2] === other.bytes[j + 2];
  }
  // True when `text` stands at (x, y) in `rgb` exactly as the font draws it:
  // every glyph pixel in the colour and no pixel between them in it.
  hasText(text, x, y, rgb) {
    for (let k = 0; k < text.length; ++k) {
      const glyph = font[text.charCodeAt(k)];
      for (let r = 0; r < 16; ++r)
        for (let b = 0; b < 8; ++b) {
          const px = x + 8 * k + b, py = y + r;
          if (px < 0 || px >= W || py < 0 || py >= H) return false;
          if (((glyph[r] >> b) & 1) !== (this.is(px, py, rgb) ? 1 : 0)) return false;
        }
    }
    return true;
  }
  // Top-left corners of the player's shots on the picture.
  shots() {
    const found = [];
    const [cx, cy] = [3, 3];
    for (let y = 24; y + 8 <= H; ++y)
      for (let x = 0; x + 8 <= W; ++x)
        if (this.is(x + cx, y + cy, shotPixels[cy][cx]) &&
            shotPixels.every((row, r) => row.every((rgb, b) => !rgb || this.is(x + b, y + r, rgb))))
          found.push(`${x},${y}`);
    return found;
  }
  // Top of a text box: its frame's three lines, 2 pixels apart, across the
  // middle column. -1 when there is none.
  textBoxTop() {
    for (let y = 0; y + 4 < H; ++y)
      if (this.is(W / 2, y, darkGreen) && this.is(W / 2, y + 2, darkGreen) && this.is(W / 2, y + 4, darkGreen) &&
          !this.is(W / 2, y + 1, darkGreen))
        return y;
    return -1;
  }
}

async function readCanvas(page) {
  const encoded = await page.evaluate(() => {
    const canvas = document.getElementById('screen');
    const data = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
    let binary = '';
    for (let i = 0; i < data.length; i += 0x8000)
      binary += String.fromCharCode.apply(null, data.subarray(i, i + 0x8000));
    return { width: canvas.width, height: canvas.height, pixels: btoa(binary) };
  });
  if (encoded.width !== W || encoded.height !== H) throw new Error(`canvas is ${encoded.width} x ${encoded.height}`);
  return new Picture(Buffer.from(encoded.pixels, 'base64'));
}

// Reads the canvas until `test` holds; fails with `what` after `seconds`.
async function waitForPicture(page, what, test, seconds = 30) {
  const end = Date.now() + seconds * 1000;
  for (;;) {
    const picture = await readCanvas(page);
    if (test(picture)) return picture;
    if (Date.now() > end) throw new Error(`no ${what} on the canvas after ${seconds} s`);
    await page.waitForTimeout(50);
  }
}

const stats = (page) => page.evaluate(() => ({ ...Module.brastorStats, now: performance.now() }));

// The shift (dx, dy) that best carries `before` onto `after`, judged on
// pixels of `before` that differ from their neighbour 4 to the right (so the
// sky's even rows do not match every shift), away from the head-up display
// and the player's figure. Returns the best shift, its matching share and
// the share of the unshifted view.
function viewShift(before, after) {
  const samples = [];
  for (let y = 40; y < H - 8 && samples.length < 4000; y += 3)
    for (let x = 0; x + 4 < W; x += 5) {
      if (x > 256 && x < 352 && y > 256 && y < 352) continue;
      if (!before.same(x, y, before, x + 4, y)) samples.push([x, y]);
    }
  if (samples.length < 200) throw new Error('the scene has too little detail to follow');
  const share = (dx, dy) => {
    let seen = 0, matched = 0;
    for (const [x, y] of samples) {
      const nx = x + dx, ny = y + dy;
      if (nx < 0 || nx >= W || ny < 24 || ny >= H) continue;
      seen += 1;
      if (before.same(x, y, after, nx, ny)) matched += 1;
    }
    return seen < 100 ? 0 : matched / seen;
  };
  let best = { dx: 0, dy: 0, share: share(0, 0) };
  const still = best.share;
  for (let dy = -48; dy <= 48; ++dy)
    for (let dx = -480; dx <= 480; ++dx) {
      const s = share(dx, dy);
      if (s > best.share) best = { dx, dy, share: s };
    }
  return { ...best, still };
}

const isTitle = (p) => p.hasText('Brastor', 293, 71, yellow);
const isPlaying = (p) => p.hasText('SCORE:', 10, 4, yellow) && p.hasText('POWER:', 320, 4, yellow) && p.textBoxTop() < 0;
const isFailed = (p) => p.hasText('Mission 1 Failed', (W - 8 * 16) / 2, p.textBoxTop() + 6, yellow);

let page;  // the page in play, for the picture at a failure
const keyNames = { start: 'Space', right: 'ArrowRight', fire: 'z' };
const onKeys = (control, down) => (down ? page.keyboard.down(keyNames[control]) : page.keyboard.up(keyNames[control]));
// Full screen switched by `press` and awaited on or off.
async function fullScreen(press, on) {
  await press();
  await page.waitForFunction((want) => !!document.fullscreenElement === want, on, { timeout: 5000 });
}

// `prepare(page)` runs before the page is loaded.
async function openGame(context, at = address, prepare = null) {
  page = await context.newPage();
  watchErrors(page, true);
  if (prepare) await prepare(page);
  await page.goto(at);
  return waitForPicture(page, 'title screen', isTitle);
}

// From the title into mission 1 with `hold(control, down)` for the controls
// "start", "right" and "fire", then a second or more of walking right and firing at
// once: the view must move and a shot fly. Returns the frame statistics over
// that second.
async function playIntoMission(how, hold) {
  const tap = async (control) => { await hold(control, true); await page.waitForTimeout(100); await hold(control, false); };
  await tap('start');
  await waitForPicture(page, `${how}: briefing box`, (p) => p.textBoxTop() >= 0);
  await tap('start');
  const start = await waitForPicture(page, `${how}: head-up display`, isPlaying);
  const before = await stats(page);
  await hold('right', true);
  await hold('fire', true);
  const shots = new Set();
  // A second at least, and on until two shots were caught on the canvas (its
  // reads are slow on a busy machine), for 300 frames at most.
  for (;;) {
    const now = await stats(page);
    if ((now.now - before.now >= 1000 && shots.size >= 2) || now.playFrames - before.playFrames >= 300) break;
    for (const shot of (await readCanvas(page)).shots()) shots.add(shot);
  }
  const after = await stats(page);
  await hold('fire', false);
  await hold('right', false);
  const walked = await readCanvas(page);
  check(isPlaying(walked), `${how}: still playing after walking`);
  const shift = viewShift(start, walked);
  check(shift.dx < -20 && shift.share > 0.5 && shift.share > shift.still + 0.2,
    `${how}: walking right moved the scene left (dx ${shift.dx}, dy ${shift.dy}, ` +
    `matching ${(100 * shift.share).toFixed(1)}%, unshifted ${(100 * shift.still).toFixed(1)}%)`);
  check(shots.size >= 2, `${how}: a shot flew while walking (${shots.size} places)`);
  return { before, after };
}

// Fingers on the page through the DevTools protocol: down(name, selector)
// puts a finger on the middle of that control, up(name) lifts it.
function fingersOn(target) {
  const held = new Map();
  let nextId = 1;
  const session = target.context().newCDPSession(target);
  const send = async (type) => (await session).send('Input.dispatchTouchEvent', { type, touchPoints: [...held.values()] });
  const fingers = {
    async down(name, selector) {
      const box = await target.locator(selector).boundingBox();
      held.set(name, { x: box.x + box.width / 2, y: box.y + box.height / 2, id: nextId++ });
      await send('touchStart');
    },
    async up(name) {
      held.delete(name);
      await send(held.size === 0 ? 'touchEnd' : 'touchMove');
    },
    async tap(selector) {
      await fingers.down('tap', selector);
      await target.waitForTimeout(100);
      await fingers.up('tap');
    },
  };
  return fingers;
}

// The picture's box, every shown control's, the hint's and the status line's;
// the page's size, full screen, the touch controls shown and the status's type size.
const controlBoxes = (target) => target.evaluate(() => {
  const box = (element) => {
    const r = element.getBoundingClientRect();
    return { id: element.id, x: r.x, y: r.y, w: r.width, h: r.height,
      opacity: parseFloat(getComputedStyle(element).opacity) };
  };
  const shown = (element) => !element.closest('[hidden]') && getComputedStyle(element).display !== 'none';
  const hint = document.getElementById('hint'), status = document.getElementById('status');
  return {
    canvas: box(document.getElementById('screen')),
    controls: [...document.querySelectorAll('#touch button')].filter(shown).map(box),
    hint: shown(hint) ? { ...box(hint), text: hint.textContent } : null,
    status: shown(status) ? box(status) : null,
    width: innerWidth, height: innerHeight, fullScreen: !!document.fullscreenElement,
    touchShown: !document.getElementById('touch').hidden, font: parseFloat(getComputedStyle(status).fontSize),
  };
});

const overlap = (a, b) => Math.max(0, Math.min(a.x + a.w, b.x + b.w) - Math.max(a.x, b.x)) *
  Math.max(0, Math.min(a.y + a.h, b.y + b.h) - Math.max(a.y, b.y));
const apart = (a, b) => Math.max(a.x - (b.x + b.w), b.x - (a.x + a.w), a.y - (b.y + b.h), b.y - (a.y + a.h));

// Where the page has room: no control and no hint on the picture, buttons
// of at least 44 px at least 12 px apart, the picture 4:3, at a whole scale
// when it is 640 px wide or more, and in portrait as wide as the page
// unless whole; all of it inside the safe area (`insets` of the page).
function checkLayout(at, when, boxes, width, height, insets = {}) {
  const { canvas, controls, hint } = boxes;
  const safe = { x: insets.left || 0, y: insets.top || 0 };
  safe.w = width - safe.x - (insets.right || 0);
  safe.h = height - safe.y - (insets.bottom || 0);
  const outside = [canvas, ...controls].filter((c) => overlap(c, safe) < c.w * c.h).map((c) => c.id || 'screen');
  check(outside.length === 0, `${at}, ${when}: the picture and the controls inside the safe area ` +
    `(${safe.x}, ${safe.y}, ${safe.w} x ${safe.h})${outside.length ? ', not ' + outside.join(' ') : ''}`);
  const covered = [...controls, ...(hint ? [hint] : [])].filter((c) => overlap(c, canvas) > 0).map((c) => c.id || 'hint');
  check(controls.length >= 7 && covered.length === 0, `${at}, ${when}: ${controls.length} controls, none over the picture`);
  const small = controls.filter((c) => c.w < 44 || c.h < 44).map((c) => c.id);
  let closest = Infinity;
  for (let i = 0; i < controls.length; ++i)
    for (let j = i + 1; j < controls.length; ++j) closest = Math.min(closest, apart(controls[i], controls[j]));
  check(small.length === 0 && closest >= 12,
    `${at}, ${when}: buttons at least 44 px (${Math.min(...controls.map((c) => Math.min(c.w, c.h)))}), ` +
    `at least 12 px apart (${closest})`);
  const portrait = height > width, whole = canvas.w % W === 0 && canvas.h === canvas.w * 3 / 4;
  check(Math.abs(canvas.w * 3 - canvas.h * 4) <= 4 && (canvas.w < W || whole) && (!portrait || whole || canvas.w === safe.w),
    `${at}, ${when}: the picture ${canvas.w} x ${canvas.h} keeps its shape` +
    `${whole ? ' at a whole scale' : portrait ? ' at full width' : ''}`);
}

// web/serve.sh for the site in `folder`/site on a free port; resolves to
// its port and a stop().
function servePage(folder) {
  const server = spawn(path.join(root, 'web', 'serve.sh'), ['0'], {
    env: { ...process.env, BRASTOR_WEB_BUILD: folder }, stdio: ['ignore', 'pipe', 'ignore'] });
  return new Promise((resolve, reject) => {
    let said = '';
    server.once('exit', (code) => reject(new Error(`web/serve.sh ended (${code}) before it served`)));
    server.stdout.on('data', (chunk) => {
      said += chunk;
      const port = said.match(/127\.0\.0\.1:(\d+)\//);
      if (port) resolve({ port: Number(port[1]), stop: () => server.kill() });
    });
  });
}

// A gate on 127.0.0.1 in front of the page server at `upstream`: it passes
// each connection through and counts the bytes the server sends, until
// silence() drops the open connections and from then on takes new ones
// without ever answering, as a link that is up but gets nothing through.
function gate(upstream) {
  const sockets = new Set();
  let silent = false;
  const counted = { bytes: 0 };
  const keep = (socket) => { sockets.add(socket); socket.on('close', () => sockets.delete(socket)); socket.on('error', () => {}); };
  const server = net.createServer((client) => {
    keep(client);
    if (silent) { client.resume(); return; }
    const answer = net.connect(upstream, '127.0.0.1');
    keep(answer);
    answer.on('data', (chunk) => { counted.bytes += chunk.length; });
    answer.on('close', () => client.destroy());
    client.on('close', () => answer.destroy());
    client.pipe(answer);
    answer.pipe(client);
  });
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve({
    port: server.address().port,
    sent: () => counted.bytes,
    silence: () => { silent = true; for (const socket of sockets) socket.destroy(); },
    // The link back: the connections taken in silence drop, as they would.
    open: () => { silent = false; for (const socket of sockets) socket.destroy(); },
    close: () => new Promise((done) => { server.close(done); for (const socket of sockets) socket.destroy(); }),
  })));
}

// GET `name` from `at` with an Accept-Encoding of `accept`: the status, the
// headers and the body as sent.
const getRaw = (at, name, accept) => new Promise((resolve, reject) => {
  http.get(new URL(name, at), { headers: accept ? { 'accept-encoding': accept } : {} }, (response) => {
    const chunks = [];
    response.on('data', (chunk) => chunks.push(chunk));
    response.on('end', () => resolve({ status: response.statusCode, headers: response.headers, body: Buffer.concat(chunks) }));
  }).on('error', reject);
});

const wasmLoaded = () => page.evaluate(() => performance.getEntriesByType('resource').map((e) => e.name)
  .filter((name) => name.endsWith('.wasm')));

await run(process.env.BRASTOR_WEB_FAILURE_SHOT || path.join(root, 'build-web', 'test-failure.png'), () => page,
  async (browser) => {
  const desktop = await browser.newContext({ viewport: { width: 1400, height: 1000 }, acceptDownloads: true });

  // ---- keyboard
  const title = await openGame(desktop);
  // The sky fades from blue 255 at the top: the canvas keeps the colours' order and the rows'.
  check([5, 630].every((x) => title.is(x, 0, [0, 0, 255]) && title.is(x, 300, [0, 0, 105])),
    'title screen: the sky, blue 255 at the top, 105 on row 300');
  const shown = await controlBoxes(page);
  check(shown.canvas.w === 1280 && shown.canvas.h === 960 && !shown.touchShown,
    `canvas shown at twice its size (${shown.canvas.w} x ${shown.canvas.h}), no touch controls`);

  // Alt+Enter switches the page to full screen and back; the scale stays whole.
  await fullScreen(() => page.keyboard.press('Alt+Enter'), true);
  const full = await controlBoxes(page);
  const fullScale = full.canvas.w / W;
  check(full.fullScreen && Number.isInteger(fullScale) && full.canvas.h === H * fullScale &&
    full.canvas.w <= full.width && full.canvas.h <= full.height,
  `Alt+Enter: full screen ${full.width} x ${full.height}, canvas at ${fullScale} x`);
  await fullScreen(() => page.keyboard.press('Alt+Enter'), false);

  // Which key presses had their browser default stopped by the game.
  await page.evaluate(() => {
    window.brastorTestDefaults = {};
    document.addEventListener('keydown', (e) => { window.brastorTestDefaults[e.code] = e.defaultPrevented; });
  });
  await playIntoMission('keyboard', onKeys);

  // Losing the focus lets go of every key, though Right is never released.
  await page.keyboard.down('ArrowRight');
  await page.waitForTimeout(300);
  await page.evaluate(() => window.dispatchEvent(new FocusEvent('blur')));
  await page.waitForTimeout(200);
  const blurred = await readCanvas(page);
  await page.waitForTimeout(500);
  const stillBlurred = await readCanvas(page);
  await page.keyboard.up('ArrowRight');
  const stay = viewShift(blurred, stillBlurred);
  check(stay.dx === 0 && stay.dy === 0, `the view stopped when the page lost the focus (dx ${stay.dx}, dy ${stay.dy})`);

  // "h" offers the screenshot as a download.
  const [download] = await Promise.all([page.waitForEvent('download', { timeout: 5000 }), page.keyboard.press('h')]);
  const chunks = [];
  for await (const chunk of await download.createReadStream()) chunks.push(chunk);
  const bmp = Buffer.concat(chunks);
  check(download.suggestedFilename() === 'screen.bmp' && bmp.length === 54 + W * H * 3 &&
    bmp.toString('latin1', 0, 2) === 'BM', `"h" offered screen.bmp (${bmp.length} bytes) as a download`);

  // The frame's cost: 300 frames of walking and firing with nothing else
  // asking the page for time (the walk above reads the canvas throughout).
  await page.keyboard.down('ArrowRight');
  await page.keyboard.down('z');
  const before = await stats(page);
  await page.waitForFunction((from) => Module.brastorStats.playFrames >= from + 300, before.playFrames,
    { timeout: 60000, polling: 500 });
  const after = await stats(page);
  await page.keyboard.up('z');
  await page.keyboard.up('ArrowRight');

  // Escape held fails the mission.
  await page.keyboard.down('Escape');
  await waitForPicture(page, 'final screen', isFailed);
  await page.keyboard.up('Escape');
  const defaults = await page.evaluate(() => window.brastorTestDefaults);
  check(defaults.Space === true && defaults.ArrowRight === true && defaults.KeyH === false &&
    defaults.Escape === false, 'Space and the arrows lose their browser default, other keys keep it');

  // Space returns to the title; Escape there ends the game and the page says
  // so in a band of its own, below the picture.
  await page.keyboard.press('Space');
  await waitForPicture(page, 'title screen again', isTitle);
  await page.keyboard.down('Escape');
  await page.waitForFunction(() => /has ended/.test(document.getElementById('status').textContent), null,
    { timeout: 10000 });
  await page.keyboard.up('Escape');
  const { status, canvas, height, font: typeSize } = await controlBoxes(page);
  check(status.y >= canvas.y + canvas.h && status.y + status.h <= height && typeSize >= 16 && canvas.w >= W,
    `the notice that the game has ended sits below the picture in ${typeSize} px type`);
  await page.close();

  // ---- a gamepad: Start, the left stick to the right, West to fire.
  const padInputs = { start: ['button', 9], right: ['axis', 0], fire: ['button', 2] };
  await desktop.addInitScript(() => {
    const buttons = Array.from({ length: 17 }, () => ({ pressed: false, touched: false, value: 0 }));
    window.brastorTestPad = { id: 'test pad', index: 0, connected: true, mapping: 'standard', timestamp: 0,
      axes: [0, 0, 0, 0], buttons };
    navigator.getGamepads = () => [window.brastorTestPad, null, null, null];
  });
  await openGame(desktop);
  await playIntoMission('gamepad', (control, down) => page.evaluate(([[kind, index], on]) => {
    const pad = window.brastorTestPad;
    if (kind === 'axis') pad.axes[index] = on ? 1 : 0;
    else pad.buttons[index] = { pressed: on, touched: on, value: on ? 1 : 0 };
  }, [padInputs[control], down]));
  await page.close();

  // ---- touch on a phone held sideways; walking and firing are two fingers.
  const phone = await browser.newContext({ viewport: { width: 844, height: 390 }, hasTouch: true });
  await openGame(phone);
  const fingers = fingersOn(page);
  check((await controlBoxes(page)).touchShown, 'touch: the controls are shown from the start on a touch page');
  // The streamer's button says what the title screen calls it, in a label
  // that fits the button.
  const streamerWord = fs.readFileSync(path.join(root, 'src', 'shell', 'game.cpp'), 'utf8').match(/"\[x\] - (\w+)/)[1];
  const label = await page.evaluate(() => {
    const button = document.querySelector('[data-button="3"]'), range = document.createRange();
    range.selectNodeContents(button);
    return { text: button.textContent, fits: range.getBoundingClientRect().width <= button.clientWidth };
  });
  check(label.text === streamerWord && label.fits, `touch: the X button reads "${label.text}" as the title says, ` +
    `and the label fits (${label.fits})`);
  // The full-screen control, on and off with a tap.
  await fullScreen(() => fingers.tap('#fullscreen'), true);
  const fullTouch = await controlBoxes(page);
  checkLayout(`touch, full screen ${fullTouch.width} x ${fullTouch.height}`, 'title', fullTouch, fullTouch.width,
    fullTouch.height);
  await fullScreen(() => fingers.tap('#fullscreen'), false);
  const touchButtons = { start: '#start', right: '#right', fire: '#fire' };
  await playIntoMission('touch', (control, down) => (down ? fingers.down(control, touchButtons[control])
    : fingers.up(control)));

  // Give up: a tap does nothing for a hundred frames; held, it fills and
  // the mission fails as with Escape, and the game goes on to its title.
  await fingers.down('tap', '#giveup');
  await fingers.up('tap');
  const tapped = (await stats(page)).playFrames;
  await page.waitForFunction((from) => Module.brastorStats.playFrames >= from + 100, tapped, { timeout: 30000 });
  check(isPlaying(await readCanvas(page)), 'touch: a tap on Give up does nothing');
  await fingers.down('hold', '#giveup');
  await page.waitForFunction(() => parseFloat(document.querySelector('#giveup .fill').style.width) > 20, null,
    { timeout: 10000 });
  const failed = await waitForPicture(page, 'final screen after Give up held', isFailed);
  await fingers.up('hold');
  check(failed && (await page.evaluate(() => document.getElementById('giveup').hidden &&
    !document.getElementById('hint').hidden)), 'touch: Give up held fails the mission; the final screen shows the hint');
  await fingers.tap('#start');
  await waitForPicture(page, 'title after giving up', isTitle);
  await page.close();

  // ---- the controls and the hint on phones (two with a notch's safe-area
  // insets) and tablets, on the title (hint shown, Give up hidden), with a
  // status line, and in play (Give up shown, no hint); and a page with no
  // touch, where neither shows.
  const layouts = [
    { width: 667, height: 375 },
    { width: 844, height: 390, insets: { left: 47, right: 47, bottom: 21 } },
    { width: 390, height: 844, insets: { top: 47, bottom: 34 } },
    { width: 1024, height: 768, tablet: true },
    { width: 768, height: 1024, tablet: true },
    { width: 1280, height: 720, noTouch: true },
  ];
  for (const { width, height, insets = {}, tablet, noTouch } of layouts) {
    const context = await browser.newContext({ viewport: { width, height }, hasTouch: !noTouch });
    const at = `${width} x ${height}${noTouch ? '' : ' touch'}${Object.keys(insets).length ? ' with insets' : ''}`;
    await openGame(context, address, async (target) => {
      const session = await context.newCDPSession(target);
      await session.send('Emulation.setSafeAreaInsetsOverride', { insets });
    });
    const onTitle = await controlBoxes(page);
    if (noTouch) {
      check(onTitle.controls.length === 0 && !onTitle.hint && onTitle.canvas.w === W && onTitle.canvas.h === H,
        `${at}: no controls, no hint, the picture at 640 x 480`);
      await context.close();
      continue;
    }
    checkLayout(at, 'title', onTitle, width, height, insets);
    check(onTitle.hint && onTitle.hint.text === 'Tap Start' && !onTitle.controls.some((c) => c.id === 'giveup'),
      `${at}: "Tap Start" shown on the title, Give up hidden`);
    if (tablet) {
      const round = onTitle.controls.filter((c) => ['left', 'right', 'down', 'fire', 'jump', 'streamer'].includes(c.id));
      check(round.every((c) => c.w >= 72) && onTitle.canvas.w === W,
        `${at}: a tablet's buttons are larger (${Math.min(...round.map((c) => c.w))} px), the picture at 1x`);
    }
    await page.evaluate(() => showStatus('Brastor has ended. Reload the page to play again.'));
    const withStatus = await controlBoxes(page);
    const under = withStatus.controls.filter((c) => overlap(c, withStatus.status) > 0).map((c) => c.id);
    check(under.length === 0 && overlap(withStatus.status, withStatus.canvas) === 0 &&
      withStatus.status.y + withStatus.status.h <= height - (insets.bottom || 0),
    `${at}: the status line clear of the picture and of every control${under.length ? ', not ' + under.join(' ') : ''}`);
    checkLayout(at, 'with a status line', withStatus, width, height, insets);
    await page.evaluate(() => showStatus(''));
    const tapper = fingersOn(page);
    await tapper.tap('#start');
    await waitForPicture(page, `${at}: briefing box`, (p) => p.textBoxTop() >= 0);
    check((await controlBoxes(page)).hint, `${at}: the hint stays while the briefing waits`);
    await tapper.tap('#start');
    await waitForPicture(page, `${at}: head-up display`, isPlaying);
    await page.waitForFunction(() => !document.getElementById('giveup').hidden, null, { timeout: 5000 });
    const inPlay = await controlBoxes(page);
    checkLayout(at, 'play', inPlay, width, height, insets);
    check(!inPlay.hint && inPlay.controls.some((c) => c.id === 'giveup'), `${at}: in play Give up shown, no hint`);
    await context.close();
  }

  // A laptop with a touch screen: the mouse is its main input, so the page
  // keeps the plain layout at 2x; a touch brings the controls, and the
  // picture stays at 2x beside them.
  {
    const context = await browser.newContext({ viewport: { width: 1920, height: 1080 } });
    await context.addInitScript(() => {
      Object.defineProperty(Navigator.prototype, 'maxTouchPoints', { get: () => 10 });
      window.ontouchstart = null;
    });
    await openGame(context);
    const laptop = await controlBoxes(page);
    check(laptop.controls.length === 0 && laptop.canvas.w === 2 * W && laptop.canvas.h === 2 * H,
      `touch laptop 1920 x 1080: no touch controls, the picture at 2x (${laptop.canvas.w} x ${laptop.canvas.h})`);
    await fingersOn(page).tap('#screen');
    const touched = await controlBoxes(page);
    checkLayout('touch laptop 1920 x 1080', 'after a touch', touched, 1920, 1080);
    check(touched.canvas.w === 2 * W, `touch laptop 1920 x 1080: after a touch the picture stays at 2x (${touched.canvas.w})`);
    await context.close();
  }

  // A touch page nearly as square as the picture (a window split on a
  // tablet) has no room: the controls lie over it, translucent, and keep
  // their size.
  {
    const context = await browser.newContext({ viewport: { width: 640, height: 560 }, hasTouch: true });
    await openGame(context);
    const over = await controlBoxes(page);
    check(over.controls.every((c) => c.w >= 44 && c.h >= 44 && c.opacity < 1) &&
      over.controls.some((c) => overlap(c, over.canvas) > 0), '640 x 560 touch: no room, so the controls lie over ' +
      'the picture, translucent, at least 44 px');
    await context.close();
  }

  // ---- the server sends each file precompressed as the browser asks, or as
  // it is; the copies hold the same bytes.
  const out = process.env.BRASTOR_WEB_OUT || path.join(root, 'build-web');
  const data = fs.readdirSync(path.join(out, 'site')).find((name) => name.endsWith('.data'));
  const dataBytes = fs.readFileSync(path.join(out, 'site', data));
  const decode = { br: zlib.brotliDecompressSync, gzip: zlib.gunzipSync, identity: (body) => body };
  for (const [accept, expected] of [['br, gzip', 'br'], ['gzip, deflate', 'gzip'], ['gzip;q=0, br;q=0', 'identity'],
    ['', 'identity']]) {
    const answer = await getRaw(address, data, accept);
    const encoding = answer.headers['content-encoding'] || 'identity';
    check(answer.status === 200 && encoding === expected && answer.headers.vary === 'Accept-Encoding' &&
      decode[encoding](answer.body).equals(dataBytes), `served data, Accept-Encoding "${accept}": ${encoding} ` +
      `(${answer.body.length} of ${dataBytes.length} bytes), Vary: ${answer.headers.vary}`);
  }
  const wasmType = (await getRaw(address, fs.readdirSync(path.join(out, 'site')).find((n) => n.endsWith('.wasm')), 'gzip'))
    .headers['content-type'];
  check(wasmType === 'application/wasm', `wasm served as ${wasmType}`);
  // The manifest names an id and a maskable icon, and its icons are served.
  const manifest = JSON.parse((await getRaw(address, 'manifest.webmanifest', 'gzip').then((a) => zlib.gunzipSync(a.body))));
  const iconStatus = await Promise.all(manifest.icons.map((icon) => getRaw(address, icon.src).then((a) => a.status)));
  check(manifest.id && manifest.icons.some((icon) => icon.purpose === 'maskable') && iconStatus.every((c) => c === 200),
    `manifest: id "${manifest.id}", a maskable icon, ${iconStatus.length} icons served`);

  // ---- the network, on a copy of the site served behind a gate
  const copy = fs.mkdtempSync(path.join(os.tmpdir(), 'brastor-web-'));
  let pageServer, front;
  try {
    const site = path.join(copy, 'site');
    fs.cpSync(path.join(out, 'site'), site, { recursive: true });
    pageServer = await servePage(copy);
    front = await gate(pageServer.port);
    const local = `http://127.0.0.1:${front.port}/`;
    const visitor = await browser.newContext({ viewport: { width: 1280, height: 720 } });

    // A first visit crosses the network with each file once, compressed:
    // the site's size is each file the worker keeps (and the worker) in its
    // smallest copy (Chromium takes brotli, also over plain http to 127.0.0.1).
    await openGame(visitor, local);
    await page.waitForFunction(() => navigator.serviceWorker.controller, null, { timeout: 30000 });
    const worker = fs.readFileSync(path.join(site, 'sw.js'), 'utf8');
    const kept = [...worker.match(/const files = \[([^\]]*)\]/)[1].matchAll(/'([^']+)'/g)].map((m) => m[1]);
    const sizeAsSent = (name) => Math.min(...['', '.br', '.gz'].map((copy) => path.join(site, name + copy))
      .filter((file) => fs.existsSync(file)).map((file) => fs.statSync(file).size));
    const siteBytes = [...kept, 'sw.js'].reduce((sum, name) => sum + sizeAsSent(name), 0);
    const firstVisit = front.sent();
    check(firstVisit <= 1.1 * siteBytes, `first visit: the server sent ${firstVisit} bytes for a site of ${siteBytes} ` +
      `(${(firstVisit / siteBytes).toFixed(2)} x, at most 1.1)`);
    const transfer = await page.evaluate((name) => performance.getEntriesByType('resource')
      .filter((e) => e.name.endsWith(name)).map((e) => ({ sent: e.encodedBodySize, size: e.decodedBodySize }))[0], data);
    check(transfer && transfer.size === dataBytes.length && transfer.sent < transfer.size / 5,
      `first visit: the data came compressed (${transfer && transfer.sent} bytes for ${transfer && transfer.size})`);

    // A server that takes the connection and never answers: the cached game
    // starts within 5 s all the same, and plays.
    front.silence();
    const asked = Date.now();
    await page.reload({ timeout: 5000 }).catch((error) => {
      throw new Error(`with a silent server the page did not load within 5 s (${error.message.split('\n')[0]})`);
    });
    await waitForPicture(page, 'title screen with a silent server', isTitle, Math.max(0, 5 - (Date.now() - asked) / 1000));
    check(Date.now() - asked <= 5000, `silent server: the cached game showed its title ${Date.now() - asked} ms after the reload`);
    await playIntoMission('silent server', onKeys);

    // No network at all.
    front.open();
    await visitor.setOffline(true);
    await page.reload();
    await waitForPicture(page, 'title screen offline', isTitle);
    console.log('ok: offline: the cached game starts');

    // A rebuilt game: the same build with one more custom section in its wasm.
    const game = path.join(copy, 'game');
    fs.cpSync(path.join(out, 'cmake', 'game'), game, { recursive: true });
    const stamp = Buffer.from('a new build');
    const section = Buffer.concat([Buffer.from([0, 1 + 7 + stamp.length, 7]), Buffer.from('brastor'), stamp]);
    fs.appendFileSync(path.join(game, 'brastor.wasm'), section);
    execFileSync(path.join(root, 'web', 'site.sh'), [game, path.join(out, 'icons'), site]);
    const newWasm = fs.readdirSync(site).find((name) => name.endsWith('.wasm'));
    const newCache = 'brastor-' + fs.readFileSync(path.join(site, 'sw.js'), 'utf8').match(/brastor-([0-9a-f]+)/)[1];
    await visitor.setOffline(false);
    await page.reload();
    await waitForPicture(page, 'title screen of the new build', isTitle);
    const loaded = await wasmLoaded();
    check(loaded.length === 1 && loaded[0].endsWith('/' + newWasm),
      `new build: the next load runs the new wasm (${loaded.join(', ')})`);
    for (const end = Date.now() + 30000; (await page.evaluate(() => caches.keys())).join() !== newCache;) {
      if (Date.now() > end) throw new Error(`the cache is not ${newCache} alone after 30 s: ${await page.evaluate(() => caches.keys())}`);
      await page.waitForTimeout(200);
    }
    await visitor.setOffline(true);
    await page.reload();
    await waitForPicture(page, 'title screen of the new build offline', isTitle);
    const cached = await wasmLoaded();
    check(cached.length === 1 && cached[0].endsWith('/' + newWasm),
      `new build: its worker replaced the cache (${newCache} alone) and runs it offline`);
    await visitor.close();
  } finally {
    if (front) await front.close();
    if (pageServer) pageServer.stop();
    fs.rmSync(copy, { recursive: true, force: true });
  }

  const frames = after.frames - before.frames, perFrame = (key) => ((after[key] - before[key]) / frames).toFixed(3);
  const played = after.playFrames - before.playFrames;
  const ms = after.now - before.now;
  console.log(`keyboard, walking and firing: ${frames} frames in ${ms.toFixed(0)} ms ` +
    `(the game's speed: ${(1000 * played / ms).toFixed(1)} play frames a second); ` +
    `game drawing ${perFrame('drawMs')} ms/frame, canvas copy ${perFrame('showMs')} ms/frame; ` +
    `a play frame's work without its sleep ${((after.workMs - before.workMs) / played).toFixed(3)} ms`);
});
