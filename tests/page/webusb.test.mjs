// The page on the Vexa-Plug's FTDI chip over WebUSB, where the browser has no serial driver for
// it: the chip's requests worked out for the adapter's line, the status bytes of its packets
// dropped, and in Chromium a fake chip bridged to a real vn340-sim: a read shows what the
// desktop reads, packets of status alone bring nothing, an unplugging ends a read as on the
// desktop and the adapter is taken back when it returns, and the ways the pilot gets to USB.
import assert from 'node:assert/strict';
import path from 'node:path';
import { after, before, describe, it } from 'node:test';
import { fileURLToPath } from 'node:url';

import { baudRateSetup, linePropertiesValue, payloadOf } from '../../web/ftdi_usb.js';
import {
  comparable,
  desktopReading,
  launchBrowser,
  removeFolder,
  requireModule,
  shownValues,
  startServer,
  startSimulator,
  tempFolder,
  waitForStatus,
} from './support.mjs';

const FAKE_USB = path.join(path.dirname(fileURLToPath(import.meta.url)), 'fake_usb.js');
// High endpoint 33: a gyro that holds something else than the factory settings.
const GYRO = ['--set', '0x0100=1658'];
const PORT_NAME = 'Vexa-Plug (USB)';
const USB = 'Connect over USB';
const FT232R = 0x0600;
const FT_X = 0x1000;

// The chip's baud request read back as the rate it makes, from the chip's documentation: a
// 3 MHz clock over a divisor of 14 whole bits and eighths in a 3-bit code (the code's top bit in
// the index: its lowest bit on the FT232R, its high byte's lowest on the FT-X); 0 and 1 divide
// by 1 and by 1.5.
const EIGHTHS_OF_CODE = [0, 4, 2, 1, 3, 5, 6, 7];
function decodedBaud({ value, index }, release) {
  const top = release === FT232R ? index & 1 : (index >> 8) & 1;
  const divisor = value | (top << 16);
  if (divisor <= 1) {
    return divisor === 0 ? 3_000_000 : 2_000_000;
  }
  return 3_000_000 / ((divisor & 0x3fff) + EIGHTHS_OF_CODE[divisor >> 14] / 8);
}

// The line request's fields as the chip reads them: data bits, parity, stop bits, break.
const lineFields = (v) => [v & 0xff, (v >> 8) & 7, (v >> 11) & 3, (v >> 14) & 1];

describe("the adapter chip's requests and packets", () => {
  const bauds = [
    { name: 'the adapter line on the FT232R', baud: 9600, release: FT232R },
    { name: 'the adapter line on the FT-X', baud: 9600, release: FT_X },
    { name: 'a divisor whose code needs its top bit, FT232R', baud: 29_888, release: FT232R },
    { name: 'a divisor whose code needs its top bit, FT-X', baud: 29_888, release: FT_X },
    { name: 'the fastest, the clock undivided', baud: 3_000_000, release: FT232R },
    { name: 'the clock over one and a half', baud: 2_000_000, release: FT_X },
    { name: 'the slowest the divisor reaches', baud: 184, release: FT232R },
  ];
  for (const { name, baud, release } of bauds) {
    it(`makes ${name}`, () => {
      const made = decodedBaud(baudRateSetup(baud, release), release);
      assert.ok(Math.abs(made - baud) / baud < 0.001, `${made} baud for ${baud}`);
    });
  }

  const impossible = [
    { name: 'below the slowest', baud: 183 },
    { name: 'between the clock and its two thirds', baud: 2_500_000 },
  ];
  for (const { name, baud } of impossible) {
    it(`refuses a rate ${name}`, () => {
      assert.throws(() => baudRateSetup(baud, FT232R), RangeError);
    });
  }

  it('sets data bits, parity and stop bits where the chip reads them', () => {
    const value = linePropertiesValue({ dataBits: 7, parity: 'even', stopBits: 2 });
    assert.deepEqual(lineFields(value), [7, 2, 2, 0]);
  });

  const reads = [
    { name: 'status alone brings nothing', packets: [0] },
    { name: 'one packet brings what follows its status', packets: [5] },
    { name: 'a full packet brings 62', packets: [62] },
    { name: 'two packets in one read lose both status pairs', packets: [62, 7] },
  ];
  for (const { name, packets } of reads) {
    it(name, () => {
      let next = 0;
      const sent = [];
      const bytes = [];
      for (const size of packets) {
        bytes.push(0x01, 0x60);
        for (let i = 0; i < size; i += 1) {
          sent.push(next);
          bytes.push(next);
          next = (next + 1) & 0xff;
        }
      }
      const data = new DataView(Uint8Array.from([0xee, ...bytes]).buffer, 1);
      assert.deepEqual(Array.from(payloadOf(data, 64)), sent);
    });
  }
});

