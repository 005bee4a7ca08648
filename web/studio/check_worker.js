// The level studio's checker thread: brastor-mapcheck's passes compiled to
// WebAssembly (web/studio_check.cpp). Each message is one request; a check
// asked for while another runs waits, and only the newest waiting one runs;
// reads and bakes go before it.
/* global createStudioCheck, importScripts */
'use strict';
importScripts('studio-check.js');

const ready = createStudioCheck({ locateFile: (name) => name });
const others = [];  // reads and bakes, in order
let check = null;  // the newest check not yet run
let busy = false;

function call(module, name, ...args) {
  const types = args.map((arg) => (typeof arg === 'number' ? 'number' : 'string'));
  return module.ccall(name, 'string', types, args);
}

async function answer(request) {
  const module = await ready;
  if (request.kind === 'legend') {
    postMessage({ id: request.id, legend: JSON.parse(call(module, 'studioLegend')) });
  } else if (request.kind === 'check') {
    const start = performance.now();
    const result = JSON.parse(call(module, 'studioCheck', request.text, request.mission));
    result.ms = performance.now() - start;
    postMessage({ id: request.id, result });
  } else if (request.kind === 'readSource') {
    postMessage({ id: request.id, grid: JSON.parse(call(module, 'studioReadSource', request.text, request.name || 'level.map')) });
  } else if (request.kind === 'readPicture') {
    const bytes = new Uint8Array(request.bytes);
    const at = module._malloc(bytes.length || 1);
    module.HEAPU8.set(bytes, at);
    const grid = JSON.parse(module.UTF8ToString(module._studioReadPicture(at, bytes.length)));
    module._free(at);
    postMessage({ id: request.id, grid });
  } else if (request.kind === 'bake') {
    const faults = call(module, 'studioBake', request.text);
    const bytes = faults ? null : module.FS.readFile('/studio/map.bmp');
    postMessage({ id: request.id, faults, bytes }, bytes ? [bytes.buffer] : []);
  }
}

async function drain() {
  if (busy) return;
  busy = true;
  while (others.length || check) {
    const next = others.length ? others.shift() : check;
    if (next === check) check = null;
    try {
      await answer(next);
    } catch (error) {
      postMessage({ id: next.id, failure: String(error) });
    }
  }
  busy = false;
}

self.onmessage = (event) => {
  if (event.data.kind === 'check') check = event.data;
  else others.push(event.data);
  drain();
};
