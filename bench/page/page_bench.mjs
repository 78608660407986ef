// What the browser edition costs on this machine, in headless Chromium: the bytes the page loads
// (raw and gzip -9), its first paint and the time until it is usable, a read and a store through
// the fake Web Serial port to vn340-sim at a paced 9600 baud against their wire time, and the
// tab's memory over 20 reads. Run: node bench/page/page_bench.mjs (about a minute; figures only).
import { readFile } from 'node:fs/promises';
import os from 'node:os';
import path from 'node:path';
import { performance } from 'node:perf_hooks';
import { gzipSync } from 'node:zlib';

import {
  launchBrowser,
  requireModule,
  ROOT,
  startServer,
  startSimulator,
  WEB_FOLDER,
} from '../../tests/page/support.mjs';

const FAKE_SERIAL = path.join(ROOT, 'tests', 'page', 'fake_serial.js');

const KIB = 1024;
const BUDGET_RAW = 1.5 * KIB * KIB;
const BUDGET_GZIP = 600 * KIB;
const BUDGET_FIRST_LOAD_MS = 1000;
const BUDGET_WIRE_RATIO = 1.1;
const LOADS = 5;
const EXCHANGES = 3;
const READS_FOR_MEMORY = 20;
const BUDGET_FPS = 30;
const FPS_WINDOW_MS = 5_000;
// VN340_BENCH_DIAGNOSTICS_MINUTES shortens it for a quick look.
const DIAGNOSTICS_MINUTES = 10;
const BUDGET_RESIDENT_GROWTH = 5 * KIB * KIB;

const BAUD = 9600;
const BITS_PER_CHARACTER = 10; // start bit, 8 data bits, stop bit
// The sequence engine's step timer (kStepDelay in the protocol's sequence engine).
const STEP_DELAY_MS = 1;

// ---- printing ------------------------------------------------------------------------------

const LABEL_WIDTH = 50;
const VALUE_WIDTH = 14;

function heading(text) {
  console.log(`\n${text}`);
}

function row(label, value, note = '') {
  console.log(`  ${label.padEnd(LABEL_WIDTH)}${String(value).padStart(VALUE_WIDTH)}  ${note}`.trimEnd());
}

const kib = (bytes) => `${(bytes / KIB).toFixed(1)} KiB`;
const ms = (value) => (value == null || Number.isNaN(value) ? 'n/a' : `${value.toFixed(1)} ms`);
const within = (value, budget) => (value <= budget ? 'within budget' : 'OVER BUDGET');

function median(values) {
  const sorted = [...values].sort((a, b) => a - b);
  const middle = Math.floor(sorted.length / 2);
  return sorted.length % 2 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
}

// ---- 1. what the page loads ----------------------------------------------------------------

