// A stand-in for the browser's WebUSB, put into the page before its own scripts run: one FT232R
// chip, as the Vexa-Plug carries it. Its control requests are kept in __vn340FakeUsb.log; what
// the page sends out crosses to the test through an exposed function (and on to vn340-sim), and
// what the test hands in with arrive() comes back as the chip sends it: in packets of at most 64
// bytes, each begun by the two status bytes, sent when 62 characters wait or when the latency
// timer runs out, then with nothing but the status bytes if nothing came. The test can pull the
// chip out and plug it in again, and have the pilot close the chooser.
(() => {
  const PACKET_SIZE = 64;
  const STATUS = [0x01, 0x60]; // modem lines idle; transmitter empty
  const CONFIGURATION = {
    configurationValue: 1,
    interfaces: [
      {
        interfaceNumber: 0,
        alternate: {
          alternateSetting: 0,
          interfaceClass: 0xff,
          endpoints: [
            { endpointNumber: 1, direction: 'in', type: 'bulk', packetSize: PACKET_SIZE },
            { endpointNumber: 2, direction: 'out', type: 'bulk', packetSize: PACKET_SIZE },
          ],
        },
      },
    ],
  };

  const log = { requests: [], controls: [], opens: 0, dataPackets: 0, statusPackets: 0 };
  let granted = sessionStorage.getItem('vn340FakeUsbGranted') === 'yes';
  let latencyMs = 16; // the chip's own until it is told otherwise
  let line = []; // characters the chip has received and not yet sent on
  const wakers = new Set();
  const fake = { log, chooser: 'grant', statusBeforeData: false };

  const lost = () => new DOMException('The device was disconnected.', 'NetworkError');
  const wake = () => {
    for (const waker of wakers) {
      waker();
    }
  };

  class FakeUsbDevice {
    vendorId = 0x0403;
    productId = 0x6001;
    deviceVersionMajor = 6;
    deviceVersionMinor = 0;
    deviceVersionSubminor = 0;
    manufacturerName = 'FTDI';
    productName = 'FT232R USB UART';
    serialNumber = 'A50K3FJ2';
    configurations = [CONFIGURATION];
    configuration = null;
    opened = false;
    plugged = true;
    claimed = false;
    #statusNext = true;

    #mustBeThere() {
      if (!this.plugged) {
        throw lost();
      }
    }

    #mustBeOpen() {
      this.#mustBeThere();
      if (!this.opened) {
        throw new DOMException('The device must be opened first.', 'InvalidStateError');
      }
    }

    #mustBeClaimed() {
      this.#mustBeOpen();
      if (!this.claimed) {
        throw new DOMException('The interface is not claimed.', 'InvalidStateError');
      }
    }

    async open() {
      this.#mustBeThere();
      log.opens += 1;
      this.opened = true;
    }

    async close() {
      this.opened = false;
      this.claimed = false;
    }

    async selectConfiguration(value) {
      this.#mustBeOpen();
      if (value !== 1) {
        throw new DOMException('No such configuration.', 'NotFoundError');
      }
      this.configuration = CONFIGURATION;
    }

    async claimInterface(number) {
      this.#mustBeOpen();
      if (this.configuration === null || number !== 0) {
        throw new DOMException('The interface number provided is not supported.', 'NotFoundError');
      }
      this.claimed = true;
    }

    async controlTransferOut(setup) {
      this.#mustBeOpen();
      log.controls.push({ ...setup });
      if (setup.requestType === 'vendor' && setup.request === 9) {
        latencyMs = setup.value & 0xff;
      }
      if (setup.requestType === 'vendor' && setup.request === 0 && setup.value === 0) {
        line = [];
      }
      return { status: 'ok', bytesWritten: 0 };
    }

    async transferOut(endpoint, data) {
      this.#mustBeClaimed();
      if (endpoint !== 2) {
        throw new DOMException('No such endpoint.', 'NotFoundError');
      }
      const bytes = new Uint8Array(data.buffer ?? data, data.byteOffset ?? 0, data.byteLength);
      await window.__vn340FakeUsbWrite(Array.from(bytes));
      return { status: 'ok', bytesWritten: bytes.length };
    }

    async transferIn(endpoint, length) {
      this.#mustBeClaimed();
      if (endpoint !== 1) {
        throw new DOMException('No such endpoint.', 'NotFoundError');
      }
      const statusOnly = fake.statusBeforeData && this.#statusNext;
      this.#statusNext = !this.#statusNext;
      if (!statusOnly) {
        await this.#latency();
      }
      const payload = statusOnly ? [] : line.splice(0, PACKET_SIZE - STATUS.length);
      const packet = Uint8Array.from([...STATUS, ...payload]);
      // A packet longer than the read asked for overflows it, and the rest is lost.
      if (packet.length > length) {
        return { status: 'babble', data: new DataView(packet.buffer, 0, length) };
      }
      log[payload.length > 0 ? 'dataPackets' : 'statusPackets'] += 1;
      return { status: 'ok', data: new DataView(packet.buffer) };
    }

    async clearHalt() {
      this.#mustBeClaimed();
    }

    // Until a packet's worth waits or the latency timer runs out.
    async #latency() {
      const end = performance.now() + latencyMs;
      while (line.length < PACKET_SIZE - STATUS.length && performance.now() < end) {
        await new Promise((resolve) => {
          const timer = setTimeout(done, Math.max(0, end - performance.now()));
          function done() {
            clearTimeout(timer);
            wakers.delete(done);
            resolve();
          }
          wakers.add(done);
        });
        this.#mustBeThere();
      }
    }
  }

  let device = new FakeUsbDevice();

  class FakeUsb extends EventTarget {
    async requestDevice(options) {
      log.requests.push(options ?? null);
      const filters = options?.filters ?? [];
      const matches = filters.length === 0 || filters.some((f) => f.vendorId === device.vendorId);
      if (fake.chooser === 'cancel' || !matches || !device.plugged) {
        throw new DOMException('No device selected.', 'NotFoundError');
      }
      granted = true;
      sessionStorage.setItem('vn340FakeUsbGranted', 'yes');
      return device;
    }

    async getDevices() {
      return granted && device.plugged ? [device] : [];
    }
  }

  const usb = new FakeUsb();
  Object.defineProperty(Navigator.prototype, 'usb', { get: () => usb, configurable: true });

  const connectionEvent = (type, which) => Object.assign(new Event(type), { device: which });

  Object.assign(fake, {
    // Characters the chip received from the gyro's side.
    arrive(bytes) {
      if (device.plugged) {
        line.push(...bytes);
        wake();
      }
    },
    // As the browser does when the adapter is pulled out: transfers under way fail, and the
    // browser's usb object tells of the device's going.
    unplug() {
      device.plugged = false;
      device.opened = false;
      line = [];
      wake();
      usb.dispatchEvent(connectionEvent('disconnect', device));
    },
    // Plugged in again it is a new device object, as the browser gives it.
    replug() {
      device = new FakeUsbDevice();
      latencyMs = 16;
      usb.dispatchEvent(connectionEvent('connect', device));
    },
  });
  window.__vn340FakeUsb = fake;
})();
