// The statistics offer after a read, as the window makes it: a modal dialog with the window's
// words and fields, "Skip" its default (Enter and Escape skip, so nothing leaves the computer
// by a stray key), and after "Send" the page's own fetch of the address the module gives, whose
// end goes back to the module to be judged and told. Only https addresses are fetched: the
// line carries the pilot's email address.

const FIELDS = ['helicopter', 'servo', 'email'];
// The window's texts for a fetch that did not end in time.
const SILENT = 'Error: The operation timed out';
const TOO_LONG = (ms) => `Error: The request did not end within ${Math.round(ms / 1000)} seconds`;
const UNREADABLE = 'Error: The answer could not be read';

// Resolves once no dialog of the page is open: a message the module told before the offer is
// read first.
async function noDialogOpen() {
  for (;;) {
    const open = document.querySelector('dialog[open]');
    if (!open) {
      return;
    }
    await new Promise((resolve) => open.addEventListener('close', resolve, { once: true }));
  }
}

// One GET of `request.url`; {fetched, status, body}, {fetched: false, error} or {cancelled}.
export async function fetchStatistics(request, cancelled) {
  let url;
  try {
    url = new URL(request.url);
  } catch {
    return { fetched: false, error: 'Error: The address is not valid' };
  }
  if (url.protocol !== 'https:') {
    return { fetched: false, error: 'Error: Only https addresses are used' };
  }
  const stopper = new AbortController();
  let why = '';
  const stop = (reason) => {
    why ||= reason;
    stopper.abort();
  };
  const silent = setTimeout(() => stop(SILENT), request.receiveMs ?? 20_000);
  const whole = setTimeout(() => stop(TOO_LONG(request.wholeMs ?? 60_000)), request.wholeMs ?? 60_000);
  cancelled.addEventListener('abort', () => stop('cancelled'), { once: true });
  try {
    const response = await fetch(url, {
      mode: 'cors',
      credentials: 'omit',
      cache: 'no-store',
      referrerPolicy: 'no-referrer',
      signal: stopper.signal,
    });
    clearTimeout(silent);
    if (response.type === 'opaque' || response.type === 'opaqueredirect') {
      return { fetched: false, error: UNREADABLE };
    }
    return { fetched: true, status: response.status, body: await response.text() };
  } catch (error) {
    if (why === 'cancelled') {
      return { cancelled: true };
    }
    return { fetched: false, error: why || `Error: ${error.message || error}` };
  } finally {
    clearTimeout(silent);
    clearTimeout(whole);
  }
}

export class StatisticsOffer {
  #session;
  #dialog = null;
  #parts = {};
  #texts = {};
  // As on the desktop: "Send" and a click on the tick box take the fields; "Skip" does not.
  #taken = { helicopter: '', servo: '', email: '' };
  #sending = null;

  constructor(session) {
    this.#session = session;
  }

  // The module's offer: its words, and the answers as the pilot last left them.
  async offer(data) {
    await noDialogOpen();
    this.#build(data);
    const { fields, tick } = this.#parts;
    for (const key of FIELDS) {
      this.#taken[key] = data.answers?.[key] ?? '';
      fields[key].value = this.#taken[key];
    }
    tick.checked = Boolean(data.doNotAskAgain);
    this.#showSending(false);
    this.#dialog.returnValue = '';
    this.#dialog.showModal();
    fields.helicopter.focus();
  }