// The files one load of the page fetched from the server, in the order it fetched them.
async function filesOneLoadFetches(browser, server) {
  const context = await browser.newContext();
  const page = await context.newPage();
  const fetched = [];
  page.on('requestfinished', (request) => {
    const url = new URL(request.url());
    if (url.origin === new URL(server.url).origin) {
      fetched.push(decodeURIComponent(url.pathname.replace(/^\//, '')) || 'index.html');
    }
  });
  await page.goto(server.url);
  await page.locator('#window:not([inert])').waitFor({ timeout: 15_000 });
  await context.close();
  return [...new Set(fetched)];
}

// Besides what one load fetches, an installed page takes its manifest, the manifest's icons and
// the service worker, which the browser fetches on its own.
async function filesOfInstalledPage() {
  const manifest = JSON.parse(await readFile(path.join(WEB_FOLDER, 'manifest.webmanifest'), 'utf8'));
  return ['manifest.webmanifest', 'sw.js', ...(manifest.icons ?? []).map((icon) => icon.src)];
}

async function pageSize(browser, server) {
  heading('1. What the page loads (raw / gzip -9)');
  const loaded = await filesOneLoadFetches(browser, server);
  const installed = (await filesOfInstalledPage()).filter((file) => !loaded.includes(file));
  let raw = 0;
  let packed = 0;
  for (const file of [...loaded, ...installed]) {
    const bytes = await readFile(path.join(WEB_FOLDER, file));
    const gzip = gzipSync(bytes, { level: 9 }).length;
    raw += bytes.length;
    packed += gzip;
    row(file, kib(bytes.length), `${kib(gzip).padStart(VALUE_WIDTH)} gzip${installed.includes(file) ? '  (installed page)' : ''}`);
  }
  row('total raw', kib(raw), `budget ${kib(BUDGET_RAW)}: ${within(raw, BUDGET_RAW)}`);
  row('total gzip -9', kib(packed), `budget ${kib(BUDGET_GZIP)}: ${within(packed, BUDGET_GZIP)}`);
}

// ---- 2. first paint and first use ----------------------------------------------------------

// Notes, on the page's own clock (0 = the navigation began), when the window stops being inert:
// the session has started and the pilot can use every control.
function noteWhenUsable() {
  window.__benchUsable = null;
  const observer = new MutationObserver(() => {
    const main = document.getElementById('window');
    if (main && !main.hasAttribute('inert') && window.__benchUsable === null) {
      window.__benchUsable = performance.now();
      observer.disconnect();
    }
  });
  observer.observe(document, { subtree: true, childList: true, attributes: true, attributeFilter: ['inert'] });
}

async function oneFreshLoad(browser, server) {
  const context = await browser.newContext({ viewport: { width: 1280, height: 800 } });
  const page = await context.newPage();
  await page.addInitScript(noteWhenUsable);
  await page.goto(server.url);
  await page.waitForFunction(() => window.__benchUsable !== null, null, { timeout: 15_000 });
  // The paint entry is filed once the frame is presented, which may come a little after.
  await page
    .waitForFunction(() => performance.getEntriesByName('first-contentful-paint').length > 0, null, { timeout: 5_000 })
    .catch(() => {});
  const times = await page.evaluate(() => ({
    paint: performance.getEntriesByName('first-contentful-paint')[0]?.startTime ?? null,
    usable: window.__benchUsable,
  }));
  await context.close();
  return times;
}

async function firstLoad(browser, server) {
  heading(`2. First load from web/serve.mjs (median of ${LOADS} fresh contexts)`);
  const loads = [];
  for (let i = 0; i < LOADS; i += 1) {
    loads.push(await oneFreshLoad(browser, server));
  }
  const paints = loads.map((load) => load.paint).filter((paint) => paint !== null);
  const usable = median(loads.map((load) => load.usable));
  row('first contentful paint', paints.length ? ms(median(paints)) : 'n/a');
  row('usable (session started, window not inert)', ms(usable), `budget < ${BUDGET_FIRST_LOAD_MS} ms: ${within(usable, BUDGET_FIRST_LOAD_MS)}`);
  row('  each load, usable', loads.map((load) => load.usable.toFixed(0)).join(' '), 'ms');
}

// ---- 3. and 4. a read and a store through Web Serial ---------------------------------------

// The fake Web Serial port of the page's tests, bridged to vn340-sim with the fewest hops the
// browser's debugging protocol allows: the simulator's output is pushed into the page as it comes
// and the program's frames leave through a binding that answers nothing, one message each way.
// The tests' bridge asks for every character and waits for its answer (a round trip through
// Playwright each time, a character every 1.04 ms at a paced line), which would measure that
// bridge instead of the program. The bridge counts what crosses the line each way, and the
// turnaround: from the moment a reply's last characters leave for the page until the program's
// next frame is back.
function lineEndInPage() {
  const arrived = [];
  let waiting = null;
  // The same turnaround as the page sees it: the program's part of it, without the bridge's.
  let arrivedAt = null;
  window.__benchPageTurnarounds = [];
  // Between exchanges: the next one's first frame follows a click, not a reply.
  window.__benchClearLine = () => {
    arrivedAt = null;
    window.__benchPageTurnarounds = [];
  };
  window.__benchLineIn = (text) => {
    arrivedAt = performance.now();
    arrived.push(...Array.from(text, (character) => character.charCodeAt(0)));
    if (waiting) {
      const reader = waiting;
      waiting = null;
      reader(arrived.splice(0));
    }
  };
  // What the fake port calls: a read waits for the next characters, a write goes out at once.
  window.__vn340FakeSerialRead = () =>
    arrived.length > 0 ? arrived.splice(0) : new Promise((resolve) => {
      waiting = resolve;
    });
  window.__vn340FakeSerialWrite = (bytes) => {
    if (arrivedAt !== null) {
      window.__benchPageTurnarounds.push(performance.now() - arrivedAt);
      arrivedAt = null;
    }
    window.__benchLineOut(String.fromCharCode(...bytes));
  };
}

async function bridgeToSimulator(page, simulator) {
  const line = { sent: 0, received: 0, text: '', turnarounds: [] };
  let handedAt = null;
  const cdp = await page.context().newCDPSession(page);
  await cdp.send('Runtime.enable');
  await cdp.send('Runtime.addBinding', { name: '__benchLineOut' });
  cdp.on('Runtime.bindingCalled', ({ name, payload }) => {
    if (name !== '__benchLineOut') {
      return;
    }
    if (handedAt !== null) {
      line.turnarounds.push(performance.now() - handedAt);
      handedAt = null;
    }
    line.sent += payload.length;
    line.text += payload;
    simulator.write(Buffer.from(payload, 'latin1'));
  });
  simulator.onData((bytes) => {
    line.received += bytes.length;
    handedAt = performance.now();
    const text = JSON.stringify(bytes.toString('latin1'));
    cdp.send('Runtime.evaluate', { expression: `window.__benchLineIn(${text})` }).catch(() => {});
  });
  await page.addInitScript(lineEndInPage);
  await page.addInitScript({ path: FAKE_SERIAL });
  return {
    line,
    async clear() {
      Object.assign(line, { sent: 0, received: 0, text: '', turnarounds: [] });
      handedAt = null;
      await page.evaluate(() => window.__benchClearLine());
    },
    pageTurnarounds: () => page.evaluate(() => window.__benchPageTurnarounds),
  };
}

// The frames the program sent: each ends with the terminator "aa", the rest being upper-case hex.
const framesOf = (text) => text.split('aa').filter((frame) => frame.length > 0);
// A write frame carries a word, an address and the operation: six bytes, twelve hex digits.
const isWriteFrame = (frame) => frame.length === 12;

// The waits the program itself keeps between frames, from the protocol's sequence engine: the
// step timer (kStepDelay, 1 ms) runs twice before a sequence's first frame (the sequence begins,
// then its identification begins) and once after each reply the engine has consumed, before it
// sends the next frame or finishes.
// - A read waits so after each identification and parameter word (the read-form frames), and
//   once more to finish: after the statistics word is left on the gyro, or after the gyro has
//   acknowledged its clearing, which is sent without a wait.
// - A store waits so after its identification, its servo flags and its writes but the last, then
//   sends each read-back as soon as the event loop is free (kReadBackStep, 0 ms) and waits one
//   step after the last read-back before it finishes.
function programWaitsMs(kind, frames) {
  if (kind === 'read') {
    return (2 + frames.filter((frame) => !isWriteFrame(frame)).length + 1) * STEP_DELAY_MS;
  }
  let lastWrite = -1;
  frames.forEach((frame, index) => {
    if (isWriteFrame(frame)) {
      lastWrite = index;
    }
  });
  // Every frame up to the last write waits after its reply but that last write; the last
  // read-back waits too: as many waits as there are frames up to the last write.
  return (2 + lastWrite + 1) * STEP_DELAY_MS;
}

// Marks, on the page's clock, the click that starts an exchange and the status that ends it.
function installExchangeClock() {
  const clock = { startOn: null, endOn: null, started: null, ended: null };
  window.__benchClock = clock;
  window.addEventListener(
    'click',
    (event) => {
      if (clock.started === null && event.target.id === clock.startOn) {
        clock.started = performance.now();
      }
    },
    true,
  );
  const status = document.getElementById('status');
  new MutationObserver(() => {
    if (clock.started !== null && clock.ended === null && status.textContent === clock.endOn) {
      clock.ended = performance.now();
    }
  }).observe(status, { childList: true, characterData: true, subtree: true });
}

async function armClock(page, startOn, endOn) {
  await page.evaluate(
    ([start, end]) => Object.assign(window.__benchClock, { startOn: start, endOn: end, started: null, ended: null }),
    [startOn, endOn],
  );
}

async function clockedTime(page) {
  await page.waitForFunction(() => window.__benchClock.ended !== null, null, { timeout: 30_000 });
  await page.locator('#read:enabled').waitFor({ timeout: 5_000 });
  return page.evaluate(() => window.__benchClock.ended - window.__benchClock.started);
}

async function timedRead(page) {
  await armClock(page, 'read', 'Read complete');
  await page.getByRole('button', { name: 'Read from gyro', exact: true }).click();
  return clockedTime(page);
}

// Timed from "I agree": the store begins when the pilot agrees to the safety warning.
async function timedStore(page) {
  await page.getByRole('button', { name: 'Store to gyro', exact: true }).click();
  const agree = page.locator('#agree');
  await agree.waitFor();
  await armClock(page, 'agree', 'Write complete');
  await agree.click();
  return clockedTime(page);
}

function wireFigures(kind, runs) {
  const took = median(runs.map((one) => one.took));
  const { line } = runs[0];
  const frames = framesOf(line.text);
  const characters = line.sent + line.received;
  const wire = (characters * BITS_PER_CHARACTER * 1000) / BAUD;
  const waits = programWaitsMs(kind, frames);
  const ratio = took / wire;
  const withWaits = took / (wire + waits);
  const sum = (values) => values.reduce((total, value) => total + value, 0);
  const turnaround = median(runs.map((one) => median(one.line.turnarounds)));
  const inPage = median(runs.map((one) => median(one.inPage)));
  // What the bridge adds: each turnaround as the bridge sees it, less the same one in the page.
  const withoutBridge = median(runs.map((one) => one.took - (sum(one.line.turnarounds) - sum(one.inPage))));
  row(`${kind} time, click to status`, ms(took), `runs: ${runs.map((one) => one.took.toFixed(0)).join(' ')} ms`);
  row('  characters on the line (sent + received)', `${line.sent} + ${line.received}`, `${frames.length} frames`);
  row('  wire time (characters x 10 bits / 9600 baud)', ms(wire));
  row('  ratio to wire time', ratio.toFixed(3), `budget <= ${BUDGET_WIRE_RATIO}: ${within(ratio, BUDGET_WIRE_RATIO)}`);
  row("  program's own waits between frames", ms(waits), "step timers of 1 ms, as the gyro's protocol needs");
  row('  ratio to wire time + those waits', withWaits.toFixed(3), `budget <= ${BUDGET_WIRE_RATIO}: ${within(withWaits, BUDGET_WIRE_RATIO)}`);
  row('  turnaround a frame in the bridge, median', ms(turnaround), 'reply sent to the page -> next frame back');
  row('  turnaround a frame in the page, median', ms(inPage), "reply in the page -> next frame out (page, module, waits)");
  row(`  ${kind} time less the bridge's own hops`, ms(withoutBridge), `ratio to wire time ${(withoutBridge / wire).toFixed(3)}`);
  // The program's own share: the line's time plus every turnaround the page took, nothing else.
  const ownShare = wire + median(runs.map((one) => sum(one.inPage)));
  row("  wire time + the page's turnarounds", ms(ownShare), `ratio to wire time ${(ownShare / wire).toFixed(3)}`);
  // The protocol makes the program wait between frames; whether those waits explain the time
  // beyond the wire's is said in so many words.
  const overWire = Math.max(took - wire, Number.EPSILON);
  const share = Math.min(100, (100 * waits) / overWire);
  row('  note', '', `the waits the gyro's protocol asks for are ${share.toFixed(0)}% of the time beyond the wire's` +
    (share >= 50 ? ': they dominate it' : ': they do not dominate it'));
}

// The emscripten loader keeps the module's linear memory to itself; the benchmark keeps a hand on
// it as the module is instantiated.
function keepModuleMemory() {
  window.__benchMemories = [];
  const keep = (result) => {
    for (const value of Object.values((result.instance ?? result).exports ?? {})) {
      if (value instanceof WebAssembly.Memory) {
        window.__benchMemories.push(value);
      }
    }
    return result;
  };
  const streaming = WebAssembly.instantiateStreaming;
  const plain = WebAssembly.instantiate;
  if (streaming) {
    WebAssembly.instantiateStreaming = (...args) => streaming.apply(WebAssembly, args).then(keep);
  }
  WebAssembly.instantiate = (...args) => plain.apply(WebAssembly, args).then(keep);
}

// A fresh context, the page loaded and its session started; with a simulator, behind the bridge.
async function openBenchPage(browser, server, simulator = null) {
  const context = await browser.newContext({ viewport: { width: 1280, height: 800 } });
  const page = await context.newPage();
  await page.addInitScript(keepModuleMemory);
  const bridge = simulator ? await bridgeToSimulator(page, simulator) : null;
  await page.goto(server.url);
  await page.locator('#window:not([inert])').waitFor({ timeout: 15_000 });
  await page.evaluate(installExchangeClock);
  return { context, page, bridge };
}

async function exchangesThroughWebSerial(browser, server) {
  heading(`3./4. Through the fake Web Serial port to vn340-sim --baud-pace (${BAUD} baud, median of ${EXCHANGES})`);
  const simulator = await startSimulator();
  let context;
  try {
    const opened = await openBenchPage(browser, server, simulator);
    context = opened.context;
    const { page, bridge } = opened;
    await page.getByRole('button', { name: 'Connect', exact: true }).click();
    await page.locator('#read:enabled').waitFor({ timeout: 10_000 });

    const measure = async (kind, exchange) => {
      const runs = [];
      for (let i = 0; i < EXCHANGES; i += 1) {
        await bridge.clear();
        const took = await exchange(page);
        runs.push({ took, line: { ...bridge.line }, inPage: await bridge.pageTurnarounds() });
      }
      wireFigures(kind, runs);
    };
    await measure('read', timedRead);
    await measure('store', timedStore);
  } finally {
    await context?.close();
    await simulator.stop();
  }
}

// ---- 5. the tab's memory over many reads ---------------------------------------------------

async function tabMemory(page, cdp) {
  await cdp.send('HeapProfiler.collectGarbage');
  const { metrics } = await cdp.send('Performance.getMetrics');
  const metric = (name) => metrics.find((one) => one.name === name)?.value ?? NaN;
  return {
    heap: metric('JSHeapUsedSize'),
    nodes: metric('Nodes'),
    listeners: metric('JSEventListeners'),
    wasm: await page.evaluate(() => window.__benchMemories.reduce((sum, memory) => sum + memory.buffer.byteLength, 0)),
  };
}

async function memoryOverReads(browser, server) {
  heading(`5. The tab's memory over ${READS_FOR_MEMORY} reads of the module's simulated gyro (after a garbage collection)`);
  const { context, page } = await openBenchPage(browser, server);
  try {
    const cdp = await context.newCDPSession(page);
    await cdp.send('Performance.enable');
    await cdp.send('HeapProfiler.enable');
    await page.getByRole('button', { name: 'Try without a gyro', exact: true }).click();
    await page.locator('#read:enabled').waitFor({ timeout: 10_000 });
    const started = await tabMemory(page, cdp);
    // The first read fills what any first read fills (the gyro's history among it).
    await timedRead(page);
    const before = await tabMemory(page, cdp);
    const times = [];
    for (let i = 0; i < READS_FOR_MEMORY; i += 1) {
      times.push(await timedRead(page));
    }
    const after = await tabMemory(page, cdp);
    const show = (label, state) =>
      row(label, kib(state.heap), `wasm memory ${kib(state.wasm)}, ${state.nodes} nodes, ${state.listeners} listeners`);
    show('JS heap used, session started', started);
    show('JS heap used, after the first read', before);
    show(`JS heap used, after ${READS_FOR_MEMORY} more reads`, after);
    row(`growth over the ${READS_FOR_MEMORY} reads`, kib(after.heap - before.heap),
      `${((after.heap - before.heap) / READS_FOR_MEMORY / KIB).toFixed(2)} KiB a read; wasm memory ${kib(after.wasm - before.wasm)}`);
    row('  read time with the simulated gyro, median', ms(median(times)));
  } finally {
    await context.close();
  }
}

// ---- 6. the live plots and the tab over a long run of diagnostics ----------------------------

// Frames the browser painted, the rounds that came, and the main thread's long tasks, from now.
function countFrames() {
  window.__benchFrames = { frames: 0, longTasks: 0, began: performance.now() };
  const tick = () => {
    window.__benchFrames.frames += 1;
    requestAnimationFrame(tick);
  };
  requestAnimationFrame(tick);
  new PerformanceObserver((list) => {
    window.__benchFrames.longTasks += list.getEntries().length;
  }).observe({ type: 'longtask' });
}

// The resident and the private (anonymous) memory of the browser's renderer processes, as the
// system counts them. A browser of one page has a few: the page's, and spares kept ready.
async function rendererMemory(browserCdp) {
  const { processInfo } = await browserCdp.send('SystemInfo.getProcessInfo');
  const memory = { resident: 0, private: 0, processes: 0 };
  for (const { type, id } of processInfo) {
    if (type !== 'renderer') {
      continue;
    }
    const status = await readFile(`/proc/${id}/status`, 'utf8').catch(() => '');
    const kb = (field) => Number(new RegExp(`^${field}:\\s+(\\d+) kB`, 'm').exec(status)?.[1] ?? 0);
    memory.resident += kb('VmRSS') * KIB;
    memory.private += kb('RssAnon') * KIB;
    memory.processes += 1;
  }
  return memory;
}

// In a browser of its own, so that the only renderer is the page's (the earlier sections' closed
// pages leave theirs behind for a while).
async function liveDiagnostics(server) {
  const minutes = Number(process.env.VN340_BENCH_DIAGNOSTICS_MINUTES ?? DIAGNOSTICS_MINUTES);
  heading(`6. Diagnostics of the module's simulated gyro: the live plots, and the tab over ${minutes} min`);
  const browser = await launchBrowser();
  const { context, page } = await openBenchPage(browser, server);
  try {
    const cdp = await context.newCDPSession(page);
    await cdp.send('Performance.enable');
    await cdp.send('HeapProfiler.enable');
    const browserCdp = await browser.newBrowserCDPSession();
    await page.getByRole('button', { name: 'Try without a gyro', exact: true }).click();
    await page.locator('#diagnostics:enabled').waitFor({ timeout: 10_000 });
    await page.getByRole('button', { name: 'Start diagnostics', exact: true }).click();
    await page.locator('#gyro-value:not(:empty)').waitFor({ timeout: 10_000 });

    await page.evaluate(countFrames);
    await page.waitForTimeout(FPS_WINDOW_MS);
    const counted = await page.evaluate(() => ({
      ...window.__benchFrames,
      seconds: (performance.now() - window.__benchFrames.began) / 1000,
    }));
    const fps = counted.frames / counted.seconds;
    row('frames painted a second while the plots run', fps.toFixed(1),
      `${fps >= BUDGET_FPS ? 'within budget' : 'OVER BUDGET'} (at least ${BUDGET_FPS}); ` +
      `${counted.longTasks} long tasks over ${counted.seconds.toFixed(1)} s`);

    const sample = async () => ({ ...(await rendererMemory(browserCdp)), ...(await tabMemory(page, cdp)) });
    const show = (label, state) =>
      row(label, kib(state.resident), `private ${kib(state.private)} in ${state.processes} renderers; ` +
        `JS heap ${kib(state.heap)}, wasm memory ${kib(state.wasm)}, ${state.nodes} nodes`);
    // The first minute settles what any start settles (spare renderers trimmed, caches filled).
    await page.waitForTimeout(60_000);
    const first = await sample();
    show('renderers\' resident memory after 1 min', first);
    let last = first;
    for (let minute = 2; minute <= minutes + 1; minute += 1) {
      await page.waitForTimeout(60_000);
      last = await sample();
      show(`  after ${minute} min`, last);
    }
    const growth = last.resident - first.resident;
    row(`growth over the ${minutes} min after that`, kib(growth),
      `${growth <= BUDGET_RESIDENT_GROWTH ? 'within budget' : 'OVER BUDGET'} (at most ${kib(BUDGET_RESIDENT_GROWTH)}); ` +
      `private ${kib(last.private - first.private)}, JS heap ${kib(last.heap - first.heap)}, wasm memory ${kib(last.wasm - first.wasm)}`);
  } finally {
    await context.close();
    await browser.close();
  }
}

// ---- the run -------------------------------------------------------------------------------

async function main() {
  requireModule();
  const began = Date.now();
  const server = await startServer();
  const browser = await launchBrowser();
  try {
    console.log(`vn340 page benchmark: Chromium ${browser.version()} headless, Node ${process.version}, ${WEB_FOLDER}`);
    const load = os.loadavg().map((value) => value.toFixed(2)).join(' ');
    console.log(`machine: ${os.cpus().length} cores, load average ${load} (figures are wall times on a shared machine)`);
    await pageSize(browser, server);
    await firstLoad(browser, server);
    await exchangesThroughWebSerial(browser, server);
    await memoryOverReads(browser, server);
    await liveDiagnostics(server);
  } finally {
    await browser.close();
    await server.stop();
  }
  console.log(`\n(whole run ${((Date.now() - began) / 1000).toFixed(0)} s)`);
}

await main();
