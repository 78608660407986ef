// "Connect over USB", offered wherever the browser has WebUSB. Where it has no Web Serial
// (Chrome on Android) it is the only way in: Connect and the tick box for all serial ports would
// have nothing to show there, and go. The button goes through the page's own Connect, so the
// adapter chosen over USB is taken into use, and a chooser closed is answered, as any other.
import { connectOverUsb } from './serial.js';

const button = document.getElementById('connect-usb');
const connect = document.getElementById('connect');
if (button && connect && navigator.usb) {
  button.hidden = false;
  button.addEventListener('click', () => connectOverUsb(() => connect.click()));
  if (!navigator.serial) {
    connect.hidden = true;
    document.getElementById('show-all')?.closest('label')?.setAttribute('hidden', '');
  }
}
