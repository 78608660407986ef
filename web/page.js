// The browser edition's page: it starts the module, builds the number boxes from the module's
// lists, shows each view the module sends, and hands every action of the pilot to the module's
// session. What the window decides, the module decides; the page only shows and passes on.
import { MessageDialog, SafetyDialog } from './dialogs.js';
import { chosenFileBytes, saveBytes } from './files.js';
import { HelpTips } from './help_tips.js';
import { LiveSignals } from './live.js';
import { SafetyNet } from './safety_net.js';
import { SerialPorts, webSerialAvailable } from './serial.js';
import { StatisticsOffer } from './statistics.js';

// As long as the window keeps a correction beside its box.
const NOTICE_MS = 13_000;
// Several files written in a row reach the browser's storage as one.
const STORAGE_SYNC_DELAY_MS = 300;
const NO_WEB_SERIAL =
  'This browser cannot reach the Vexa-Plug: open this page in Chrome, Edge or Opera on a computer, or in Chrome on an Android tablet.';
const UNABLE_TO_OPEN = 'Unable to open serial port';

const byId = (id) => document.getElementById(id);
// A profile slider's position as it is read out: its ends by the words beside them.
const profileText = (n) => (n === 0 ? 'Slow' : n === 15 ? 'Fast' : `${n} of 15`);
const dialogOpen = () => document.querySelector('dialog[open]') !== null;
const parsed = (value) => (typeof value === 'string' ? JSON.parse(value) : value);

// The module's files live in the browser's storage; each write reaches it shortly after.
class StorageSync {
  #sync;
  #saveNow;
  #timer = null;

  constructor(Module) {
    this.#sync = typeof Module.syncStorage === 'function' ? () => Module.syncStorage() : null;
    this.#saveNow =
      typeof Module.saveStorageNow === 'function' ? () => Module.saveStorageNow() : null;
  }

