// "Live signals" on the page: the gyro, rudder and gain signals of every diagnostics round as
// three plots over the last 10 s, 30 s or 2 min, each with its latest value beside it (the gain
// also as its percent, on an axis of its own), "Pause" (or Space) to hold the plots still while
// the rounds go on arriving and being recorded, and "Record…" to hand the rounds to the pilot as
// a CSV file. The module runs the diagnostics and
// writes the recording; the page keeps the rounds it shows and draws them.

const START_DIAGNOSTICS = 'Start diagnostics';
const STOP_DIAGNOSTICS = 'Stop diagnostics';
const RECORD = 'Record\u2026';
const STOP_RECORDING = 'Stop recording';
const SPANS = [
  { text: '10 s', ms: 10_000 },
  { text: '30 s', ms: 30_000 },
  { text: '2 min', ms: 120_000 },
];
const DEFAULT_SPAN = 1;
const LONGEST_MS = SPANS[SPANS.length - 1].ms;
const CENTRE_MICROS = 1520;
const CSV_FILE = { description: 'Comma-separated values', accept: { 'text/csv': ['.csv'] } };

// The value axis holds a full stick or gain throw at once, so a steady signal sits where it
// is and a moving one is not rescaled under the pilot's eyes; a value beyond it widens the
// axis in steps, never narrowing it to what is shown.
const AXIS_LOW = 1000;
const AXIS_HIGH = 2000;
const AXIS_STEP = 50;
const AXIS_TICK = 250;

export function axisFor(values) {
  let low = AXIS_LOW;
  let high = AXIS_HIGH;
  for (const value of values) {
    low = Math.min(low, Math.floor(value / AXIS_STEP) * AXIS_STEP);
    high = Math.max(high, Math.ceil(value / AXIS_STEP) * AXIS_STEP);
  }
  return { low, high };
}

const fourDigits = (value) => String(value).padStart(4, '0');
export const gainPercent = (gain) => Math.trunc(Math.abs(gain - CENTRE_MICROS) / 5);
// The gain's percent is drawn on the right against 0 to 100 %, widened in tens beyond it.
const PERCENT_TICK = 25;
function percentAxis(values) {
  let high = 100;
  for (const value of values) {
    high = Math.max(high, Math.ceil(gainPercent(value) / 10) * 10);
  }
  return { low: 0, high };
}

// The window's words for each plot's latest value.
const PLOTS = [
  { key: 'gyro', name: 'Gyro', text: (v) => `Gyro = ${fourDigits(v)}` },
  { key: 'rudder', name: 'Rudder', text: (v) => `Rudder = ${fourDigits(v)} \u00b5s` },
  {
    key: 'gain',
    name: 'Gain',
    text: (v) => `Gain = ${fourDigits(v)} \u00b5s (${String(gainPercent(v)).padStart(2, '0')}%)`,
    percent: true,
  },
];

// The rounds of the longest span, oldest first; older ones make way.
class Rounds {
  times = [];
  values = { gyro: [], rudder: [], gain: [] };
  #first = 0;

