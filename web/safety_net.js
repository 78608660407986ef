// The pilot's safety net on the page, as the window has it: "Undo" and "Redo" with the step they
// take back or make again, "Revert to gyro values", "Compare with gyro" and the history of
// snapshots. What each does is the module's; the page switches the buttons as the view says,
// gives them the window's keys and shows the comparison and the history in modal dialogs.

// The window's mark of a setting that differs, and what a screen reader says for it.
const DIFFERENCE_MARK = '\u2260';
const DIFFERENCE_NAME = 'differs';

function differencesText(count) {
  if (count === 0) {
    return 'No setting differs.';
  }
  return count === 1 ? '1 setting differs.' : `${count} settings differ.`;
}

function cell(tag, text) {
  const element = document.createElement(tag);
  element.textContent = text;
  return element;
}

// Where Ctrl+Z belongs to the browser's own undo of what is being typed.
function typingIn(element) {
  if (element instanceof HTMLTextAreaElement || element?.isContentEditable) {
    return true;
  }
  const typed = ['text', 'search', 'number', 'email', 'url', 'tel', 'password'];
  return element instanceof HTMLInputElement && typed.includes(element.type);
}

// A modal dialog; closed, the browser gives the keyboard back to where it was when the dialog
// opened: the button that opened it.
class ModalDialog {
  constructor(dialog) {
    this.dialog = dialog;
    dialog.addEventListener('close', () => this.closed(dialog.returnValue));
  }

  open() {
    this.dialog.returnValue = '';
    this.dialog.showModal();
  }

  closed() {}
}

// The screen and the gyro side by side, each setting on its row, those that differ marked by
// the window's sign, its word for screen readers and bold type.
class CompareDialog extends ModalDialog {
  #rows;
  #summary;

  constructor(dialog) {
    super(dialog);
    this.#rows = dialog.querySelector('#compare-rows');
    this.#summary = dialog.querySelector('#compare-summary');
  }

  show(rows) {
    this.#rows.replaceChildren(...rows.map((row) => this.#row(row)));
    this.#summary.textContent = differencesText(rows.filter((row) => row.differs).length);
    if (!this.dialog.open) {
      this.open();
    }
  }

  #row({ label, screen, gyro, differs }) {
    const line = document.createElement('tr');
    const name = cell('th', label);
    name.scope = 'row';
    const mark = document.createElement('td');
    mark.className = 'mark';
    if (differs) {
      line.className = 'differs';
      const sign = cell('span', DIFFERENCE_MARK);
      sign.setAttribute('aria-hidden', 'true');
      const word = cell('span', DIFFERENCE_NAME);
      word.className = 'visually-hidden';
      mark.append(sign, word);
    }
    line.append(name, cell('td', screen), cell('td', gyro), mark);
    return line;
  }
}

// The snapshots kept, newest first, one of them chosen with its radio button (the newest when
// the dialog opens); "Load" (or Enter on the chosen one, or a double click) puts it on screen.
class HistoryDialog extends ModalDialog {
  #rows;
  #empty;
  #load;
  #onLoad;
  #snapshots = [];

  constructor(dialog, onLoad) {
    super(dialog);
    this.#rows = dialog.querySelector('#snapshot-rows');
    this.#empty = dialog.querySelector('#history-empty');
    this.#load = dialog.querySelector('#load-snapshot');
    this.#onLoad = onLoad;
    this.#rows.addEventListener('click', (event) => this.#choose(event.target));
    this.#rows.addEventListener('dblclick', (event) => {
      if (this.#choose(event.target)) {
        dialog.close('load');
      }
    });
  }

  show(snapshots) {
    this.#snapshots = snapshots;
    this.#rows.replaceChildren(...snapshots.map((snapshot, i) => this.#row(snapshot, i)));
    this.#empty.hidden = snapshots.length > 0;
    this.dialog.querySelector('.table-frame').hidden = snapshots.length === 0;
    this.#load.disabled = snapshots.length === 0;
    this.open();
  }

  closed(answer) {
    const chosen = this.#rows.querySelector('input:checked');
    if (answer === 'load' && chosen) {
      this.#onLoad(this.#snapshots[Number(chosen.value)].path);
    }
  }

  #row(snapshot, i) {
    const line = document.createElement('tr');
    const choice = document.createElement('input');
    Object.assign(choice, { type: 'radio', name: 'snapshot', value: String(i), checked: i === 0 });
    const serial = snapshot.serialNumber || 'unknown';
    choice.setAttribute('aria-label', `${snapshot.date} ${snapshot.time}, ${snapshot.kind}, serial number ${serial}`);
    const chooser = document.createElement('td');
    chooser.append(choice);
    line.append(
      chooser,
      cell('td', snapshot.date),
      cell('td', snapshot.time),
      cell('td', snapshot.kind),
      cell('td', snapshot.serialNumber),
    );
    return line;
  }

  // A click anywhere on a row chooses it; true when one was.
  #choose(target) {
    const choice = target.closest('tr')?.querySelector('input[type="radio"]');
    if (!choice) {
      return false;
    }
    choice.checked = true;
    choice.focus();
    return true;
  }
}

export class SafetyNet {
  #buttons;
  #compare;
  #history;

  constructor(session, byId) {
    this.#buttons = {
      undo: byId('undo'),
      redo: byId('redo'),
      revert: byId('revert'),
      compare: byId('compare-with-gyro'),
      history: byId('history'),
    };
    this.#compare = new CompareDialog(byId('compare'));
    this.#history = new HistoryDialog(byId('history-dialog'), (path) => session.loadSnapshot(path));
    const { undo, redo, revert, compare, history } = this.#buttons;
    undo.addEventListener('click', () => session.undo());
    redo.addEventListener('click', () => session.redo());
    revert.addEventListener('click', () => session.revertToGyro());
    compare.addEventListener('click', () => session.compareWithGyro());
    history.addEventListener('click', () => this.#history.show(JSON.parse(session.snapshots())));
    document.addEventListener('keydown', (event) => this.#key(event));
  }

  // Nothing here acts while a sequence runs or the controls are off.
  render(view) {
    const idle = Boolean(view.controlsEnabled) && !view.busy;
    const { undo, redo, revert, compare, history } = this.#buttons;
    undo.textContent = view.undo ? `Undo ${view.undo}` : 'Undo';
    redo.textContent = view.redo ? `Redo ${view.redo}` : 'Redo';
    undo.disabled = !(idle && view.undo);
    redo.disabled = !(idle && view.redo);
    revert.disabled = !(idle && view.gyroKnown);
    compare.disabled = !(idle && view.gyroButtonsEnabled);
    history.disabled = !idle;
  }

  compared(rows) {
    this.#compare.show(rows ?? []);
  }

  // The window's keys: Ctrl+Z undoes, Ctrl+Y or Ctrl+Shift+Z redoes; in a text box they stay
  // the browser's undo of the typing, and a dialog open keeps them from the screen behind it.
  #key(event) {
    if (!(event.ctrlKey || event.metaKey) || event.altKey) {
      return;
    }
    const key = event.key.toLowerCase();
    let button = null;
    if (key === 'z') {
      button = event.shiftKey ? this.#buttons.redo : this.#buttons.undo;
    } else if (key === 'y' && !event.shiftKey) {
      button = this.#buttons.redo;
    }
    if (!button || typingIn(event.target) || document.querySelector('dialog[open]')) {
      return;
    }
    event.preventDefault();
    if (!button.disabled) {
      button.click();
    }
  }
}
