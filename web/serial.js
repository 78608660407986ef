// The Vexa-Plug over Web Serial. A browser opens a port only after the pilot has chosen it, so
// the page opens it first and then tells the module; from then on bytes go both ways by the
// port's name, and a port pulled out is reported gone and taken back when it returns. Where the
// browser has no serial driver for the adapter, its chip is reached over WebUSB instead.
import { FtdiUsbPorts } from './ftdi_usb.js';

export const VEXA_PLUG_VENDOR_ID = 0x0403;

// The adapter's line: 9600 baud, 8 data bits, no parity, 1 stop bit, no flow control.
export const ADAPTER_LINE = Object.freeze({
  baudRate: 9600,
  dataBits: 8,
  parity: 'none',
  stopBits: 1,
  flowControl: 'none',
});

// Whether the page can reach the adapter at all: through Web Serial, or over WebUSB.
export function webSerialAvailable() {
  return typeof navigator !== 'undefined' && (navigator.serial != null || navigator.usb != null);
}

// Set only while connectOverUsb runs the page's own Connect, which asks for a port at once.
let usbAsked = false;

// Runs `connect`, the page's Connect, so that it asks for the adapter over USB: the pilot's
// choice then takes the page's one way in, with its messages and its choice of port.
export function connectOverUsb(connect) {
  usbAsked = true;
  try {
    connect();
  } finally {
    usbAsked = false;
  }
}

function sameDevice(a, b) {
  return a.usbVendorId === b.usbVendorId && a.usbProductId === b.usbProductId;
}

function infoOf(port) {
  try {
    return port.getInfo?.() ?? {};
  } catch {
    return {};
  }
}

// events: opened(name), bytes(name, Uint8Array), gone(name), failed(name, error).
export class SerialPorts {
  #serial;
  #events;
  #entries = new Map(); // SerialPort -> {port, name, info, state, reader, writer}
  #usb = null;

  constructor(serial, events, usb = globalThis.navigator?.usb) {
    this.#serial = serial ?? null;
    this.#events = events;
    if (usb) {
      this.#usb = new FtdiUsbPorts(usb, events, ADAPTER_LINE);
    }
    // Both events are fired at the port and reach the browser's serial object as well.
    serial?.addEventListener('connect', (event) => this.#pluggedIn(event.target));
    serial?.addEventListener('disconnect', (event) => this.#lost(event.target));
  }

  // Ports the pilot granted on an earlier visit open again without asking.
  async reopenGranted() {
    for (const port of (await this.#serial?.getPorts()) ?? []) {
      await this.#open(port);
    }
    await this.#usb?.reopenGranted();
  }

  // Asks the pilot for a port, the Vexa-Plug's only unless `showAll`; resolves to the opened
  // port's name, or null when the pilot chose none or it could not be opened.
  async choose(showAll) {
    if (this.#usb && (usbAsked || !this.#serial)) {
      return this.#usb.choose();
    }
    let port;
    try {
      port = await this.#serial.requestPort(
        showAll ? {} : { filters: [{ usbVendorId: VEXA_PLUG_VENDOR_ID }] },
      );
    } catch (error) {
      // A browser with no driver for the adapter's chip finds no port, or is not let ask for
      // one: the chip itself is offered over USB. Should the browser not show a second chooser
      // so soon after the first, the pilot still has "Connect over USB".
      if (this.#usb && (error.name === 'NotFoundError' || error.name === 'SecurityError')) {
        return this.#usb.choose().catch(() => null);
      }
      if (error.name === 'NotFoundError' || error.name === 'AbortError') {
        return null;
      }
      throw error;
    }
    return this.#open(port);
  }

  write(name, bytes) {
    const entry = [...this.#entries.values()].find((e) => e.name === name && e.state === 'open');
    if (!entry) {
      return this.#usb?.write(name, bytes) ?? false;
    }
    entry.writer.write(bytes).catch(() => this.#lost(entry.port));
    return true;
  }

  #entryFor(port) {
    let entry = this.#entries.get(port);
    if (entry) {
      return entry;
    }
    const info = infoOf(port);
    // A replugged adapter may come back as a new port object: it takes the name of the one of
    // its kind that went, so the pilot's choice still points at it.
    entry = [...this.#entries.values()].find((e) => e.state === 'gone' && sameDevice(e.info, info));
    if (entry) {
      this.#entries.delete(entry.port);
    } else {
      entry = { name: this.#newName(info), info, state: 'closed' };
    }
    entry.port = port;
    port.addEventListener?.('disconnect', () => this.#lost(port));
    port.addEventListener?.('connect', () => this.#pluggedIn(port));
    this.#entries.set(port, entry);
    return entry;
  }

  #newName(info) {
    const base = info.usbVendorId === VEXA_PLUG_VENDOR_ID ? 'Vexa-Plug' : 'Serial port';
    const taken = new Set([...this.#entries.values()].map((e) => e.name));
    if (!taken.has(base)) {
      return base;
    }
    let n = 2;
    while (taken.has(`${base} ${n}`)) {
      n += 1;
    }
    return `${base} ${n}`;
  }

  async #open(port) {
    const entry = this.#entryFor(port);
    if (entry.state === 'open' || entry.state === 'opening') {
      return entry.name;
    }
    const before = entry.state;
    entry.state = 'opening';
    await entry.released;
    try {
      await port.open(ADAPTER_LINE);
    } catch (error) {
      entry.state = before;
      this.#events.failed(entry.name, error);
      return null;
    }
    entry.writer = port.writable.getWriter();
    entry.state = 'open';
    this.#events.opened(entry.name);
    this.#readAll(entry);
    return entry.name;
  }

  async #readAll(entry) {
    const reader = (entry.reader = entry.port.readable.getReader());
    try {
      for (;;) {
        const { value, done } = await reader.read();
        if (done) {
          break;
        }
        if (value && value.length > 0) {
          this.#events.bytes(entry.name, value);
        }
      }
    } catch {
      // A read error ends the port's use as an unplugging does.
    }
    this.#lost(entry.port);
  }

  #pluggedIn(port) {
    const known = this.#entries.has(port) ||
      [...this.#entries.values()].some((e) => e.state === 'gone' && sameDevice(e.info, infoOf(port)));
    if (known) {
      this.#open(port);
    }
  }

  #lost(port) {
    const entry = this.#entries.get(port);
    if (!entry || entry.state !== 'open') {
      return;
    }
    entry.state = 'gone';
    this.#events.gone(entry.name);
    entry.released = release(entry);
  }
}

// Lets go of a port that went, so that it can be opened again when it comes back.
async function release(entry) {
  const { port, reader, writer } = entry;
  entry.reader = entry.writer = null;
  await reader?.cancel().catch(() => {});
  await writer?.abort().catch(() => {});
  // Each may already have let go; what is left to do is only to close the port.
  for (const lock of [reader, writer]) {
    try {
      lock?.releaseLock();
    } catch {
      // Released already.
    }
  }
  await port.close().catch(() => {});
}
