// The Vexa-Plug's FTDI chip spoken to over WebUSB, for the browsers that have no serial driver
// for it (Chrome on Android). The page then does what the system's driver does elsewhere: it
// sets the chip's line with the chip's own vendor requests, strips the two status bytes that
// begin every packet the chip sends, and tells the module of the device as of a serial port.

export const FTDI_VENDOR_ID = 0x0403;

// The chip's vendor requests: control transfers out, of the vendor's type, to the device.
const REQUEST = Object.freeze({
  reset: 0,
  modemControl: 1,
  flowControl: 2,
  baudRate: 3,
  lineProperties: 4,
  latencyTimer: 9,
});

// Every request's index names, in its low byte, the port it is for. The FT232R and the FT-X
// chips of the Vexa-Plug have one port and take 0 for it, as the Linux driver sends them; the
// multi-port chips number theirs from 1. On the FT232R the baud request's index also carries
// the divisor's top bit in that same low byte, so any port number there would change the rate.
const PORT = 0;

// The chip's baud clock: 48 MHz divided by 16.
export const BASE_CLOCK_HZ = 3_000_000;
// The divisor's fraction is given in eighths by a 3-bit code that does not count in order:
// the code for 0/8, 1/8, ... 7/8.
const EIGHTHS_CODE = [0, 3, 2, 4, 1, 5, 6, 7];
const LARGEST_WHOLE = 0x3fff;

// The 17-bit divisor for `baud`: the whole part in bits 0..13 and the fraction's code in bits
// 14..16, the nearest the chip can make to BASE_CLOCK_HZ / baud. Divisors below 2 do not
// divide: the chip takes 0 for 1 (3 MHz) and 1 for 1.5 (2 MHz), and nothing else there.
export function baudDivisor(baud) {
  const eighths = Math.round((BASE_CLOCK_HZ * 8) / baud);
  if (eighths === 8) {
    return 0;
  }
  if (eighths === 12) {
    return 1;
  }
  const whole = Math.floor(eighths / 8);
  if (!Number.isFinite(eighths) || whole < 2 || whole > LARGEST_WHOLE) {
    throw new RangeError(`The adapter's chip cannot run at ${baud} baud.`);
  }
  return whole | (EIGHTHS_CODE[eighths % 8] << 14);
}

// The chip's release number (the device's bcdDevice), which tells its kind.
function releaseOf(device) {
  return (
    ((device.deviceVersionMajor ?? 0) << 8) |
    ((device.deviceVersionMinor ?? 0) << 4) |
    (device.deviceVersionSubminor ?? 0)
  );
}

// The FT232R (release 6.0.0) and the older single-port chips take the divisor's top bit as the
// index's lowest; the FT-X and the 2232/4232/232H kinds take it in the index's high byte, with
// the port in the low byte as in every other request.
function topBitInHighByte(release) {
  return release >= 0x0500 && release !== 0x0600;
}

// The baud request's value and index for `baud` on that chip.
export function baudRateSetup(baud, release) {
  const divisor = baudDivisor(baud);
  const top = divisor >> 16;
  return {
    value: divisor & 0xffff,
    index: topBitInHighByte(release) ? (top << 8) | PORT : top,
  };
}

const PARITY_CODE = { none: 0, odd: 1, even: 2, mark: 3, space: 4 };
const STOP_BITS_CODE = { 1: 0, 1.5: 1, 2: 2 };

// Data bits in bits 0..7, parity in 8..10, stop bits in 11..12; bit 14 (a break) stays clear.
export function linePropertiesValue(line) {
  const parity = PARITY_CODE[line.parity ?? 'none'];
  const stopBits = STOP_BITS_CODE[line.stopBits ?? 1];
  if (parity === undefined || stopBits === undefined) {
    throw new RangeError("The adapter's chip cannot make that line.");
  }
  return (line.dataBits ?? 8) | (parity << 8) | (stopBits << 11);
}