// What the page hands the module, as the module's session is told it.
function spyOnArrivals() {
  const arrivals = [];
  window.__vn340Arrivals = arrivals;
  let factory;
  Object.defineProperty(window, 'createVn340', {
    configurable: true,
    set: (value) => {
      factory = value;
    },
    get: () =>
      factory &&
      (async (options) => {
        const Module = await factory(options);
        const proto = Module.PageSession.prototype;
        const told = proto.bytesArrived;
        proto.bytesArrived = function (name, bytes) {
          arrivals.push({ name, bytes: Array.from(bytes) });
          return told.call(this, name, bytes);
        };
        return Module;
      }),
  });
}

// No Web Serial ('none'), or one whose chooser fails with that error.
function serialThatFails(failure) {
  if (failure === 'none') {
    delete Navigator.prototype.serial;
    return;
  }
  const serial = new EventTarget();
  Object.assign(serial, {
    requests: 0,
    async requestPort() {
      serial.requests += 1;
      throw new DOMException('No port for that.', failure);
    },
    async getPorts() {
      return [];
    },
  });
  Object.defineProperty(Navigator.prototype, 'serial', { get: () => serial, configurable: true });
}

// A fresh browser profile with the fake chip, bridged to `simulator` when one is given.
async function openUsbPage(browser, server, { serial = 'none', simulator = null } = {}) {
  const context = await browser.newContext({ viewport: { width: 1280, height: 800 } });
  const page = await context.newPage();
  const problems = [];
  page.on('pageerror', (error) => problems.push(error.message));
  page.on('console', (message) => message.type() === 'error' && problems.push(message.text()));
  await page.addInitScript(serialThatFails, serial);
  await page.addInitScript(spyOnArrivals);
  await page.addInitScript({ path: FAKE_USB });
  const bridge = { sent: [], pulledOut: false };
  await page.exposeFunction('__vn340FakeUsbWrite', (bytes) => {
    if (simulator && !bridge.pulledOut) {
      simulator.write(Buffer.from(bytes));
    }
  });
  simulator?.onData((bytes) => {
    if (bridge.pulledOut) {
      return;
    }
    bridge.sent.push(...bytes);
    // A page being loaded again has no chip to take them; what it missed is no one's.
    page
      .evaluate((chunk) => window.__vn340FakeUsb.arrive(chunk), Array.from(bytes))
      .catch(() => {});
  });
  await page.goto(server.url);
  await page.locator('#window:not([inert])').waitFor({ timeout: 15_000 });
  return { context, page, problems, bridge };
}

const fakeLog = (page) => page.evaluate(() => window.__vn340FakeUsb.log);
const arrivedBytes = (page) => page.evaluate(() => window.__vn340Arrivals.flatMap((a) => a.bytes));
const portShown = (page, name) =>
  page.waitForFunction((wanted) => document.getElementById('port').value === wanted, name);
// Whatever the page does after a chooser closed is done once its next task runs.
const settled = (page) => page.evaluate(() => new Promise((resolve) => setTimeout(resolve, 0)));

async function connectOverUsb(page) {
  await page.getByRole('button', { name: USB }).click();
  await portShown(page, PORT_NAME);
}

