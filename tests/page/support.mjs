// What the page's tests share: the page served by web/serve.mjs on a free port, Debian's
// Chromium driven headless, the page opened with or without Web Serial, a real vn340-sim on a
// pseudo-terminal behind the fake port, and temporary folders of the tests' own.
import { execFile, spawn } from 'node:child_process';
import { existsSync } from 'node:fs';
import fs from 'node:fs';
import { mkdtemp, rm } from 'node:fs/promises';
import os from 'node:os';
import path from 'node:path';
import readline from 'node:readline';
import tty from 'node:tty';
import { fileURLToPath } from 'node:url';
import { promisify } from 'node:util';

import assert from 'node:assert/strict';
import { after, before } from 'node:test';

import { chromium } from 'playwright-core';

const here = path.dirname(fileURLToPath(import.meta.url));
export const ROOT = path.resolve(here, '../..');
// The served folder: the browser build's, or another given in VN340_WEB.
export const WEB_FOLDER = process.env.VN340_WEB ?? path.join(ROOT, 'build-browser', 'web');
export const SIMULATOR = process.env.VN340_SIM ?? path.join(ROOT, 'build', 'tools', 'sim', 'vn340-sim');
export const CHROMIUM = process.env.VN340_CHROMIUM ?? '/usr/bin/chromium';
const FAKE_SERIAL = path.join(here, 'fake_serial.js');

// The desktop's vn340-cli, where the build put it; null when it was not built.
export function desktopCli() {
  const places = [
    path.join(ROOT, 'build', 'src', 'cli', 'vn340-cli'),
    path.join(ROOT, 'build', 'src', 'app', 'vn340-cli'),
  ];
  return places.find((place) => existsSync(place)) ?? null;
}

export function requireModule() {
  if (!existsSync(path.join(WEB_FOLDER, 'vn340.js')) || !existsSync(path.join(WEB_FOLDER, 'vn340.wasm'))) {
    throw new Error(`${WEB_FOLDER} has no module: build it with "cmake --build --preset browser --target vn340-web"`);
  }
}

// The first line a child prints, or its failure.
function firstLine(child, what) {
  return new Promise((resolve, reject) => {
    const lines = readline.createInterface({ input: child.stdout });
    lines.once('line', (line) => {
      lines.close();
      resolve(line.trim());
    });
    child.once('exit', (code) => reject(new Error(`${what} ended (${code}) before it printed anything`)));
    child.once('error', reject);
  });
}

async function stopChild(child) {
  if (child.exitCode !== null || child.signalCode !== null) {
    return;
  }
  const ended = new Promise((resolve) => child.once('exit', resolve));
  child.kill('SIGTERM');
  await ended;
}

// web/serve.mjs on a free port of the loopback address; `url` ends in "/".
export async function startServer(folder = WEB_FOLDER) {
  const child = spawn(process.execPath, [path.join(ROOT, 'web', 'serve.mjs'), '--port', '0', folder], {
    stdio: ['ignore', 'pipe', 'inherit'],
  });
  const shown = await firstLine(child, 'serve.mjs');
  // Chromium counts 127.0.0.1 as a secure context, as it does localhost.
  const url = shown.replace('//localhost:', '//127.0.0.1:');
  return { url, stop: () => stopChild(child) };
}

export async function launchBrowser() {
  return chromium.launch({ executablePath: CHROMIUM, headless: true, args: ['--no-sandbox'] });
}

// A folder of the test's own; the test removes it with removeFolder.
export function tempFolder() {
  return mkdtemp(path.join(os.tmpdir(), 'vn340-web-'));
}

export function removeFolder(folder) {
  return folder ? rm(folder, { recursive: true, force: true }) : undefined;
}

// A fresh browser profile (so no storage of another test), the page loaded and started.
// options.webSerial: 'none' removes navigator.serial and navigator.usb, as a browser without
// either (Firefox, Safari); a simulator bridges the fake port to it.
// options.savePicker false leaves the page only the download to save with.
export async function openPage(browser, server, options = {}) {
  const context = await browser.newContext({ acceptDownloads: true, viewport: { width: 1280, height: 800 } });
  return openInContext(context, server, options);
}

