// A stand-in for the browser's Web Serial, put into the page before its own scripts run: one
// FTDI port whose bytes cross to the test through two exposed functions (and on to vn340-sim),
// which the test can pull out and plug in again. What the page asked is in __vn340FakeSerial.log.
(() => {
  const log = { requests: [], opens: [], writes: 0 };
  // A port granted once stays granted for the tab, as the browser keeps it for the site.
  let granted = sessionStorage.getItem('vn340FakeSerialGranted') === 'yes';
  let unplugged = false;
  let source = null; // the open port's readable stream controller

  class FakeSerialPort extends EventTarget {
    readable = null;
    writable = null;

    getInfo() {
      return { usbVendorId: 0x0403, usbProductId: 0x6001 };
    }

    async open(options) {
      if (unplugged) {
        throw new DOMException('The device has been lost.', 'NetworkError');
      }
      if (this.readable) {
        throw new DOMException('The port is already open.', 'InvalidStateError');
      }
      log.opens.push(options);
      this.readable = new ReadableStream({
        start: (controller) => {
          source = controller;
        },
        // Each read waits in the test for the simulator's next bytes; null means none will come.
        pull: async (controller) => {
          const bytes = await window.__vn340FakeSerialRead();
          if (bytes !== null && !unplugged) {
            controller.enqueue(new Uint8Array(bytes));
          }
        },
        cancel: () => {
          source = null;
        },
      });
      this.writable = new WritableStream({
        write: async (chunk) => {
          if (unplugged) {
            throw new DOMException('The device has been lost.', 'NetworkError');
          }
          log.writes += 1;
          await window.__vn340FakeSerialWrite(Array.from(chunk));
        },
      });
    }

    async close() {
      this.readable = null;
      this.writable = null;
    }
  }

  const port = new FakeSerialPort();

  class FakeSerial extends EventTarget {
    async requestPort(options) {
      log.requests.push(options ?? null);
      const filters = options?.filters ?? [];
      const info = port.getInfo();
      if (filters.length > 0 && !filters.some((f) => f.usbVendorId === info.usbVendorId)) {
        throw new DOMException('No port selected by the user.', 'NotFoundError');
      }
      granted = true;
      sessionStorage.setItem('vn340FakeSerialGranted', 'yes');
      return port;
    }

    async getPorts() {
      return granted ? [port] : [];
    }
  }

  const serial = new FakeSerial();
  Object.defineProperty(Navigator.prototype, 'serial', { get: () => serial, configurable: true });

  window.__vn340FakeSerial = {
    log,
    // As the browser does when the adapter is pulled out: the port's stream fails and the port
    // tells of its going.
    unplug() {
      unplugged = true;
      try {
        source?.error(new DOMException('The device has been lost.', 'NetworkError'));
      } catch {
        // The stream had already ended.
      }
      source = null;
      port.dispatchEvent(new Event('disconnect'));
    },
    // Plugged in again: the same port, as the browser gives back an adapter it knows.
    replug() {
      unplugged = false;
      port.dispatchEvent(new Event('connect'));
    },
  };
})();
