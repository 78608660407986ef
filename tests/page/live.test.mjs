// Live signals on the page: "Start diagnostics" against a real vn340-sim shows its signals as
// numbers and curves and ends with "Stop diagnostics"; "Record…" hands over a CSV of exactly the
// rounds the module sent between the pilot's two clicks. The rounds are counted where the
// module hands them to the page, apart from the page's own counting.
import assert from 'node:assert/strict';
import { readFile } from 'node:fs/promises';
import { after, before, describe, it } from 'node:test';

import {
  assertEnabled,
  launchBrowser,
  openInContext,
  requireModule,
  startServer,
  startSimulator,
  tryWithoutGyro,
} from './support.mjs';

// Put in before the page's scripts: every session the page makes passes its "live" events, and
// the recording's start and stop, through a tally of the test's own.
function tallyRounds() {
  const seen = { rounds: [], started: null, stopped: null, session: null };
  window.__vn340Live = seen;
  let create;
  Object.defineProperty(window, 'createVn340', {
    configurable: true,
    get: () => create,
    set(made) {
      create = async (...args) => {
        const Module = await made(...args);
        const Session = Module.PageSession;
        Module.PageSession = function Tallied(onEvent, onWrite) {
          const session = new Session((kind, json) => {
            if (kind === 'live') {
              seen.rounds.push(JSON.parse(json));
            }
            onEvent(kind, json);
          }, onWrite);
          const start = session.startRecording.bind(session);
          const stop = session.stopRecording.bind(session);
          session.startRecording = () => {
            const started = start();
            seen.started = seen.rounds.length;
            return started;
          };
          session.stopRecording = () => {
            seen.stopped = seen.rounds.length;
            return stop();
          };
          seen.session = session;
          return session;
        };
        return Module;
      };
    },
  });
}

// The plot as drawn, to tell whether it changed.
const picture = (page, id) => page.evaluate((which) => document.getElementById(which).toDataURL(), id);
const waitForRounds = (page, n) =>
  page.waitForFunction((count) => window.__vn340Live.rounds.length >= count, n, { timeout: 10_000 });

const roundsSeen = (page) => page.evaluate(() => window.__vn340Live.rounds.length);
const text = (page, id) => page.evaluate((which) => document.getElementById(which).textContent, id);

// Where a plot's curve lies: the rows of its canvas that hold the curve's colour (the signal's
// blue, or the gain percent's orange), as fractions of the canvas's height (none on a blank
// canvas); the gain percent's labels, right of its plot, are left out.
function curveRows(page, id, colour = 'blue') {
  return page.evaluate(([which, hue]) => {
    const canvas = document.getElementById(which);
    const { data, width, height } = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height);
    const isHue = hue === 'blue'
      ? (r, g, b) => b > 120 && b - r > 60
      : (r, g, b) => r > 150 && r - b > 120 && g > 60 && g < 140;
    // The percent's labels stand right of the plot, 34 pixels of the page wide.
    const scale = width / canvas.clientWidth;
    const plotTo = hue === 'blue' ? width : width - 34 * scale;
    const rows = new Set();
    for (let i = 0; i < data.length; i += 4) {
      const column = (i / 4) % width;
      if (column < plotTo && isHue(data[i], data[i + 1], data[i + 2])) {
        rows.add(Math.floor(i / 4 / width) / height);
      }
    }
    return [...rows];
  }, [id, colour]);
}