  // The page is going: its writes must be issued before the handler returns, with no round
  // trip first.
  saveNow() {
    clearTimeout(this.#timer);
    this.#timer = null;
    if (this.#saveNow) {
      this.#saveNow();
    } else if (this.#sync) {
      this.#sync();
    }
  }

  stored() {
    if (!this.#sync) {
      return;
    }
    clearTimeout(this.#timer);
    this.#timer = setTimeout(() => this.flush(), STORAGE_SYNC_DELAY_MS);
  }

  // At once: when the page is going, the writing must have begun before the handler returns.
  flush() {
    if (this.#timer === null) {
      return;
    }
    clearTimeout(this.#timer);
    this.#timer = null;
    const warn = (error) => console.warn('The browser did not keep the latest files:', error);
    try {
      Promise.resolve(this.#sync()).catch(warn);
    } catch (error) {
      warn(error);
    }
  }
}

class ConfigPage {
  #Module;
  #session;
  #lists;
  #view = {};
  #boxes = new Map(); // key -> <input> or <textarea>, as in view.boxes
  #notices = new Map(); // key -> {element, timer}
  #controls = []; // everything a running sequence switches off
  #focusBeforeBusy = null;
  #focusAfterMessages = null;
  #pending = [];
  #flushQueued = false;
  #messages;
  #safety;
  #safetyNet;
  #live;
  #statistics;
  #storage;
  #ports = null;

  constructor(Module) {
    this.#Module = Module;
    this.#storage = new StorageSync(Module);
    this.#messages = new MessageDialog(byId('message'), () => this.#afterMessages());
  }

  start() {
    this.#session = new this.#Module.PageSession(
      (kind, json) => this.#queueEvent(kind, json),
      (port, bytes) => this.#write(port, bytes),
    );
    this.#lists = parsed(this.#session.lists());
    this.#safety = new SafetyDialog(byId('safety'), this.#lists.texts ?? {});
    this.#safetyNet = new SafetyNet(this.#session, byId);
    this.#live = new LiveSignals(this.#session, byId, saveBytes, (text) => this.#messages.show(text));
    this.#statistics = new StatisticsOffer(this.#session);
    this.#buildNumberBoxes();
    this.#fillSelectors();
    this.#wireControls();
    new HelpTips(this.#Module, byId('help-tip')).attach();
    this.#session.start();
    this.#render(parsed(this.#session.view()));
    byId('window').inert = false;
    this.#startPorts();
    window.addEventListener('pagehide', (event) => this.#leave(event));
    window.addEventListener('beforeunload', (event) => this.#beforeLeaving(event));
  }

  // The module calls back from inside its own calls; the page answers once those have
  // returned, so that nothing it does reaches back into the session while it is busy.
  #queueEvent(kind, json) {
    this.#pending.push([kind, json]);
    if (!this.#flushQueued) {
      this.#flushQueued = true;
      queueMicrotask(() => this.#flushEvents());
    }
  }

  #flushEvents() {
    this.#flushQueued = false;
    for (const [kind, json] of this.#pending.splice(0)) {
      const data = json ? parsed(json) : {};
      switch (kind) {
        case 'view':
          this.#render(data);
          break;
        case 'status':
          byId('status').textContent = data.text ?? '';
          break;
        case 'message':
          this.#messages.show(data.text ?? '');
          break;
        case 'notice':
          this.#showNotice(data.field, data.text ?? '');
          break;
        case 'focus':
          this.#focusBox(data.field);
          break;
        case 'stored':
          this.#storage.stored();
          break;
        case 'compared':
          this.#safetyNet.compared(data.rows);
          break;
        case 'live':
          this.#live.round(data);
          break;
        case 'statistics':
          this.#statistics.offer(data);
          break;
        default:
          break;
      }
    }
  }

  #write(port, bytes) {
    // The bytes may be a view of the module's memory: they are copied before any waiting.
    this.#ports?.write(port, bytes.slice());
  }

  #buildNumberBoxes() {
    for (const field of this.#lists.fields ?? []) {
      const place = document.querySelector(`[data-field="${field.key}"]`);
      if (!place) {
        continue;
      }
      place.classList.add('row');
      const label = document.createElement('label');
      label.htmlFor = field.key;
      label.textContent = field.label;
      const box = document.createElement('input');
      Object.assign(box, { id: field.key, type: 'text', autocomplete: 'off', spellcheck: false });
      box.className = 'box number control';
      box.inputMode = field.low < 0 ? 'text' : 'numeric';
      box.setAttribute('aria-describedby', `${field.key}-limits ${field.key}-notice`);
      const limits = document.createElement('span');
      limits.id = `${field.key}-limits`;
      limits.className = 'limits';
      limits.textContent = `${field.low} to ${field.high}`;
      const notice = document.createElement('span');
      notice.id = `${field.key}-notice`;
      notice.className = 'notice';
      notice.setAttribute('aria-live', 'polite');
      place.append(label, box, limits, notice);
      this.#boxes.set(field.key, box);
      this.#notices.set(field.key, { element: notice, timer: null });
      box.addEventListener('input', () => this.#session.setBox(field.key, box.value));
      box.addEventListener('blur', () => this.#session.boxLeft(field.key));
    }
    for (const key of ['firmwareVersion', 'loaderVersion', 'serialNumber', 'userComments']) {
      this.#boxes.set(key, byId(key));
    }
  }

  #fillSelectors() {
    const fill = (select, items) => {
      select.replaceChildren(...items.map((text) => new Option(text)));
    };
    fill(byId('servo'), this.#lists.servos ?? []);
    fill(byId('type'), this.#lists.types ?? []);
    fill(byId('speed'), this.#lists.speeds ?? []);
    const ticks = byId('profile-ticks');
    for (let n = 0; n <= 15; n += 1) {
      ticks.append(new Option('', String(n)));
    }
  }

  #wireControls() {
    const session = this.#session;
    const comments = byId('userComments');
    comments.addEventListener('input', () => session.setBox('userComments', comments.value));
    comments.addEventListener('blur', () => session.commentsLeft(comments.value));
    byId('servo').addEventListener('change', (e) => session.chooseServo(e.target.selectedIndex));
    byId('type').addEventListener('change', (e) => session.chooseType(e.target.selectedIndex));
    byId('speed').addEventListener('change', (e) => session.chooseSpeed(e.target.selectedIndex));
    for (const which of ['accel', 'decel']) {
      byId(which).addEventListener('input', (e) => session.moveProfile(which, Number(e.target.value)));
    }
    for (const radio of document.querySelectorAll('input[name="direction"]')) {
      radio.addEventListener('change', () => radio.checked && session.chooseDirection(radio.value));
    }
    byId('port').addEventListener('change', (e) => session.selectPort(e.target.value));
    byId('try-simulated').addEventListener('click', () => session.trySimulatedGyro());
    byId('read').addEventListener('click', () => session.read());
    byId('store').addEventListener('click', () => this.#store());
    byId('load-defaults').addEventListener('click', () => session.loadDefaults());
    byId('save-file').addEventListener('click', () => this.#saveToFile());
    const fileInput = byId('file-input');
    byId('load-file').addEventListener('click', () => fileInput.click());
    fileInput.addEventListener('change', () => this.#loadChosenFile(fileInput));
    const help = this.#lists.texts?.help;
    if (help) {
      byId('help').hidden = false;
      byId('help').addEventListener('click', () => this.#messages.show(help));
    }
    this.#controls = [...document.querySelectorAll('#window .control')];
  }

  async #store() {
    if (this.#view.safetyAgreementNeeded) {
      const answer = await this.#safety.ask();
      // The adapter may have gone, or a sequence begun, while the question was open.
      if (!answer.agreed || !this.#gyroButtonsOn(this.#view)) {
        return;
      }
      this.#session.store(answer.dontShowAgain);
    } else {
      // The pilot already chose not to be asked again; that choice stands.
      this.#session.store(true);
    }
  }

  async #saveToFile() {
    const saved = parsed(this.#session.saveFile());
    if (!saved) {
      return;
    }
    try {
      await saveBytes(saved.name, new Uint8Array(saved.bytes));
    } catch (error) {
      this.#messages.show(`The file ${saved.name} could not be saved.\n\n${error.message}`);
    }
  }

  async #loadChosenFile(input) {
    const file = input.files?.[0];
    input.value = '';
    if (!file) {
      return;
    }
    let bytes;
    try {
      bytes = await chosenFileBytes(file);
    } catch (error) {
      this.#messages.show(`The file ${file.name} could not be read.\n\n${error.message}`);
      return;
    }
    this.#session.loadFile(file.name, bytes);
  }

  #startPorts() {
    if (!webSerialAvailable()) {
      byId('connect-area').hidden = true;
      const sentence = byId('no-web-serial');
      sentence.textContent = this.#lists.texts?.noWebSerial || NO_WEB_SERIAL;
      sentence.hidden = false;
      return;
    }
    const session = this.#session;
    this.#ports = new SerialPorts(navigator.serial, {
      opened: (name) => session.portOpened(name),
      bytes: (name, bytes) => session.bytesArrived(name, bytes),
      gone: (name) => session.portGone(name),
      failed: () => this.#messages.show(UNABLE_TO_OPEN),
    });
    this.#ports.reopenGranted().catch((error) => console.warn('Granted ports not reopened:', error));
    byId('connect').addEventListener('click', () => this.#connect());
  }

  async #connect() {
    let name;
    try {
      name = await this.#ports.choose(byId('show-all').checked);
    } catch (error) {
      this.#messages.show(`${UNABLE_TO_OPEN}\n\n${error.message}`);
      return;
    }
    // The port the pilot just chose is the one meant, whatever was selected before.
    if (name && parsed(this.#session.view()).selectedPort !== name) {
      this.#session.selectPort(name);
    }
  }

  #render(view) {
    this.#view = view;
    for (const [key, text] of Object.entries(view.boxes ?? {})) {
      const box = this.#boxes.get(key);
      // Only a change is written, so the caret stays where the pilot is typing.
      if (box && box.value !== text) {
        box.value = text;
      }
    }
    byId('servo').selectedIndex = view.servo ?? -1;
    byId('type').selectedIndex = view.type ?? -1;
    byId('speed').selectedIndex = view.speed ?? -1;
    for (const which of ['accel', 'decel']) {
      const slider = byId(which);
      slider.value = String(view[which] ?? 0);
      slider.setAttribute('aria-valuetext', profileText(Number(slider.value)));
    }
    byId('normal').checked = view.direction === 'normal';
    byId('reverse').checked = view.direction === 'reverse';
    this.#renderPorts(view.ports ?? [], view.selectedPort ?? null);
    this.#renderEnabled(view);
    byId('window').setAttribute('aria-busy', String(Boolean(view.busy)));
  }

  #renderPorts(ports, selected) {
    const select = byId('port');
    const shown = [...select.options].map((option) => option.value);
    if (shown.length !== ports.length || shown.some((name, i) => name !== ports[i])) {
      select.replaceChildren(...ports.map((name) => new Option(name, name)));
    }
    select.selectedIndex = selected === null ? -1 : ports.indexOf(selected);
  }

  #gyroButtonsOn(view) {
    return Boolean(view.controlsEnabled && view.gyroButtonsEnabled);
  }

  #renderEnabled(view) {
    const on = Boolean(view.controlsEnabled);
    if (!on && this.#controls.includes(document.activeElement)) {
      this.#focusBeforeBusy = document.activeElement;
    }
    for (const control of this.#controls) {
      control.disabled = !on;
    }
    const gyroOff = !this.#gyroButtonsOn(view);
    byId('read').disabled = gyroOff;
    byId('store').disabled = gyroOff;
    this.#safetyNet.render(view);
    this.#live.render(view, !gyroOff);
    if (on) {
      this.#restoreFocus();
    }
  }

  // The box the module sends the pilot back to, as after text that is not a number; while a
  // message is open, once it is closed.
  #focusBox(key) {
    const box = this.#boxes.get(key);
    if (box && dialogOpen()) {
      this.#focusAfterMessages = box;
    } else {
      box?.focus();
    }
  }

  #afterMessages() {
    const box = this.#focusAfterMessages;
    this.#focusAfterMessages = null;
    if (box && !box.disabled) {
      box.focus();
    } else {
      this.#restoreFocus();
    }
  }

