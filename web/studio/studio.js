// The level studio: a level map drawn in the game's tile pictures, proved by
// brastor-mapcheck's own passes in a worker while it is drawn, played in the
// game's canvas, kept in the page's storage and shared by link.
'use strict';

const cell = 32;          // a cell's size in world pixels
const maxSize = 201;      // the game's grid
const storageKey = 'brastor-studio-level';
const checkDelayMs = 150;  // a pause in drawing this long starts a check

// The map letters' names and pictures (mission 1's; mission 2 has its own in
// level2/); the letters and colours themselves come from the baker through the worker.
const looks = {
  '.': ['empty', null],
  '#': ['solid block', 'level1/scene/block.bmp'],
  g: ['grass ground', 'level1/scene/grass.bmp'],
  r: ['rock top', 'level1/scene/rocktop.bmp'],
  f: ['dark floor', 'level1/scene/dark_floor.bmp'],
  b: ['breakable block', 'level1/scene/destructable.bmp'],
  B: ['barrier', 'level1/scene/hbarrier2.bmp'],
  G: ['generator 1', 'level1/scene/gen1.bmp'],
  H: ['generator 3', 'level1/scene/gen3.bmp'],
  d: ['diamond', 'gfx/diamond.bmp'],
  c: ['power crystal', 'gfx/diamond2.bmp'],
  k: ['key A', 'level1/collect/key1.bmp'],
  K: ['key B', 'level1/collect/key2.bmp'],
  l: ['door A', 'level1/collect/lock1.bmp'],
  L: ['door B', 'level1/collect/lock2.bmp'],
  h: ['hostage', 'level1/collect/hostage1.bmp'],
  w: ['flow hazard', 'level1/scene/flow.bmp'],
  s: ['spikes hazard', 'level1/enemy/spikes.bmp'],
  o: ['opaque scenery block', 'level1/scene/block.bmp'],
  i: ['girder scenery', 'level1/scene/vgirder1.bmp'],
  v: ['cave wall scenery', 'level1/scene/cavewall.bmp'],
  p: ['plant', 'level1/scene/plant1.bmp', 'level1/scene/plant2.bmp'],
  P: ['player start', 'gfx/player/right/player_1.bmp'],
  W: ['walker', 'level1/enemy/walker_l1.bmp'],
  F: ['flyer', 'level1/enemy/flyer1.bmp'],
  T: ['turret', 'level1/enemy/turret_l1.bmp'],
  S: ['snake', 'level1/enemy/snake1.bmp'],
  N: ['swan', 'level1/extra/swan-l1.bmp'],
};
const routeColours = ['#ff3fd0', '#30c0ff', '#ffb000', '#60e060', '#ff6040', '#b080ff', '#ffffff'];

const $ = (id) => document.getElementById(id);
const gridCanvas = $('grid');
const context = gridCanvas.getContext('2d');

// ---- the level: one byte (a letter's code) per cell, row by row from the top
const level = { width: 0, height: 0, cells: new Uint8Array(0), mission: 0 };
const undoStack = [];
const redoStack = [];
const pictureSets = { 1: {}, 2: {} };  // per mission, letter: a 32 x 32 canvas
let pictures = pictureSets[1];          // the set of the mission the level is played under
let letters = [];     // the baker's letters, in its order
let current = '#';
let tool = 'paint';

const view = { zoom: 24, x: 0, y: 0 };  // pixels a cell; the view's top-left in screen pixels of the map
let result = null;     // the latest check's answer
let dirty = true;
const stats = { checks: 0, checkMs: [], longestFrameMs: 0, longestCheckingFrameMs: 0, frames: 0, lastPaintMs: 0 };

function emptyLevel(width, height) {
  layerStale = true;
  level.width = width;
  level.height = height;
  level.cells = new Uint8Array(width * height).fill(46);  // '.'
}

function letterAt(x, y) { return String.fromCharCode(level.cells[y * level.width + x]); }

// The baker's format: brastor-bake and brastor-mapcheck read it as it is.
function mapText() {
  const rows = [];
  for (let y = 0; y < level.height; y += 1) {
    rows.push(String.fromCharCode(...level.cells.subarray(y * level.width, (y + 1) * level.width)));
  }
  return `map\n${rows.join('\n')}\n`;
}