  add(round) {
    this.times.push(round.time);
    for (const key of Object.keys(this.values)) {
      this.values[key].push(round[key]);
    }
    while (this.times[this.#first] < round.time - LONGEST_MS) {
      this.#first += 1;
    }
    // Dropped in bulk: a shift for every round would move the whole array each time.
    if (this.#first > 1024 && this.#first * 2 > this.times.length) {
      this.times.splice(0, this.#first);
      for (const list of Object.values(this.values)) {
        list.splice(0, this.#first);
      }
      this.#first = 0;
    }
  }

  get first() {
    return this.#first;
  }

  get count() {
    return this.times.length - this.#first;
  }

  newest(key) {
    return this.count > 0 ? this.values[key][this.times.length - 1] : null;
  }

  // The rounds as they are now, kept however many arrive later.
  held() {
    const copy = new Rounds();
    copy.times = this.times.slice(this.#first);
    for (const [key, list] of Object.entries(this.values)) {
      copy.values[key] = list.slice(this.#first);
    }
    return copy;
  }
}

// One signal against time on a canvas, drawn at the screen's own pixel density.
class Plot {
  #canvas;
  #readout;
  #spec;

  constructor(spec, canvas, readout) {
    this.#spec = spec;
    this.#canvas = canvas;
    this.#readout = readout;
    this.#tell(null);
  }

  #tell(value) {
    const text = value === null ? `${this.#spec.name} = \u2013` : this.#spec.text(value);
    if (this.#readout.textContent !== text) {
      this.#readout.textContent = text;
      this.#canvas.setAttribute('aria-label', text);
    }
  }

  draw(rounds, spanMs) {
    const key = this.#spec.key;
    this.#tell(rounds.newest(key));
    const canvas = this.#canvas;
    const scale = window.devicePixelRatio || 1;
    const width = Math.max(1, Math.round(canvas.clientWidth * scale));
    const height = Math.max(1, Math.round(canvas.clientHeight * scale));
    if (canvas.width !== width || canvas.height !== height) {
      canvas.width = width;
      canvas.height = height;
    }
    const g = canvas.getContext('2d');
    g.setTransform(scale, 0, 0, scale, 0, 0);
    const w = width / scale;
    const h = height / scale;
    g.fillStyle = '#ffffff';
    g.fillRect(0, 0, w, h);

    const times = rounds.times;
    const values = rounds.values[key];
    const end = rounds.count > 0 ? times[times.length - 1] : 0;
    let from = rounds.first;
    while (from < times.length && times[from] < end - spanMs) {
      from += 1;
    }
    const shown = values.slice(from);
    const { low, high } = axisFor(shown);
    const left = 44;
    const right = w - (this.#spec.percent ? 34 : 6);
    const top = 6;
    const bottom = h - 16;
    const x = (time) => right - ((end - time) / spanMs) * (right - left);
    const y = (value) => bottom - ((value - low) / (high - low)) * (bottom - top);

    g.font = '10px system-ui, sans-serif';
    g.lineWidth = 1;
    g.strokeStyle = '#dddddd';
    g.fillStyle = '#5a5a5a';
    g.textAlign = 'right';
    g.textBaseline = 'middle';
    for (let tick = Math.ceil(low / AXIS_TICK) * AXIS_TICK; tick <= high; tick += AXIS_TICK) {
      const at = Math.round(y(tick)) + 0.5;
      g.beginPath();
      g.moveTo(left, at);
      g.lineTo(right, at);
      g.stroke();
      g.fillText(String(tick), left - 4, at);
    }
    g.textBaseline = 'top';
    const seconds = spanMs / 1000;
    const step = seconds <= 10 ? 2 : seconds <= 30 ? 5 : 20;
    for (let s = 0; s <= seconds; s += step) {
      // The ends' labels kept inside the plot.
      g.textAlign = s === 0 ? 'right' : s + step > seconds ? 'left' : 'center';
      g.fillText(s === 0 ? '0 s' : `\u2212${s}`, x(end - s * 1000), bottom + 3);
    }
    g.strokeStyle = '#a0a0a0';
    g.strokeRect(left + 0.5, top + 0.5, right - left - 1, bottom - top - 1);

    if (shown.length === 0) {
      return;
    }
    g.strokeStyle = '#1f5fa8';
    g.lineWidth = 1.5;
    g.beginPath();
    g.moveTo(x(times[from]), y(values[from]));
    for (let i = from + 1; i < times.length; i += 1) {
      g.lineTo(x(times[i]), y(values[i]));
    }
    if (shown.length === 1) {
      g.lineTo(right, y(values[from]));
    }
    g.stroke();
    if (this.#spec.percent) {
      this.#drawPercent(g, { times, values, from, x, top, bottom, right });
    }
  }

  // The gain as its percent, dashed, against the axis on the right.
  #drawPercent(g, { times, values, from, x, top, bottom, right }) {
    const { low, high } = percentAxis(values.slice(from));
    const y = (percent) => bottom - ((percent - low) / (high - low)) * (bottom - top);
    g.font = '10px system-ui, sans-serif';
    g.fillStyle = '#8a4b00';
    g.textAlign = 'left';
    g.textBaseline = 'middle';
    for (let tick = low; tick <= high; tick += PERCENT_TICK) {
      g.fillText(`${tick}%`, right + 4, Math.round(y(tick)) + 0.5);
    }
    g.strokeStyle = '#c46a00';
    g.lineWidth = 1.5;
    g.setLineDash([4, 3]);
    g.beginPath();
    g.moveTo(x(times[from]), y(gainPercent(values[from])));
    for (let i = from + 1; i < times.length; i += 1) {
      g.lineTo(x(times[i]), y(gainPercent(values[i])));
    }
    if (times.length - from === 1) {
      g.lineTo(right, y(gainPercent(values[from])));
    }
    g.stroke();
    g.setLineDash([]);
  }
}

export class LiveSignals {
  #session;
  #byId;
  #save;
  #tellFailure;
  #rounds = new Rounds();
  #plots;
  #spanMs = SPANS[DEFAULT_SPAN].ms;
  #frameAsked = false;
  #recordedRounds = 0;
  #running = false;
  #recording = false;
  // While paused, the rounds as they were when the pilot paused.
  #held = null;

  // `save(name, bytes, kind)` hands a file to the pilot; `tellFailure(text)` shows a message.
  constructor(session, byId, save, tellFailure) {
    this.#session = session;
    this.#byId = byId;
    this.#save = save;
    this.#tellFailure = tellFailure;
    this.#plots = PLOTS.map((spec) => new Plot(spec, byId(`${spec.key}-plot`), byId(`${spec.key}-value`)));
    const span = byId('live-span');
    span.replaceChildren(...SPANS.map(({ text }, i) => new Option(text, String(i))));
    span.selectedIndex = DEFAULT_SPAN;
    span.addEventListener('change', () => {
      this.#spanMs = SPANS[span.selectedIndex].ms;
      this.#redrawSoon();
    });
    byId('diagnostics').addEventListener('click', () => {
      byId('live').hidden = false;
      session.diagnostics();
    });
    byId('record').addEventListener('click', () => this.#toggleRecording());
    byId('pause').addEventListener('click', () => this.#setPaused(this.#held === null));
    // Space pauses while the live signals are in sight, unless the focus is on a control that
    // takes Space for itself.
    document.addEventListener('keydown', (event) => {
      const target = event.target;
      const free = target === document.body || (byId('live').contains(target) && !target.matches('button, select, input'));
      if (event.key === ' ' && free && !byId('live').hidden && !document.querySelector('dialog[open]')) {
        event.preventDefault();
        this.#setPaused(this.#held === null);
      }
    });
    window.addEventListener('resize', () => this.#redrawSoon());
  }

  #setPaused(paused) {
    this.#held = paused ? this.#rounds.held() : null;
    this.#byId('pause').setAttribute('aria-pressed', String(paused));
    this.#byId('pause').classList.toggle('pressed', paused);
    this.#redrawSoon();
  }

  // One round of the running diagnostics.
  round(round) {
    this.#rounds.add(round);
    if (this.#recording) {
      this.#recordedRounds += 1;
    }
    if (this.#held === null) {
      this.#redrawSoon();
    }
  }

  render(view, gyroButtonsOn) {
    this.#running = Boolean(view.diagnosticsRunning);
    const button = this.#byId('diagnostics');
    button.textContent = this.#running ? STOP_DIAGNOSTICS : START_DIAGNOSTICS;
    button.classList.toggle('pressed', this.#running);
    button.disabled = !(this.#running || gyroButtonsOn);
    this.#recording = Boolean(view.recording);
    const record = this.#byId('record');
    record.textContent = this.#recording ? STOP_RECORDING : RECORD;
    record.disabled = !(this.#recording || this.#running);
  }

  // Drawn once a frame at most, and only when something new is to be seen.
  #redrawSoon() {
    if (this.#frameAsked) {
      return;
    }
    this.#frameAsked = true;
    requestAnimationFrame(() => {
      this.#frameAsked = false;
      if (this.#byId('live').hidden) {
        return;
      }
      for (const plot of this.#plots) {
        plot.draw(this.#held ?? this.#rounds, this.#spanMs);
      }
    });
  }

  async #toggleRecording() {
    const text = this.#byId('recording-text');
    if (!this.#recording) {
      this.#recordedRounds = 0;
      if (this.#session.startRecording()) {
        this.#recording = true;
        text.textContent = 'Recording every round';
      }
      return;
    }
    const saved = this.#session.stopRecording();
    this.#recording = false;
    const file = typeof saved === 'string' ? JSON.parse(saved) : saved;
    if (!file) {
      text.textContent = '';
      return;
    }
    text.textContent = `${this.#recordedRounds} rounds recorded to ${file.name}`;
    try {
      await this.#save(file.name, new Uint8Array(file.bytes), CSV_FILE);
    } catch (error) {
      this.#tellFailure(`The file ${file.name} could not be saved.\n\n${error.message}`);
    }
  }
}
