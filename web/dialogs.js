// The page's two modal dialogs: the program's messages, one at a time with one OK, and the
// safety agreement asked before a store. Both are <dialog> elements, so the browser keeps the
// focus inside them and Escape closes them (Escape in the agreement is its Cancel).

export class MessageDialog {
  #dialog;
  #text;
  #waiting = [];
  #onClosed;

  constructor(dialog, onClosed = () => {}) {
    this.#dialog = dialog;
    this.#text = dialog.querySelector('.prompt-text');
    this.#onClosed = onClosed;
    dialog.addEventListener('close', () => this.#next());
  }

  // Messages come without waiting for the pilot; each waits for the one before to be closed.
  show(text) {
    this.#waiting.push(text);
    if (!this.#dialog.open) {
      this.#next();
    }
  }

  get open() {
    return this.#dialog.open;
  }

  #next() {
    const text = this.#waiting.shift();
    if (text === undefined) {
      this.#onClosed();
      return;
    }
    this.#text.textContent = text;
    this.#dialog.returnValue = '';
    this.#dialog.showModal();
  }
}

export class SafetyDialog {
  #dialog;
  #tick;
  // The tick box shows, each time, what it showed when the pilot last agreed.
  #lastAgreedTick = false;

  constructor(dialog, texts) {
    this.#dialog = dialog;
    this.#tick = dialog.querySelector('#dont-show-again');
    dialog.querySelector('#safety-title').textContent = texts.safetyTitle ?? 'Tarvel RC Safety Warning';
    dialog.querySelector('#dont-show-again-text').textContent =
      texts.dontShowAgain ?? "Don't show this message again";
    if (texts.agree) {
      dialog.querySelector('#agree').textContent = texts.agree;
    }
    if (texts.cancel) {
      dialog.querySelector('#cancel-store').textContent = texts.cancel;
    }
    const body = dialog.querySelector('#safety-text');
    // One text, or the warning's three paragraphs each on its own.
    const paragraphs = texts.safetyText
      ? String(texts.safetyText).split(/\n{2,}/)
      : [texts.safetyDanger, texts.safetyLanded, texts.safetyAgreement].filter(Boolean);
    for (const paragraph of paragraphs) {
      const p = document.createElement('p');
      p.textContent = paragraph;
      body.append(p);
    }
  }

  // Resolves to {agreed, dontShowAgain}; Cancel, Escape and closing all mean "not agreed".
  ask() {
    this.#tick.checked = this.#lastAgreedTick;
    this.#dialog.returnValue = '';
    this.#dialog.showModal();
    return new Promise((resolve) => {
      this.#dialog.addEventListener(
        'close',
        () => {
          const agreed = this.#dialog.returnValue === 'agree';
          if (agreed) {
            this.#lastAgreedTick = this.#tick.checked;
          }
          resolve({ agreed, dontShowAgain: agreed && this.#tick.checked });
        },
        { once: true },
      );
    });
  }
}