function setRows(rows) {
  emptyLevel(rows[0].length, rows.length);
  rows.forEach((row, y) => { for (let x = 0; x < row.length; x += 1) level.cells[y * level.width + x] = row.charCodeAt(x); });
}

function snapshot() { return { width: level.width, height: level.height, cells: level.cells.slice() }; }
function restore(shot) {
  layerStale = true;
  level.width = shot.width;
  level.height = shot.height;
  level.cells = shot.cells.slice();
}

// Keeps the level as it is now for Undo; every change goes through here.
function remember() {
  undoStack.push(snapshot());
  if (undoStack.length > 200) undoStack.shift();
  redoStack.length = 0;
}

function changed() {
  $('width').value = level.width;
  $('height').value = level.height;
  dirty = true;
  scheduleCheck();
}

function undo() {
  if (!undoStack.length) return;
  redoStack.push(snapshot());
  restore(undoStack.pop());
  changed();
}
function redo() {
  if (!redoStack.length) return;
  undoStack.push(snapshot());
  restore(redoStack.pop());
  changed();
}

function resize(width, height) {
  width = Math.max(1, Math.min(maxSize, width | 0));
  height = Math.max(1, Math.min(maxSize, height | 0));
  if (width === level.width && height === level.height) return;
  remember();
  const old = snapshot();
  emptyLevel(width, height);
  for (let y = 0; y < Math.min(height, old.height); y += 1) {
    for (let x = 0; x < Math.min(width, old.width); x += 1) level.cells[y * width + x] = old.cells[y * old.width + x];
  }
  changed();
}

// ---- messages

let messageTimer = 0;
function say(text) {
  const box = $('message');
  box.textContent = text;
  box.hidden = !text;
  clearTimeout(messageTimer);
  if (text) messageTimer = setTimeout(() => { box.hidden = true; }, 12000);
}

// ---- the checker's worker

const worker = new Worker('studio/check_worker.js');
const pending = new Map();
let nextId = 1;
function ask(request, transfer = []) {
  const id = nextId;
  nextId += 1;
  return new Promise((resolve, reject) => {
    pending.set(id, { resolve, reject });
    worker.postMessage({ ...request, id }, transfer);
  });
}
worker.onmessage = (event) => {
  const waiter = pending.get(event.data.id);
  pending.delete(event.data.id);
  if (!waiter) return;
  if (event.data.failure) waiter.reject(new Error(event.data.failure));
  else waiter.resolve(event.data);
};
worker.onerror = (event) => say(`The checker stopped: ${event.message}`);

let checkTimer = 0;
let checkAsked = 0;  // the id of the newest check asked for
let checking = 0;    // checks asked for and not yet answered
function scheduleCheck() {
  save();
  $('status').textContent = 'checking…';
  $('status').className = '';
  $('watch').disabled = true;  // the proof in hand is an older level's
  clearTimeout(checkTimer);
  checkTimer = setTimeout(runCheck, checkDelayMs);
}

async function runCheck() {
  const asked = nextId;
  checkAsked = asked;
  let answer;
  checking += 1;
  try {
    answer = await ask({ kind: 'check', text: mapText(), mission: level.mission });
  } catch (error) {
    if (asked === checkAsked) say(`The checker failed: ${error.message}`);
    return;
  } finally {
    checking -= 1;
  }
  if (asked !== checkAsked) return;  // the level changed while it ran
  result = answer.result;
  stats.checks += 1;
  stats.checkMs.push(result.ms);
  showProof();
}

function showProof() {
  const status = $('status');
  const proven = result.errors === 0 && result.warnings === 0 && result.searched;
  status.textContent = proven
    ? 'proven: every target reached'
    : `${result.errors} error(s), ${result.warnings} warning(s)`;
  status.className = proven ? 'proven' : 'faulty';
  const list = $('findings');
  list.replaceChildren(...result.findings.map((finding) => {
    const item = document.createElement('li');
    item.value = finding.number;
    item.className = finding.error ? 'error' : 'warning';
    item.textContent = `${finding.error ? 'error' : 'warning'}: ${finding.message} (cell ${finding.x}, ${finding.y})`;
    item.addEventListener('click', () => centreOn(finding.x, finding.y));
    return item;
  }));
  // Findings without a cell are in the report alone; point at it.
  const whole = result.report.split('\n').filter((line) => /^(error|warning): /.test(line));
  for (const line of whole) {
    const item = document.createElement('li');
    item.className = line.startsWith('error') ? 'error' : 'warning';
    item.textContent = line;
    item.style.listStyle = 'none';
    list.append(item);
  }
  $('routes').replaceChildren(...result.trails.map((trail, index) => {
    const item = document.createElement('li');
    const swatch = document.createElement('span');
    swatch.style.background = routeColours[index % routeColours.length];
    item.append(swatch, trail.name);
    return item;
  }));
  $('report').textContent = result.report;
  $('watch').disabled = !result.proof;
  const mission = result.mission === 2 ? 2 : 1;
  if (pictures !== pictureSets[mission]) {
    pictures = pictureSets[mission];
    layerStale = true;
    paintSwatches();
  }
  dirty = true;
}