// DTR and RTS raised, each with its bit that says it is to be set (8 and 9). The desktop's
// serial drivers raise both when they open the adapter, so the adapter sees the same lines
// here: an adapter that powers or enables its line driver from them would stay dark otherwise.
const DTR_AND_RTS_UP = 0x0303;
// As the desktop's USB link does: the chip sends what it holds after 2 ms instead of its 16,
// so that a reply's last characters do not wait.
const LATENCY_MS = 2;

// What the chip is told when it is opened, in order: its state reset first, the line after.
export function lineSetupRequests(line, release) {
  const baud = baudRateSetup(line.baudRate, release);
  const flowOff = 0; // the high byte of the index: none of RTS/CTS, DTR/DSR, XON/XOFF
  return [
    { request: REQUEST.reset, value: 0, index: PORT },
    { request: REQUEST.baudRate, ...baud },
    { request: REQUEST.lineProperties, value: linePropertiesValue(line), index: PORT },
    { request: REQUEST.flowControl, value: 0, index: (flowOff << 8) | PORT },
    { request: REQUEST.modemControl, value: DTR_AND_RTS_UP, index: PORT },
  ];
}

const STATUS_BYTES = 2;

// The characters of what a bulk read brought: each packet of the chip begins with its two
// status bytes (modem lines and line errors), also one that holds nothing else, as the chip
// sends whenever its latency timer runs out. A read may bring several packets in a row.
export function payloadOf(data, packetSize) {
  const bytes = new Uint8Array(data.buffer, data.byteOffset, data.byteLength);
  const parts = [];
  let length = 0;
  for (let at = 0; at < bytes.length; at += packetSize) {
    const part = bytes.subarray(at + STATUS_BYTES, Math.min(at + packetSize, bytes.length));
    parts.push(part);
    length += part.length;
  }
  const payload = new Uint8Array(length);
  let filled = 0;
  for (const part of parts) {
    payload.set(part, filled);
    filled += part.length;
  }
  return payload;
}

// The bulk endpoints of the chip's interface, by its descriptors where the browser gives them.
function endpointsOf(device) {
  const found = { in: 1, out: 2, packetSize: 64 };
  const endpoints = device.configuration?.interfaces?.[0]?.alternate?.endpoints ?? [];
  for (const endpoint of endpoints) {
    if (endpoint.type !== 'bulk') {
      continue;
    }
    if (endpoint.direction === 'in') {
      found.in = endpoint.endpointNumber;
      found.packetSize = endpoint.packetSize || found.packetSize;
    } else {
      found.out = endpoint.endpointNumber;
    }
  }
  return found;
}

// The same adapter plugged in again comes back as a new device object.
function sameDevice(a, b) {
  return (
    a.vendorId === b.vendorId &&
    a.productId === b.productId &&
    (a.serialNumber ?? '') === (b.serialNumber ?? '')
  );
}

const BASE_NAME = 'Vexa-Plug (USB)';

// The adapters reached over WebUSB, each under a port's name. events: opened(name),
// bytes(name, Uint8Array), gone(name), failed(name, error), as SerialPorts tells them.
export class FtdiUsbPorts {
  #usb;
  #events;
  #line;
  #entries = new Map(); // USBDevice -> {device, name, state, endpoints, sending, session}