// The page opened again in a profile that already has it, so with the storage it kept.
// `problems` collects the page's errors, what the console says as errors and everything its
// Content-Security-Policy refused.
export async function openInContext(context, server, options = {}) {
  const page = await context.newPage();
  const problems = [];
  page.on('pageerror', (error) => problems.push(error.message));
  page.on('console', (message) => message.type() === 'error' && problems.push(message.text()));
  await page.exposeFunction('__vn340PolicyRefused', (what) => problems.push(`Content-Security-Policy refused ${what}`));
  await page.addInitScript(() => {
    document.addEventListener('securitypolicyviolation', (event) =>
      window.__vn340PolicyRefused(`${event.effectiveDirective}: ${event.blockedURI}`));
  });
  if (options.webSerial === 'none') {
    await page.addInitScript(() => {
      delete Navigator.prototype.serial;
      delete Navigator.prototype.usb;
    });
  }
  if (options.savePicker === false) {
    await page.addInitScript(() => {
      delete window.showSaveFilePicker;
    });
  }
  let fake = null;
  if (options.simulator) {
    fake = await bridgeFakeSerial(page, options.simulator);
  }
  await page.goto(server.url);
  await page.locator('#window:not([inert])').waitFor({ timeout: 15_000 });
  return { context, page, problems, fake };
}

async function bridgeFakeSerial(page, simulator) {
  const waiting = [];
  const chunks = [];
  let pulledOut = false;
  simulator.onData((bytes) => {
    if (pulledOut) {
      return;
    }
    const reader = waiting.shift();
    if (reader) {
      reader(Array.from(bytes));
    } else {
      chunks.push(bytes);
    }
  });
  // A page loaded again reads afresh; what the old one waited for is no longer anyone's.
  page.on('framenavigated', (frame) => {
    if (frame === page.mainFrame()) {
      waiting.length = 0;
    }
  });
  await page.exposeFunction('__vn340FakeSerialWrite', (bytes) => {
    if (!pulledOut) {
      simulator.write(Buffer.from(bytes));
    }
  });
  await page.exposeFunction('__vn340FakeSerialRead', () => {
    if (pulledOut) {
      return null;
    }
    if (chunks.length > 0) {
      return Array.from(chunks.shift());
    }
    return new Promise((resolve) => waiting.push(resolve));
  });
  await page.addInitScript({ path: FAKE_SERIAL });
  return {
    log: () => page.evaluate(() => window.__vn340FakeSerial.log),
    async unplug() {
      pulledOut = true;
      for (const reader of waiting.splice(0)) {
        reader(null);
      }
      await page.evaluate(() => window.__vn340FakeSerial.unplug());
    },
    async replug() {
      pulledOut = false;
      chunks.length = 0;
      await page.evaluate(() => window.__vn340FakeSerial.replug());
    },
  };
}

// vn340-sim on a pseudo-terminal, replying at the pace of the adapter's 9600 baud line.
export async function startSimulator(args = []) {
  const child = spawn(SIMULATOR, ['--baud-pace', ...args], { stdio: ['ignore', 'pipe', 'inherit'] });
  const device = await firstLine(child, 'vn340-sim');
  await promisify(execFile)('stty', ['-F', device, 'raw', '-echo']);
  const { O_RDWR, O_WRONLY, O_NOCTTY } = fs.constants;
  const input = new tty.ReadStream(fs.openSync(device, O_RDWR | O_NOCTTY));
  input.on('error', () => {}); // the simulator's end closing
  const output = fs.openSync(device, O_WRONLY | O_NOCTTY);
  return {
    device,
    onData: (handler) => input.on('data', handler),
    write: (bytes) => fs.writeSync(output, bytes),
    async stop() {
      await stopChild(child);
      input.destroy();
      fs.closeSync(output);
    },
  };
}

// A control's shown value, read as the pilot sees it.
export async function shownValues(page) {
  return page.evaluate(() => {
    const value = (id) => document.getElementById(id).value;
    const chosen = (id) => {
      const select = document.getElementById(id);
      return select.selectedIndex < 0 ? null : select.options[select.selectedIndex].text;
    };
    const keys = ['highEndpoint', 'lowEndpoint', 'midpointTrim', 'stickDeadband', 'rateExpo',
      'cwStopGain', 'ccwStopGain', 'avcsExpo', 'avcsSensitivity',
      'firmwareVersion', 'loaderVersion', 'serialNumber', 'userComments'];
    return {
      ...Object.fromEntries(keys.map((key) => [key, value(key)])),
      servo: chosen('servo'),
      type: chosen('type'),
      speed: chosen('speed'),
      accel: value('accel'),
      decel: value('decel'),
      direction: document.querySelector('input[name="direction"]:checked')?.value ?? null,
    };
  });
}

// Waits until one of the files the module keeps in the browser's storage holds `text`.
export async function waitForStoredText(page, text) {
  await page.waitForFunction(
    (wanted) =>
      new Promise((resolve) => {
        const open = indexedDB.open('/home/web');
        open.onerror = () => resolve(false);
        open.onsuccess = () => {
          const db = open.result;
          if (!db.objectStoreNames.contains('FILE_DATA')) {
            resolve(false);
            return;
          }
          const all = db.transaction('FILE_DATA').objectStore('FILE_DATA').getAll();
          all.onsuccess = () =>
            resolve(all.result.some((entry) => entry.contents && new TextDecoder().decode(entry.contents).includes(wanted)));
          all.onerror = () => resolve(false);
        };
      }),
    text,
    { timeout: 10_000 },
  );
}