describe('live signals on the page', () => {
  let server;
  let browser;
  let simulator;
  const opened = [];

  before(async () => {
    requireModule();
    server = await startServer();
    browser = await launchBrowser();
  });

  after(async () => {
    for (const problems of opened) {
      assert.deepEqual(problems, [], 'the page reported no errors');
    }
    await browser?.close();
    await server?.stop();
    await simulator?.stop();
  });

  async function open(options) {
    const context = await browser.newContext({ acceptDownloads: true, viewport: { width: 1280, height: 800 } });
    await context.addInitScript(tallyRounds);
    const session = await openInContext(context, server, options);
    opened.push(session.problems);
    return session;
  }

  it('shows the gyro\'s signals as numbers and curves while diagnostics run, and stops them', async () => {
    simulator = await startSimulator(['--live', '498,1640,1870']);
    const { page, context } = await open({ simulator });
    const start = page.getByRole('button', { name: 'Start diagnostics', exact: true });
    assert.equal(await start.isDisabled(), true, 'no gyro to ask');
    await page.getByRole('button', { name: 'Connect', exact: true }).click();
    await assertEnabled(start);
    await start.click();
    const stop = page.getByRole('button', { name: 'Stop diagnostics', exact: true });
    await stop.waitFor();
    const read = page.getByRole('button', { name: 'Read from gyro', exact: true });
    assert.equal(await read.isDisabled(), true, 'no read while diagnostics run');
    await page.waitForFunction(() => window.__vn340Live.rounds.length >= 2, null, { timeout: 10_000 });
    const last = await page.evaluate(() => window.__vn340Live.rounds.at(-1));
    assert.deepEqual([last.gyro, last.rudder, last.gain], [498, 1640, 1870], 'the simulator\'s signals');

    const shown = [
      { plot: 'Gyro = 0498', value: 'gyro-value' },
      { plot: 'Rudder = 1640 \u00b5s', value: 'rudder-value' },
      { plot: 'Gain = 1870 \u00b5s (70%)', value: 'gain-value' },
    ];
    for (const { plot, value } of shown) {
      await page.getByRole('img', { name: plot, exact: true }).waitFor({ timeout: 2_000 });
      assert.equal(await text(page, value), plot, `${value} in sight`);
    }
    // Pulse widths on the axis that holds them: the gyro's 498 low down, the gain's 1870 high.
    const places = [
      { name: 'gyro', canvas: 'gyro-plot', from: 0.75, to: 1 },
      { name: 'rudder', canvas: 'rudder-plot', from: 0.25, to: 0.6 },
      { name: 'gain', canvas: 'gain-plot', from: 0, to: 0.3 },
    ];
    for (const { name, canvas, from, to } of places) {
      const rows = await curveRows(page, canvas);
      assert.ok(rows.length > 0, `the ${name} curve is drawn`);
      assert.ok(rows.every((row) => row >= from && row <= to), `the ${name} curve at ${rows}`);
    }
    // The gain's 70 % against its own axis of 0 to 100 %, a little under a third from the top.
    const percent = await curveRows(page, 'gain-plot', 'orange');
    assert.ok(percent.length > 0, 'the gain percent is drawn');
    assert.ok(percent.every((row) => row >= 0.2 && row <= 0.35), `the gain percent at ${percent}`);

    await stop.click();
    await start.waitFor();
    await assertEnabled(read);
    const running = await page.evaluate(() => JSON.parse(window.__vn340Live.session.view()).diagnosticsRunning);
    assert.equal(running, false);
    await context.close();
    await simulator.stop();
    simulator = null;
  });

  it('hands over a CSV of exactly the rounds sent between "Record…" and "Stop recording"', async () => {
    const { page, context } = await open({ savePicker: false });
    await tryWithoutGyro(page);
    const record = page.getByRole('button', { name: 'Record\u2026', exact: true });
    await page.getByRole('button', { name: 'Start diagnostics', exact: true }).click();
    await page.waitForFunction(() => window.__vn340Live.rounds.length >= 1, null, { timeout: 10_000 });

    await record.click();
    const stop = page.getByRole('button', { name: 'Stop recording', exact: true });
    await stop.waitFor();
    assert.equal(await text(page, 'recording-text'), 'Recording every round');
    const from = await roundsSeen(page);
    await page.waitForFunction((n) => window.__vn340Live.rounds.length >= n + 3, from, { timeout: 10_000 });
    const download = page.waitForEvent('download');
    await stop.click();
    const file = await download;
    const { rounds, started, stopped } = await page.evaluate(() => window.__vn340Live);
    const recorded = rounds.slice(started, stopped);
    assert.ok(recorded.length >= 3, `${recorded.length} rounds recorded`);

    assert.equal(file.suggestedFilename(), 'vn340-live.csv');
    const [header, ...rows] = (await readFile(await file.path(), 'utf8')).trimEnd().split('\n');
    assert.equal(header, 'time_s,gyro,rudder_us,gain_us,gain_percent');
    assert.deepEqual(
      rows.map((row) => row.split(',').slice(1, 4).map(Number)),
      recorded.map(({ gyro, rudder, gain }) => [gyro, rudder, gain]),
      'a row for each round, in order',
    );
    assert.equal(await text(page, 'recording-text'), `${recorded.length} rounds recorded to vn340-live.csv`);
    await record.waitFor();
    await page.getByRole('button', { name: 'Stop diagnostics', exact: true }).click();
    await assertEnabled(page.getByRole('button', { name: 'Read from gyro', exact: true }));
    assert.equal(await record.isDisabled(), true, 'nothing to record once diagnostics stopped');
    await context.close();
  });

  it('holds the plots still while paused, as the rounds go on arriving, and moves them again after', async () => {
    const { page, context } = await open();
    await tryWithoutGyro(page);
    await page.getByRole('button', { name: 'Start diagnostics', exact: true }).click();
    await waitForRounds(page, 2);
    const pause = page.getByRole('button', { name: 'Pause', exact: true });
    await pause.click();
    assert.equal(await pause.getAttribute('aria-pressed'), 'true');
    const still = await picture(page, 'rudder-plot');
    await waitForRounds(page, (await roundsSeen(page)) + 3);
    assert.equal(await picture(page, 'rudder-plot'), still, 'the plot held while paused');

    // Space, with the focus on the page itself, goes on.
    await page.evaluate(() => document.activeElement.blur());
    await page.keyboard.press(' ');
    assert.equal(await pause.getAttribute('aria-pressed'), 'false');
    await waitForRounds(page, (await roundsSeen(page)) + 2);
    await page.waitForFunction(
      ([id, held]) => document.getElementById(id).toDataURL() !== held, ['rudder-plot', still], { timeout: 5_000 });
    await page.getByRole('button', { name: 'Stop diagnostics', exact: true }).click();
    await context.close();
  });
});