  constructor(usb, events, line) {
    this.#usb = usb;
    this.#events = events;
    this.#line = line;
    usb.addEventListener('connect', (event) => this.#pluggedIn(event.device));
    usb.addEventListener('disconnect', (event) => this.#lost(event.device));
  }

  // Devices the pilot granted on an earlier visit open again without asking.
  async reopenGranted() {
    for (const device of await this.#usb.getDevices()) {
      if (device.vendorId === FTDI_VENDOR_ID) {
        await this.#open(device);
      }
    }
  }

  // Asks the pilot for the adapter; resolves to the opened port's name, or null when the pilot
  // chose none or it could not be opened.
  async choose() {
    let device;
    try {
      device = await this.#usb.requestDevice({ filters: [{ vendorId: FTDI_VENDOR_ID }] });
    } catch (error) {
      if (error.name === 'NotFoundError' || error.name === 'AbortError') {
        return null;
      }
      throw error;
    }
    return this.#open(device);
  }

  // False when no adapter of that name is open here.
  write(name, bytes) {
    const entry = [...this.#entries.values()].find((e) => e.name === name && e.state === 'open');
    if (!entry) {
      return false;
    }
    // One transfer after the other, so that the frames reach the chip in their order.
    entry.sending = entry.sending
      .then(() => entry.device.transferOut(entry.endpoints.out, bytes))
      .then((result) => {
        if (result.status !== 'ok') {
          throw new Error(`The adapter refused the bytes (${result.status}).`);
        }
      })
      .catch(() => this.#lost(entry.device));
    return true;
  }

  #entryFor(device) {
    let entry = this.#entries.get(device);
    if (entry) {
      return entry;
    }
    // A replugged adapter takes the name it had, so the pilot's choice still points at it.
    entry = [...this.#entries.values()].find(
      (e) => e.state === 'gone' && sameDevice(e.device, device),
    );
    if (entry) {
      this.#entries.delete(entry.device);
    } else {
      entry = { name: this.#newName(), state: 'closed', session: 0 };
    }
    entry.device = device;
    this.#entries.set(device, entry);
    return entry;
  }

  #newName() {
    const taken = new Set([...this.#entries.values()].map((e) => e.name));
    let name = BASE_NAME;
    for (let n = 2; taken.has(name); n += 1) {
      name = `${BASE_NAME} ${n}`;
    }
    return name;
  }

  async #open(device) {
    const entry = this.#entryFor(device);
    if (entry.state === 'open' || entry.state === 'opening') {
      return entry.name;
    }
    const before = entry.state;
    entry.state = 'opening';
    await entry.released;
    try {
      await this.#setUp(device);
    } catch (error) {
      entry.state = before;
      await device.close().catch(() => {});
      this.#events.failed(entry.name, error);
      return null;
    }
    entry.endpoints = endpointsOf(device);
    entry.sending = Promise.resolve();
    entry.session += 1;
    entry.state = 'open';
    this.#events.opened(entry.name);
    this.#readAll(entry, entry.session);
    return entry.name;
  }

  async #setUp(device) {
    if (!device.opened) {
      await device.open();
    }
    if (device.configuration === null) {
      await device.selectConfiguration(1);
    }
    await device.claimInterface(0);
    for (const setup of lineSetupRequests(this.#line, releaseOf(device))) {
      await this.#tell(device, setup);
    }
    try {
      await this.#tell(device, { request: REQUEST.latencyTimer, value: LATENCY_MS, index: PORT });
    } catch {
      // A chip that keeps its own latency still works, only slower.
    }
  }

  async #tell(device, setup) {
    const result = await device.controlTransferOut({
      requestType: 'vendor',
      recipient: 'device',
      ...setup,
    });
    if (result.status !== 'ok') {
      throw new Error(`The adapter refused its settings (${result.status}).`);
    }
  }

  async #readAll(entry, session) {
    const { device, endpoints } = entry;
    try {
      while (entry.state === 'open' && entry.session === session) {
        const result = await device.transferIn(endpoints.in, endpoints.packetSize);
        if (result.status === 'stall') {
          await device.clearHalt('in', endpoints.in);
          continue;
        }
        const bytes = result.data ? payloadOf(result.data, endpoints.packetSize) : null;
        if (bytes?.length > 0 && entry.session === session) {
          this.#events.bytes(entry.name, bytes);
        }
      }
    } catch {
      // A failed read ends the port's use as an unplugging does.
    }
    if (entry.session === session) {
      this.#lost(device);
    }
  }

  #pluggedIn(device) {
    const known =
      this.#entries.has(device) ||
      [...this.#entries.values()].some((e) => e.state === 'gone' && sameDevice(e.device, device));
    if (known) {
      this.#open(device);
    }
  }

  #lost(device) {
    const entry = this.#entries.get(device);
    if (!entry || entry.state !== 'open') {
      return;
    }
    entry.state = 'gone';
    this.#events.gone(entry.name);
    // A device still there (a read that failed) is let go, to be opened again when it returns.
    entry.released = device.close().catch(() => {});
  }
}