  #build(data) {
    if (this.#dialog) {
      return;
    }
    this.#texts = data;
    const make = (tag, props = {}) => Object.assign(document.createElement(tag), props);
    const dialog = make('dialog', { id: 'statistics', className: 'prompt statistics' });
    dialog.setAttribute('aria-modal', 'true');
    dialog.setAttribute('aria-labelledby', 'statistics-title');
    dialog.setAttribute('aria-describedby', 'statistics-intro');
    const form = make('form', { method: 'dialog' });
    const title = make('h2', { id: 'statistics-title', textContent: data.title });
    const intro = make('p', { id: 'statistics-intro', className: 'prompt-text', textContent: data.intro });
    const fields = {};
    const rows = FIELDS.map((key) => {
      const box = make('input', {
        id: `statistics-${key}`,
        type: 'text',
        maxLength: data.limit ?? 100,
        autocomplete: key === 'email' ? 'email' : 'off',
        spellcheck: false,
      });
      if (key === 'email') {
        box.inputMode = 'email';
        box.setAttribute('aria-describedby', 'statistics-email-note');
      }
      fields[key] = box;
      const label = make('label', { htmlFor: box.id, textContent: data.labels?.[key] ?? key });
      const row = make('div', { className: 'statistics-row' });
      row.append(label, box);
      return row;
    });
    const emailNote = make('p', { id: 'statistics-email-note', className: 'statistics-note', textContent: data.emailNote });
    const serialNote = make('p', { className: 'statistics-note', textContent: data.serialNote });
    const tick = make('input', { type: 'checkbox', id: 'statistics-do-not-ask' });
    const tickLabel = make('label', { className: 'tick' });
    tickLabel.append(tick, ` ${data.doNotAsk}`);
    const progress = make('progress', { hidden: true });
    progress.setAttribute('aria-label', 'Sending');
    const send = make('button', { type: 'submit', value: 'send', textContent: data.send });
    const skip = make('button', { type: 'submit', value: 'skip', textContent: data.skip });
    const buttons = make('div', { className: 'prompt-buttons' });
    buttons.append(send, skip);
    form.append(title, intro, ...rows, emailNote, serialNote, tickLabel, progress, buttons);
    dialog.append(form);
    document.body.append(dialog);
    this.#dialog = dialog;
    this.#parts = { title, fields, tick, progress, send, skip };

    tick.addEventListener('click', () => this.#take());
    // Enter in a box or on the tick box is the default button's: "Skip".
    form.addEventListener('keydown', (event) => {
      if (event.key === 'Enter' && !(event.target instanceof HTMLButtonElement)) {
        event.preventDefault();
        this.#skip();
      }
    });
    send.addEventListener('click', (event) => {
      event.preventDefault();
      if (!this.#sending) {
        this.#send();
      }
    });
    skip.addEventListener('click', (event) => {
      event.preventDefault();
      this.#skip();
    });
    // Escape: "Skip", or while sending, "Cancel".
    dialog.addEventListener('cancel', (event) => {
      event.preventDefault();
      this.#skip();
    });
  }

  #take() {
    for (const key of FIELDS) {
      this.#taken[key] = this.#parts.fields[key].value;
    }
  }

  #answer(send) {
    return { send, ...this.#taken, doNotAskAgain: this.#parts.tick.checked };
  }

  #skip() {
    if (this.#sending) {
      this.#sending.abort();
      return;
    }
    this.#dialog.close('skip');
    this.#session.answerStatistics(this.#answer(false));
  }

  async #send() {
    this.#take();
    const request = this.#session.answerStatistics(this.#answer(true));
    if (!request) {
      this.#dialog.close('skip');
      return;
    }
    this.#sending = new AbortController();
    this.#showSending(true);
    let result;
    try {
      result = await fetchStatistics(request, this.#sending.signal);
    } finally {
      this.#sending = null;
    }
    this.#dialog.close('send');
    this.#session.statisticsFetched(result);
  }

  // While the line is on its way only "Cancel" is left, as in the window's progress dialog.
  #showSending(sending) {
    const { title, fields, tick, progress, send, skip } = this.#parts;
    title.textContent = sending ? this.#texts.sendingTitle : this.#texts.title;
    for (const box of [...Object.values(fields), tick, send]) {
      box.disabled = sending;
    }
    progress.hidden = !sending;
    skip.textContent = sending ? this.#texts.cancel : this.#texts.skip;
    this.#dialog.setAttribute('aria-busy', String(sending));
    if (sending) {
      skip.focus();
    }
  }
}