export async function waitForStatus(page, text, timeout = 20_000) {
  await page.locator('#status').filter({ hasText: text }).waitFor({ timeout });
}

export async function assertEnabled(locator) {
  await locator.and(locator.page().locator(':enabled')).waitFor({ timeout: 5_000 });
}

export async function tryWithoutGyro(page) {
  await page.getByRole('button', { name: 'Try without a gyro', exact: true }).click();
  await assertEnabled(page.getByRole('button', { name: 'Read from gyro', exact: true }));
}

export async function readGyro(page) {
  await page.getByRole('button', { name: 'Read from gyro', exact: true }).click();
  await waitForStatus(page, 'Read complete');
  await assertEnabled(page.getByRole('button', { name: 'Read from gyro', exact: true }));
}

// Types as the pilot does, key by key, and leaves the box with Tab.
export async function typeInto(box, text) {
  await box.click();
  await box.press('ControlOrMeta+A');
  await box.press('Delete');
  await box.pressSequentially(text);
  await box.press('Tab');
}

export const highEndpoint = (page) => page.getByRole('group', { name: 'Servo' }).getByLabel('High endpoint');

export async function run(program, args, env = {}) {
  try {
    const { stdout, stderr } = await promisify(execFile)(program, args, { env: { ...process.env, ...env } });
    return { code: 0, stdout, stderr };
  } catch (error) {
    return { code: error.code, stdout: error.stdout ?? '', stderr: error.stderr ?? '' };
  }
}

// The desktop's words for each box, as vn340-cli prints them.
const CLI_NAMES = {
  highEndpoint: 'High endpoint',
  lowEndpoint: 'Low endpoint',
  midpointTrim: 'Midpoint trim',
  stickDeadband: 'Rudder stick deadband',
  rateExpo: 'Rudder exponential, Mode 1 (Rate)',
  cwStopGain: 'Clockwise stop gain',
  ccwStopGain: 'Counter clockwise stop gain',
  avcsExpo: 'Rudder exponential, Mode 2 (AVCS)',
  avcsSensitivity: 'Rudder sensitivity',
  servo: 'Servo',
  type: 'Type',
  speed: 'Speed',
  accel: 'Acceleration profile',
  decel: 'Deceleration profile',
  direction: 'Direction',
};
const CLI_IDENTIFICATION = {
  firmwareVersion: 'Firmware version',
  loaderVersion: 'Loader version',
  serialNumber: 'Serial number',
};

// What vn340-cli reads from a vn340-sim started with `simArgs`, in the page's terms.
export async function desktopReading(home, simArgs = []) {
  const simulator = await startSimulator(simArgs);
  try {
    const cli = desktopCli();
    assert.ok(cli, 'vn340-cli is built');
    const env = { HOME: home, XDG_CONFIG_HOME: path.join(home, 'config'), XDG_DATA_HOME: path.join(home, 'data') };
    const answer = await run(cli, ['--port', simulator.device, 'read', '--json'], env);
    assert.equal(answer.code, 0, answer.stderr);
    const { identification, settings } = JSON.parse(answer.stdout);
    const reading = {};
    for (const [key, name] of Object.entries(CLI_NAMES)) {
      reading[key] = String(settings[name]).toLowerCase();
    }
    for (const [key, name] of Object.entries(CLI_IDENTIFICATION)) {
      reading[key] = identification[name];
    }
    return reading;
  } finally {
    await simulator.stop();
  }
}

export function comparable(shown) {
  const values = {};
  for (const key of [...Object.keys(CLI_NAMES), ...Object.keys(CLI_IDENTIFICATION)]) {
    values[key] = String(shown[key]).toLowerCase();
  }
  return values;
}

// What the tests of one suite share: the served page, a browser, a temporary folder of their
// own, and the pages opened through open(), each checked once the suite is over to have
// reported no error. What is handed to keep() (a simulator) is stopped with them.
export function pageSuite() {
  const suite = { server: null, browser: null, home: null, opened: [], kept: [] };
  before(async () => {
    requireModule();
    suite.home = await tempFolder();
    suite.server = await startServer();
    suite.browser = await launchBrowser();
  });
  after(async () => {
    for (const { problems } of suite.opened) {
      assert.deepEqual(problems, [], 'the page reported no errors');
    }
    for (const thing of suite.kept) {
      await thing.stop();
    }
    await suite.browser?.close();
    await suite.server?.stop();
    await removeFolder(suite.home);
  });
  suite.open = async (options) => {
    const session = await openPage(suite.browser, suite.server, options);
    suite.opened.push(session);
    return session;
  };
  suite.keep = (thing) => {
    suite.kept.push(thing);
    return thing;
  };
  return suite;
}