describe('the page on the Vexa-Plug over WebUSB', () => {
  let server;
  let browser;
  let home;
  let expected;
  const opened = [];

  before(async () => {
    requireModule();
    home = await tempFolder();
    server = await startServer();
    browser = await launchBrowser();
    expected = await desktopReading(home, GYRO);
  });

  after(async () => {
    for (const thing of opened) {
      await thing.close?.();
      await thing.stop?.();
    }
    await browser?.close();
    await server?.stop();
    await removeFolder(home);
  });

  async function start(options) {
    const simulator = options.simulator ? await startSimulator(GYRO) : null;
    if (simulator) {
      opened.push(simulator);
    }
    const session = await openUsbPage(browser, server, { ...options, simulator });
    opened.push(session.context);
    return session;
  }

  it("connects, sets the chip to the adapter's line, reads what the desktop reads", async () => {
    const { page, bridge, problems } = await start({ simulator: true });
    assert.equal(await page.getByRole('button', { name: 'Connect', exact: true }).isHidden(), true);
    assert.equal(await page.getByLabel('Show all serial ports').isHidden(), true);
    await connectOverUsb(page);

    const log = await fakeLog(page);
    assert.deepEqual(log.requests, [{ filters: [{ vendorId: 0x0403 }] }]);
    assert.ok(log.controls.every((c) => c.requestType === 'vendor' && c.recipient === 'device'));
    const first = (request) => log.controls.findIndex((c) => c.request === request);
    const sent = (request) => log.controls[first(request)];
    // The chip's state reset, with the port's own byte, before its line is set.
    assert.deepEqual([sent(0).value, sent(0).index & 0xff], [0, 0]);
    for (const request of [1, 2, 3, 4]) {
      assert.ok(first(0) < first(request), `reset before request ${request}`);
    }
    assert.equal(decodedBaud(sent(3), FT232R), 9600);
    // 8 data bits, no parity (0), one stop bit (0), no break.
    assert.deepEqual(lineFields(sent(4).value), [8, 0, 0, 0]);
    assert.equal(sent(2).index >> 8, 0, 'no flow control');
    assert.equal(sent(1).value & 0x0303, 0x0303, 'DTR and RTS raised');

    await page.getByRole('button', { name: 'Read from gyro' }).click();
    await waitForStatus(page, 'Read complete');
    assert.deepEqual(comparable(await shownValues(page)), expected);
    // Every character the gyro sent reached the module, in its order, and nothing else did.
    assert.deepEqual(await arrivedBytes(page), bridge.sent);
    assert.deepEqual(problems, []);
  });

  it('takes packets of nothing but the status bytes as no characters', async () => {
    const { page, bridge, problems } = await start({ simulator: true });
    await connectOverUsb(page);
    await page.waitForFunction(() => window.__vn340FakeUsb.log.statusPackets >= 20);
    assert.deepEqual(await page.evaluate(() => window.__vn340Arrivals), []);

    // Status alone also between the packets of every reply.
    await page.evaluate(() => {
      window.__vn340FakeUsb.statusBeforeData = true;
    });
    await page.getByRole('button', { name: 'Read from gyro' }).click();
    await waitForStatus(page, 'Read complete');
    assert.deepEqual(await arrivedBytes(page), bridge.sent);
    assert.ok((await fakeLog(page)).dataPackets > 0);
    assert.deepEqual(problems, []);
  });

  it('ends a read cut short by the unplugging, and takes the adapter back', async () => {
    const { page, bridge, problems } = await start({ simulator: true });
    await connectOverUsb(page);
    await page.getByRole('button', { name: 'Read from gyro' }).click();
    await page.waitForFunction(() => window.__vn340FakeUsb.log.dataPackets >= 4);
    bridge.pulledOut = true;
    await page.evaluate(() => window.__vn340FakeUsb.unplug());

    const message = page.getByRole('alertdialog', { name: 'Tarvel RC' });
    await message.waitFor();
    const text = await message.locator('.prompt-text').textContent();
    assert.match(text, /^Unable to communicate with the vn340\./);
    assert.match(text, /The read did not finish/);
    await waitForStatus(page, 'Read did not finish');
    await message.getByRole('button', { name: 'OK' }).click();
    assert.equal(await page.getByLabel('Vexa-Plug port').inputValue(), PORT_NAME);
    assert.equal(await page.getByRole('button', { name: 'Read from gyro' }).isDisabled(), true);

    // Plugged in again, the chip is opened and set up again and the port offered again.
    bridge.pulledOut = false;
    await page.evaluate(() => window.__vn340FakeUsb.replug());
    await page.waitForFunction(() => window.__vn340FakeUsb.log.opens === 2);
    await page.getByRole('button', { name: 'Read from gyro' }).click();
    await waitForStatus(page, 'Read complete');
    assert.deepEqual(comparable(await shownValues(page)), expected);

    // The page opened again reopens the adapter granted before, without asking.
    await page.reload();
    await page.locator('#window:not([inert])').waitFor();
    await portShown(page, PORT_NAME);
    const log = await fakeLog(page);
    assert.deepEqual([log.requests.length, log.opens], [0, 1]);
    assert.deepEqual(problems, []);
  });

  const waysIn = [
    // asked: how often the serial chooser was asked; null where there is no Web Serial.
    { name: 'Connect over USB, no Web Serial', serial: 'none', button: USB, asked: null },
    { name: 'Connect over USB, beside Web Serial', serial: 'NotFoundError', button: USB, asked: 0 },
    { name: 'Connect, no serial port found', serial: 'NotFoundError', button: 'Connect', asked: 1 },
    { name: 'Connect, serial not allowed', serial: 'SecurityError', button: 'Connect', asked: 1 },
  ];
  for (const { name, serial, button, asked } of waysIn) {
    it(`reaches the chip by ${name}`, async () => {
      const { page, problems } = await start({ serial });
      await page.getByRole('button', { name: button, exact: true }).click();
      await portShown(page, PORT_NAME);
      assert.equal((await fakeLog(page)).requests.length, 1);
      assert.equal(await page.evaluate(() => navigator.serial?.requests ?? null), asked);
      assert.equal(await page.getByRole('alertdialog').count(), 0);
      assert.deepEqual(problems, []);
    });
  }

  it('says nothing when the pilot closes the USB chooser, as with the serial one', async () => {
    const { page, problems } = await start({ serial: 'none' });
    const status = await page.locator('#status').textContent();
    await page.evaluate(() => {
      window.__vn340FakeUsb.chooser = 'cancel';
    });
    await page.getByRole('button', { name: USB }).click();
    await page.waitForFunction(() => window.__vn340FakeUsb.log.requests.length === 1);
    await settled(page);
    assert.equal(await page.getByRole('alertdialog').count(), 0);
    assert.equal(await page.locator('#status').textContent(), status);
    assert.equal(await page.getByLabel('Vexa-Plug port').inputValue(), '');
    assert.deepEqual(problems, []);
  });
});