function paintSwatches() {
  for (const button of $('palette').children) {
    const swatch = button.querySelector('canvas').getContext('2d');
    swatch.clearRect(0, 0, cell, cell);
    swatch.drawImage(pictures[button.dataset.letter], 0, 0);
  }
}

// ---- storage and links

function save() {
  try {
    localStorage.setItem(storageKey, JSON.stringify({ text: mapText(), mission: level.mission }));
  } catch (error) {
    // A private window may keep nothing; the level still lives in the page.
  }
}

async function bytesOf(stream) { return new Uint8Array(await new Response(stream).arrayBuffer()); }

async function shareLink() {
  const packed = await bytesOf(new Blob([mapText()]).stream().pipeThrough(new CompressionStream('deflate-raw')));
  let text = '';
  for (const byte of packed) text += String.fromCharCode(byte);
  const code = btoa(text).replace(/\+/g, '-').replace(/\//g, '_').replace(/=+$/, '');
  return `${location.origin}${location.pathname}#m${level.mission}:${code}`;
}

// The level a link's fragment holds, as a map text; throws when it holds none.
async function levelOfLink(fragment) {
  const found = /^#m([012]):([A-Za-z0-9_-]+)$/.exec(fragment);
  if (!found) throw new Error('the link holds no level');
  try {
    const text = atob(found[2].replace(/-/g, '+').replace(/_/g, '/'));
    const packed = Uint8Array.from(text, (c) => c.charCodeAt(0));
    const plain = await bytesOf(new Blob([packed]).stream().pipeThrough(new DecompressionStream('deflate-raw')));
    return { text: new TextDecoder().decode(plain), mission: Number(found[1]) };
  } catch (error) {
    throw new Error('its level is damaged or cut short');
  }
}

// Replaces the level with a map text or picture read by the baker's reader;
// on a fault says why and keeps the level being edited.
async function load(answer, what) {
  const grid = answer.grid;
  if (!grid.ok) {
    say(`${what} cannot be opened; the level you are editing is kept.\n${grid.message.trim()}`);
    return false;
  }
  remember();
  setRows(grid.rows);
  say('');
  changed();
  fitView();
  return true;
}

async function openFile(file) {
  const bytes = new Uint8Array(await file.arrayBuffer());
  const picture = bytes[0] === 0x42 && bytes[1] === 0x4d;
  if (picture || /\.bmp$/i.test(file.name)) {
    await load(await ask({ kind: 'readPicture', bytes: bytes.buffer }, [bytes.buffer]), `'${file.name}'`);
  } else {
    await load(await ask({ kind: 'readSource', text: new TextDecoder().decode(bytes), name: file.name }), `'${file.name}'`);
  }
}

function download(name, data, type) {
  const link = document.createElement('a');
  link.href = URL.createObjectURL(new Blob([data], { type }));
  link.download = name;
  document.body.append(link);
  link.click();
  link.remove();
  setTimeout(() => URL.revokeObjectURL(link.href), 60000);
}

// ---- drawing the grid

function loadPicture(path) {
  return new Promise((resolve) => {
    const image = new Image();
    image.onload = () => resolve(image);
    image.onerror = () => resolve(null);
    image.src = `studio/tiles/${path}`;
  });
}

// A letter's cell as the game draws it: its picture with the mask colour
// (magenta) clear, the plant's overlay over it; a picture larger than a cell is scaled in.
async function makePicture(letter, mission) {
  const canvas = document.createElement('canvas');
  canvas.width = cell;
  canvas.height = cell;
  const paint = canvas.getContext('2d');
  const [, ...paths] = looks[letter] || ['', null];
  for (const path of paths) {
    if (!path) continue;
    const image = await loadPicture(path.replace(/^level1\//, `level${mission}/`));
    if (!image) continue;
    const layer = document.createElement('canvas');
    layer.width = image.width;
    layer.height = image.height;
    const draw = layer.getContext('2d');
    draw.drawImage(image, 0, 0);
    const pixels = draw.getImageData(0, 0, image.width, image.height);
    for (let i = 0; i < pixels.data.length; i += 4) {
      if (pixels.data[i] === 255 && pixels.data[i + 1] === 0 && pixels.data[i + 2] === 255) pixels.data[i + 3] = 0;
    }
    draw.putImageData(pixels, 0, 0);
    const scale = Math.min(cell / image.width, cell / image.height);
    const w = image.width * scale;
    const h = image.height * scale;
    paint.drawImage(layer, (cell - w) / 2, cell - h, w, h);
  }
  return canvas;
}

function fitCanvas() {
  const ratio = window.devicePixelRatio || 1;
  const box = gridCanvas.getBoundingClientRect();
  const width = Math.round(box.width * ratio);
  const height = Math.round(box.height * ratio);
  if (gridCanvas.width !== width || gridCanvas.height !== height) {
    gridCanvas.width = width;
    gridCanvas.height = height;
    dirty = true;
  }
  return ratio;
}

// The grid's tile pictures drawn once into a picture of the whole map, at up
// to a cell's own 32 pixels, so a frame draws one picture and a stroke
// redraws only its cells. Made again when the size, the zoom's step or the
// whole level changes.
let layer = null;  // { canvas, paint, step, width, height }
let layerStale = true;

function drawLayerCell(x, y) {
  const { paint, step } = layer;
  paint.fillStyle = '#ffffff';
  paint.fillRect(x * step, y * step, step, step);
  const picture = pictures[letterAt(x, y)];
  if (picture) paint.drawImage(picture, x * step, y * step, step, step);
}

function tileLayer() {
  const step = Math.max(1, Math.min(cell, Math.ceil(view.zoom), Math.floor(4096 / Math.max(level.width, level.height))));
  if (!layerStale && layer && layer.step === step && layer.width === level.width && layer.height === level.height) return layer;
  const canvas = document.createElement('canvas');
  canvas.width = level.width * step;
  canvas.height = level.height * step;
  const paint = canvas.getContext('2d');
  paint.imageSmoothingEnabled = false;
  layer = { canvas, paint, step, width: level.width, height: level.height };
  layerStale = false;
  for (let y = 0; y < level.height; y += 1) for (let x = 0; x < level.width; x += 1) drawLayerCell(x, y);
  return layer;
}

function draw() {
  const ratio = fitCanvas();
  context.setTransform(ratio, 0, 0, ratio, 0, 0);
  context.imageSmoothingEnabled = false;
  const box = gridCanvas.getBoundingClientRect();
  context.fillStyle = '#181b1e';
  context.fillRect(0, 0, box.width, box.height);
  const z = view.zoom;
  const x0 = Math.max(0, Math.floor(view.x / z));
  const y0 = Math.max(0, Math.floor(view.y / z));
  const x1 = Math.min(level.width, Math.ceil((view.x + box.width) / z));
  const y1 = Math.min(level.height, Math.ceil((view.y + box.height) / z));
  context.drawImage(tileLayer().canvas, -view.x, -view.y, level.width * z, level.height * z);
  if (z >= 12) {
    context.strokeStyle = 'rgba(0, 0, 0, 0.12)';
    context.lineWidth = 1;
    context.beginPath();
    for (let x = x0; x <= x1; x += 1) { context.moveTo(x * z - view.x + 0.5, y0 * z - view.y); context.lineTo(x * z - view.x + 0.5, y1 * z - view.y); }
    for (let y = y0; y <= y1; y += 1) { context.moveTo(x0 * z - view.x, y * z - view.y + 0.5); context.lineTo(x1 * z - view.x, y * z - view.y + 0.5); }
    context.stroke();
  }
  if (result) {
    // The longest route first, so each shorter one shows where it goes on.
    const order = result.trails.map((trail, index) => index)
      .sort((a, b) => result.trails[b].points.length - result.trails[a].points.length);
    context.lineWidth = Math.max(1.5, z / 10);
    for (const index of order) {
      const points = result.trails[index].points;
      context.strokeStyle = routeColours[index % routeColours.length];
      context.beginPath();
      for (let i = 0; i + 1 < points.length; i += 2) {
        const px = (points[i] / cell) * z - view.x;
        const py = (points[i + 1] / cell) * z - view.y;
        if (i === 0) context.moveTo(px, py); else context.lineTo(px, py);
      }
      context.stroke();
    }
    context.font = `bold ${Math.max(10, z * 0.5)}px sans-serif`;
    for (const finding of result.findings) {
      const cx = (finding.x + 0.5) * z - view.x;
      const cy = (finding.y + 0.5) * z - view.y;
      context.strokeStyle = finding.error ? '#ff2020' : '#ffb000';
      context.lineWidth = Math.max(2, z / 8);
      context.beginPath();
      context.arc(cx, cy, Math.max(8, z * 0.8), 0, Math.PI * 2);
      context.stroke();
      context.fillStyle = context.strokeStyle;
      context.fillText(String(finding.number), cx + Math.max(8, z * 0.8), cy - Math.max(8, z * 0.6));
    }
  }
  if (drag && drag.tool === 'rect' && drag.end) {
    const [ax, ay, bx, by] = rectOf(drag.start, drag.end);
    context.strokeStyle = '#3060ff';
    context.lineWidth = 2;
    context.strokeRect(ax * z - view.x, ay * z - view.y, (bx - ax + 1) * z, (by - ay + 1) * z);
  }
}

let lastFrame = 0;
function frame(now) {
  if (lastFrame) {
    const gap = now - lastFrame;
    stats.frames += 1;
    stats.longestFrameMs = Math.max(stats.longestFrameMs, gap);
    if (checking) stats.longestCheckingFrameMs = Math.max(stats.longestCheckingFrameMs, gap);
  }
  lastFrame = now;
  if (dirty) {
    dirty = false;
    const drawing = performance.now();
    draw();
    stats.lastDrawnMs = performance.now();
    stats.drawMs = stats.lastDrawnMs - drawing;
  }
  requestAnimationFrame(frame);
}

// ---- the view

function clampView() {
  const box = gridCanvas.getBoundingClientRect();
  view.x = Math.max(-box.width / 2, Math.min(view.x, level.width * view.zoom - box.width / 2));
  view.y = Math.max(-box.height / 2, Math.min(view.y, level.height * view.zoom - box.height / 2));
  dirty = true;
}

function zoomAt(factor, sx, sy) {
  const zoom = Math.max(2, Math.min(64, view.zoom * factor));
  view.x = ((view.x + sx) / view.zoom) * zoom - sx;
  view.y = ((view.y + sy) / view.zoom) * zoom - sy;
  view.zoom = zoom;
  clampView();
}

function fitView() {
  const box = gridCanvas.getBoundingClientRect();
  view.zoom = Math.max(2, Math.min(32, Math.floor(Math.min(box.width / level.width, box.height / level.height))));
  view.x = (level.width * view.zoom - box.width) / 2;
  view.y = (level.height * view.zoom - box.height) / 2;
  dirty = true;
}

function centreOn(x, y) {
  const box = gridCanvas.getBoundingClientRect();
  view.zoom = Math.max(view.zoom, 16);
  view.x = (x + 0.5) * view.zoom - box.width / 2;
  view.y = (y + 0.5) * view.zoom - box.height / 2;
  dirty = true;
}

// ---- editing with a pointer; two fingers scroll and zoom instead

let drag = null;
const touches = new Map();
let pinch = null;

function cellAt(event) {
  const box = gridCanvas.getBoundingClientRect();
  return [Math.floor((event.clientX - box.left + view.x) / view.zoom),
    Math.floor((event.clientY - box.top + view.y) / view.zoom)];
}
function inside([x, y]) { return x >= 0 && y >= 0 && x < level.width && y < level.height; }
function rectOf(a, b) {
  return [Math.max(0, Math.min(a[0], b[0])), Math.max(0, Math.min(a[1], b[1])),
    Math.min(level.width - 1, Math.max(a[0], b[0])), Math.min(level.height - 1, Math.max(a[1], b[1]))];
}

function put([x, y], letter) {
  if (!inside([x, y])) return;
  if (level.cells[y * level.width + x] === letter.charCodeAt(0)) return;
  level.cells[y * level.width + x] = letter.charCodeAt(0);
  if (layer && !layerStale && layer.width === level.width) drawLayerCell(x, y);
}

// Paints every cell on the line from a to b, so a fast stroke leaves no gaps.
function paintLine(a, b, letter) {
  const steps = Math.max(Math.abs(b[0] - a[0]), Math.abs(b[1] - a[1]), 1);
  for (let i = 0; i <= steps; i += 1) {
    put([Math.round(a[0] + ((b[0] - a[0]) * i) / steps), Math.round(a[1] + ((b[1] - a[1]) * i) / steps)], letter);
  }
  stats.lastPaintMs = performance.now();
  dirty = true;
}

function selectLetter(letter) {
  current = letter;
  for (const button of $('palette').children) button.classList.toggle('on', button.dataset.letter === letter);
}
function selectTool(name) {
  tool = name;
  for (const button of $('tools').children) button.classList.toggle('on', button.dataset.tool === name);
}

gridCanvas.addEventListener('pointerdown', (event) => {
  gridCanvas.focus();
  if (event.pointerType === 'touch') {
    touches.set(event.pointerId, [event.clientX, event.clientY]);
    if (touches.size === 2) {
      if (drag && drag.changed) { undo(); redoStack.length = 0; }  // the first finger's paint was the pinch starting
      drag = null;
      const [a, b] = [...touches.values()];
      pinch = { distance: Math.hypot(a[0] - b[0], a[1] - b[1]), centre: [(a[0] + b[0]) / 2, (a[1] + b[1]) / 2] };
      return;
    }
  }
  if (event.button === 1 || (event.button === 0 && event.altKey)) {
    drag = { tool: 'scroll', last: [event.clientX, event.clientY] };
  } else if (event.button === 0) {
    const at = cellAt(event);
    if (tool === 'pick') {
      if (inside(at)) selectLetter(letterAt(...at));
      selectTool('paint');
      return;
    }
    drag = { tool, start: at, last: at, end: at, changed: false };
    if (tool === 'paint' || tool === 'erase') {
      remember();
      drag.changed = true;
      paintLine(at, at, tool === 'erase' ? '.' : current);
    }
  } else {
    return;
  }
  try {
    gridCanvas.setPointerCapture(event.pointerId);
  } catch (error) {
    // A pointer the browser no longer knows: the stroke ends at the canvas's edge.
  }
  event.preventDefault();
});

gridCanvas.addEventListener('pointermove', (event) => {
  if (touches.has(event.pointerId)) touches.set(event.pointerId, [event.clientX, event.clientY]);
  if (pinch && touches.size === 2) {
    const [a, b] = [...touches.values()];
    const distance = Math.hypot(a[0] - b[0], a[1] - b[1]);
    const centre = [(a[0] + b[0]) / 2, (a[1] + b[1]) / 2];
    const box = gridCanvas.getBoundingClientRect();
    view.x -= centre[0] - pinch.centre[0];
    view.y -= centre[1] - pinch.centre[1];
    zoomAt(distance / pinch.distance, centre[0] - box.left, centre[1] - box.top);
    pinch = { distance, centre };
    return;
  }
  if (!drag) return;
  if (drag.tool === 'scroll') {
    view.x -= event.clientX - drag.last[0];
    view.y -= event.clientY - drag.last[1];
    drag.last = [event.clientX, event.clientY];
    clampView();
    return;
  }
  const at = cellAt(event);
  if (drag.tool === 'paint' || drag.tool === 'erase') {
    paintLine(drag.last, at, drag.tool === 'erase' ? '.' : current);
    drag.last = at;
  } else if (drag.tool === 'rect') {
    drag.end = at;
    dirty = true;
  }
});

function endPointer(event) {
  touches.delete(event.pointerId);
  if (touches.size < 2) pinch = null;
  if (!drag) return;
  if (drag.tool === 'rect' && drag.end) {
    const [ax, ay, bx, by] = rectOf(drag.start, drag.end);
    if (ax <= bx && ay <= by) {
      remember();
      for (let y = ay; y <= by; y += 1) for (let x = ax; x <= bx; x += 1) put([x, y], current);
      drag.changed = true;
    }
  }
  const didChange = drag.changed;
  drag = null;
  dirty = true;
  if (didChange) changed();
}
gridCanvas.addEventListener('pointerup', endPointer);
gridCanvas.addEventListener('pointercancel', endPointer);

gridCanvas.addEventListener('wheel', (event) => {
  event.preventDefault();
  const box = gridCanvas.getBoundingClientRect();
  if (event.ctrlKey || event.metaKey) {
    zoomAt(Math.exp(-event.deltaY / 300), event.clientX - box.left, event.clientY - box.top);
  } else {
    view.x += event.shiftKey ? event.deltaY : event.deltaX;
    view.y += event.shiftKey ? 0 : event.deltaY;
    clampView();
  }
}, { passive: false });

window.addEventListener('keydown', (event) => {
  if (!$('stage').hidden) return;
  if (event.target instanceof HTMLInputElement || event.target instanceof HTMLSelectElement) return;
  const key = event.key.toLowerCase();
  const command = event.ctrlKey || event.metaKey;
  if (command && key === 'z' && !event.shiftKey) undo();
  else if (command && (key === 'y' || (key === 'z' && event.shiftKey))) redo();
  else if (command) return;
  else if (key === '+' || key === '=') zoomAt(1.25, gridCanvas.clientWidth / 2, gridCanvas.clientHeight / 2);
  else if (key === '-') zoomAt(0.8, gridCanvas.clientWidth / 2, gridCanvas.clientHeight / 2);
  else if (key === '0') fitView();
  else if (event.key.startsWith('Arrow')) {
    const step = view.zoom * 4;
    view.x += { ArrowLeft: -step, ArrowRight: step }[event.key] || 0;
    view.y += { ArrowUp: -step, ArrowDown: step }[event.key] || 0;
    clampView();
  } else if (key === 'b') selectTool('paint');
  else if (key === 'r') selectTool('rect');
  else if (key === 'e') selectTool('erase');
  else if (key === 'i') selectTool('pick');
  else return;
  event.preventDefault();
});

// ---- playing in the game's canvas

let player = null;

function closeStage() {
  if (player && player._studioStop) player._studioStop();
  player = null;
  $('stage').hidden = true;
  gridCanvas.focus();
}

async function play(proof) {
  if (!window.createStudioPlay) {
    await new Promise((resolve, reject) => {
      const script = document.createElement('script');
      script.src = 'studio/studio-play.js';
      script.onload = resolve;
      script.onerror = () => reject(new Error('the game could not be loaded'));
      document.head.append(script);
    });
  }
  const text = mapText();
  const mission = level.mission || (result ? result.mission : 0);
  const screen = $('screen');
  $('stage').hidden = false;
  $('stage-note').textContent = proof ? "the checker's route for the whole mission, enemies left out" : '';
  stats.play = { events: [] };
  let refusal = '';
  const args = ['/studio/level.map', String(mission)];
  if (proof) args.push('/studio/proof.keys');
  const module = await window.createStudioPlay({
    canvas: screen,
    arguments: args,
    locateFile: (name) => `studio/${name}`,
    preRun: [(m) => {
      m.FS.mkdir('/studio');
      m.FS.writeFile('/studio/level.map', text);
      if (proof) m.FS.writeFile('/studio/proof.keys', result.proof);
    }],
    onStudioEvent: (what, value) => {
      stats.play.events.push([what, value]);
      if (what === 'refused') {
        closeStage();
        say(`The level cannot be played: ${refusal.replace(/^studio player: ('[^']*' cannot be played: )?/, '')}`);
      }
    },
    onGameEnded: () => { if (player === module) closeStage(); },
    print: (line) => console.log(line),
    printErr: (line) => { refusal = line; console.warn(line); },
  });
  player = module;
  screen.focus();
}

window.addEventListener('keydown', (event) => {
  if ($('stage').hidden || event.key !== 'Escape') return;
  event.stopImmediatePropagation();
  event.preventDefault();
  closeStage();
}, true);

// ---- start

async function start() {
  const { legend } = await ask({ kind: 'legend' });
  // In the order of their names' table (kinds together), any other after them.
  const known = legend.map((entry) => entry.letter);
  letters = [...Object.keys(looks).filter((letter) => known.includes(letter)),
    ...known.filter((letter) => !(letter in looks))];
  await Promise.all([1, 2].flatMap((mission) => letters.map(async (letter) => {
    pictureSets[mission][letter] = await makePicture(letter, mission);
  })));
  $('palette').replaceChildren(...letters.map((letter) => {
    const button = document.createElement('button');
    button.dataset.letter = letter;
    const swatch = document.createElement('canvas');
    swatch.width = cell;
    swatch.height = cell;
    const code = document.createElement('span');
    code.className = 'letter';
    code.textContent = letter;
    button.append(swatch, code, (looks[letter] || [`colour ${letter}`])[0]);
    button.title = `${(looks[letter] || [''])[0]}: "${letter}" in a .map`;
    button.addEventListener('click', () => { selectLetter(letter); if (tool === 'pick' || tool === 'erase') selectTool('paint'); });
    return button;
  }));
  selectLetter(current);
  paintSwatches();

  emptyLevel(40, 20);
  try {
    const kept = JSON.parse(localStorage.getItem(storageKey) || 'null');
    if (kept) {
      const answer = await ask({ kind: 'readSource', text: kept.text });
      if (answer.grid.ok) {
        setRows(answer.grid.rows);
        level.mission = kept.mission || 0;
      }
    }
  } catch (error) {
    // Nothing kept, or not readable: the empty level.
  }
  $('mission').value = String(level.mission);
  fitView();
  changed();
  if (location.hash.length > 1) await openLink();
  window.addEventListener('hashchange', openLink);
  requestAnimationFrame(frame);
}

// Opens the level of the page's link; a bad one is told and changes nothing.
async function openLink() {
  try {
    const shared = await levelOfLink(location.hash);
    const answer = await ask({ kind: 'readSource', text: shared.text });
    if (!answer.grid.ok) throw new Error(answer.grid.message.trim());
    await load(answer, 'The shared link');
    level.mission = shared.mission;
    $('mission').value = String(level.mission);
    changed();
  } catch (error) {
    say(`The shared link cannot be opened (${error.message}); the level you are editing is kept.`);
  }
}

$('tools').addEventListener('click', (event) => { if (event.target.dataset.tool) selectTool(event.target.dataset.tool); });
$('undo').addEventListener('click', undo);
$('redo').addEventListener('click', redo);
$('resize').addEventListener('click', () => resize(Number($('width').value), Number($('height').value)));
$('mission').addEventListener('change', () => { level.mission = Number($('mission').value); changed(); });
$('open').addEventListener('click', () => $('file').click());
$('file').addEventListener('change', () => { if ($('file').files[0]) openFile($('file').files[0]); $('file').value = ''; });
$('save-map').addEventListener('click', () => download('level.map', mapText(), 'text/plain'));
$('save-bmp').addEventListener('click', async () => {
  const answer = await ask({ kind: 'bake', text: mapText() });
  if (answer.faults) say(answer.faults);
  else download('map.bmp', answer.bytes, 'image/bmp');
});
$('share').addEventListener('click', async () => {
  const link = await shareLink();
  history.replaceState(null, '', link);
  try {
    await navigator.clipboard.writeText(link);
    say('');
    $('status').title = 'link copied';
  } catch (error) {
    say(`The link to this level (copy it from the address bar):\n${link}`);
  }
});
$('play').addEventListener('click', () => play(false).catch((error) => { closeStage(); say(String(error)); }));
$('watch').addEventListener('click', () => play(true).catch((error) => { closeStage(); say(String(error)); }));
$('back').addEventListener('click', closeStage);
window.addEventListener('resize', () => { dirty = true; });
document.addEventListener('dragover', (event) => event.preventDefault());
document.addEventListener('drop', (event) => {
  event.preventDefault();
  const file = event.dataTransfer.files[0];
  if (file) openFile(file);
});

// For the page's tests: the level, the latest proof and the speed figures.
// Where a cell's centre is on the page, for a test's mouse.
function cellCentre(x, y) {
  const box = gridCanvas.getBoundingClientRect();
  return [box.left + (x + 0.5) * view.zoom - view.x, box.top + (y + 0.5) * view.zoom - view.y];
}

window.studio = { level, view, stats, mapText, shareLink, cellCentre, get result() { return result; }, get player() { return player; } };
start().catch((error) => say(`The studio could not start: ${error.message}`));
// Offline after the first visit, like the game's page.
if ('serviceWorker' in navigator) navigator.serviceWorker.register('sw.js').catch(() => {});