  // A sequence switches off the control the pilot was on; the keyboard's place comes back to
  // it when the controls come back, unless a message holds the focus.
  #restoreFocus() {
    const control = this.#focusBeforeBusy;
    const lost = document.activeElement === null || document.activeElement === document.body;
    if (!control || dialogOpen() || !this.#view.controlsEnabled) {
      return;
    }
    this.#focusBeforeBusy = null;
    if (lost && !control.disabled) {
      control.focus();
    }
  }

  #showNotice(field, text) {
    const notice = this.#notices.get(field);
    if (!notice) {
      return;
    }
    clearTimeout(notice.timer);
    notice.element.textContent = text;
    notice.timer = setTimeout(() => {
      notice.element.textContent = '';
    }, NOTICE_MS);
  }

  // The page is going, as the window closes: a changed screen is kept in the history, and what
  // that wrote reaches the browser's storage before the session goes.
  #leave(event) {
    this.#session.close();
    this.#flushEvents();
    this.#storage.saveNow();
    if (!event.persisted) {
      this.#session.delete();
    }
  }

  // A store cut short by the page going would leave the gyro half written.
  #beforeLeaving(event) {
    if (this.#view.storing) {
      event.preventDefault();
      event.returnValue = '';
    }
  }
}

async function mountStorage(Module) {
  if (typeof Module.mountStorage !== 'function') {
    return;
  }
  try {
    await Module.mountStorage();
  } catch (error) {
    // The page still works; only what it keeps is lost when it closes.
    console.warn('The browser storage could not be opened:', error);
  }
}

async function main() {
  try {
    if (typeof globalThis.createVn340 !== 'function') {
      throw new Error('vn340.js did not load.');
    }
    const Module = await globalThis.createVn340({ locateFile: (file) => file });
    await mountStorage(Module);
    new ConfigPage(Module).start();
  } catch (error) {
    console.error(error);
    byId('status').textContent = `The program could not be started: ${error.message ?? error}`;
  }
  keepForOffline();
}

// The page and its module kept by the browser, so that the editor opens at the field with no
// network; registered once the page has started, so that keeping them never slows the start.
function keepForOffline() {
  if (!('serviceWorker' in navigator)) {
    return;
  }
  navigator.serviceWorker
    .register('sw.js')
    .catch((error) => console.warn('The page will not open without the network:', error));
}

main();
