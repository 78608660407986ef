// Help on every control, as the window gives it: when the pointer rests on a control for half
// a second, or a finger presses it as long, a balloon shows the control's help text. The module
// lays the text out with the window's own markup layout, measuring with the fonts this page's
// canvas has, and hands back the drawing steps that are played back here. A screen reader
// reads the same text as the control's description; F1 shows the focused control's help, and
// Escape, a click elsewhere or leaving the control hides it.

const SHOW_DELAY_MS = 500;
const LONG_PRESS_MS = 500;
// A finger that moves this far is scrolling, not pressing.
const PRESS_SLOP_PX = 10;
// The window's widest tip; narrower where the screen is.
const MAX_WIDTH = 500;
const SCREEN_MARGIN = 8;
// The desktop's tooltip colours, and the window's tip shadow: 6 pixels down and right, half
// dark, softened.
const BACKGROUND = 'rgb(255,255,225)';
const BORDER = 'rgb(0,0,0)';
const SHADOW = { dx: 6, dy: 6, blur: 7, colour: 'rgba(0,0,0,0.5)' };
// The code page of the help texts, where it differs from Unicode's first 256 characters.
const HIGH_CODE_PAGE =
  '\u20ac\u0081\u201a\u0192\u201e\u2026\u2020\u2021\u02c6\u2030\u0160\u2039\u0152\u008d\u017d\u008f' +
  '\u0090\u2018\u2019\u201c\u201d\u2022\u2013\u2014\u02dc\u2122\u0161\u203a\u0153\u009d\u017e\u0178';

const characterOf = (byte) =>
  byte >= 0x80 && byte < 0xa0 ? HIGH_CODE_PAGE[byte - 0x80] : String.fromCharCode(byte);

function cssFont(spec, pixels) {
  const face = String(spec.face).replace(/["\\]/g, '');
  return `${spec.italic ? 'italic ' : ''}${spec.weight} ${pixels}px "${face}", sans-serif`;
}

// The fonts as the layout needs them, measured on a canvas: whole-pixel heights and the
// advance of each byte, for a font whose cell (ascent + descent) is the markup's height.
export class CanvasFonts {
  #context;
  #loaded = new Map();

  constructor(context) {
    this.#context = context;
  }

  load(spec) {
    const key = JSON.stringify([spec.face, spec.height, spec.weight, spec.italic]);
    let facts = this.#loaded.get(key);
    if (!facts) {
      facts = this.#measure(spec);
      this.#loaded.set(key, facts);
    }
    return facts;
  }

  // As the window does: the font at the cell height, then scaled so its cell is that height.
  #measure(spec) {
    const ctx = this.#context;
    const cell = Math.max(1, spec.height);
    ctx.font = cssFont(spec, cell);
    const natural = Math.max(1, this.#cellOf(ctx.measureText('Hg')).height);
    const pixels = Math.max(1, Math.floor((cell * cell) / natural));
    ctx.font = cssFont(spec, pixels);
    const { ascent, descent } = this.#cellOf(ctx.measureText('Hg'));
    const advances = [];
    for (let byte = 0; byte < 256; ++byte) {
      advances.push(Math.round(ctx.measureText(characterOf(byte)).width));
    }
    const xHeight = Math.round(ctx.measureText('x').actualBoundingBoxAscent);
    return { css: ctx.font, ascent, descent, xHeight, advances };
  }

  #cellOf(metrics) {
    const ascent = Math.round(metrics.fontBoundingBoxAscent);
    const descent = Math.round(metrics.fontBoundingBoxDescent);
    return { ascent, descent, height: ascent + descent };
  }
}

// The balloon: the body with rounded corners and the tail's base on the edge towards the
// control, its point at `tail`; coordinates on the tip's canvas. Answers where the base
// starts, so that the body's edge can be taken out between the tail's sides.
function balloonPath(ctx, body, tail, shape, below) {
  const r = Math.min(shape.cornerWidth, body.width, shape.cornerHeight, body.height) / 2;
  const edge = below ? body.y : body.y + body.height;
  const baseStart = Math.min(
    Math.max(tail.x - shape.tailWidth / 2, body.x + r),
    body.x + body.width - r - shape.tailWidth,
  );
  ctx.beginPath();
  ctx.roundRect(body.x, body.y, body.width, body.height, r);
  ctx.moveTo(baseStart, edge);
  ctx.lineTo(tail.x, tail.y);
  ctx.lineTo(baseStart + shape.tailWidth, edge);
  return baseStart;
}

function playBack(ctx, steps, fonts) {
  for (const step of steps) {
    switch (step.kind) {
      case 'fill':
        ctx.fillStyle = step.colour;
        ctx.fillRect(step.x, step.y, step.width, step.height);
        break;
      case 'line':
        ctx.strokeStyle = step.colour;
        ctx.lineWidth = step.width;
        ctx.beginPath();
        ctx.moveTo(step.x1 + 0.5, step.y1 + 0.5);
        ctx.lineTo(step.x2 + 0.5, step.y2 + 0.5);
        ctx.stroke();
        break;
      case 'text':
        playText(ctx, step, fonts.load(step.font));
        break;
      default:
        break;
    }
  }
}

function playText(ctx, step, facts) {
  const height = facts.ascent + facts.descent;
  if (step.back) {
    ctx.fillStyle = step.back;
    ctx.fillRect(step.x, step.top, step.width, height);
  }
  ctx.font = facts.css;
  ctx.fillStyle = step.colour;
  ctx.textBaseline = 'alphabetic';
  ctx.fillText(step.text, step.x, step.baseline);
  const rules = [];
  if (step.font.underline) {
    rules.push(step.baseline + 1);
  }
  if (step.font.strikeout) {
    rules.push(step.baseline - Math.round(facts.xHeight / 2));
  }
  for (const y of rules) {
    ctx.fillRect(step.x, y, step.width, 1);
  }
}

export class HelpTips {
  #Module;
  #tip;
  #canvas;
  #fonts;
  // Each control with help: its name in the module, and the text a screen reader reads.
  #controls = new Map();
  #timer = null;
  #shownFor = null;
  #pressedAt = null;
  #swallowClick = null;

  constructor(Module, tip) {
    this.#Module = Module;
    this.#tip = tip;
    this.#canvas = tip.querySelector('canvas');
    this.#fonts = new CanvasFonts(document.createElement('canvas').getContext('2d'));
  }

  // Every control with help gets its text as its description, and the tip's events.
  attach() {
    if (typeof this.#Module.helpTips !== 'function') {
      return;
    }
    const descriptions = document.createElement('div');
    descriptions.hidden = true;
    for (const { control, text } of this.#Module.helpTips()) {
      const element = document.getElementById(control);
      if (!element) {
        continue;
      }
      const description = document.createElement('p');
      description.id = `${control}-help`;
      description.textContent = text;
      descriptions.append(description);
      const describedBy = element.getAttribute('aria-describedby');
      element.setAttribute(
        'aria-describedby',
        describedBy ? `${describedBy} ${description.id}` : description.id,
      );
      this.#controls.set(element, { control, text });
      this.#listen(element);
    }
    document.body.append(descriptions);
    document.addEventListener('keydown', (event) => this.#key(event));
    document.addEventListener('pointerdown', (event) => this.#pointerDownAnywhere(event), true);
    window.addEventListener('scroll', () => this.hide(), true);
    window.addEventListener('blur', () => this.hide());
  }

  #listen(element) {
    element.addEventListener('pointerenter', (event) => {
      if (event.pointerType !== 'touch') {
        this.#arm(element, { x: event.clientX, y: element.getBoundingClientRect().bottom });
      }
    });
    element.addEventListener('pointerleave', (event) => {
      if (event.pointerType !== 'touch') {
        this.hide();
      }
    });
    element.addEventListener('pointerdown', (event) => this.#press(element, event));
    element.addEventListener('pointermove', (event) => this.#pressMoved(event));
    element.addEventListener('pointerup', () => this.#released());
    element.addEventListener('pointercancel', () => this.#released());
    // The press that opened the help was no tap on the control, nor a request for the menu.
    element.addEventListener('contextmenu', (event) => {
      if (this.#shownFor === element) {
        event.preventDefault();
      }
    });
    element.addEventListener('click', (event) => this.#clicked(element, event), true);
  }

  #press(element, event) {
    if (event.pointerType !== 'touch') {
      this.hide();
      return;
    }
    this.#pressedAt = { x: event.clientX, y: event.clientY };
    this.#arm(element, { x: event.clientX, y: element.getBoundingClientRect().bottom }, () => {
      this.#swallowClick = element;
    });
  }

  #pressMoved(event) {
    if (!this.#pressedAt || event.pointerType !== 'touch') {
      return;
    }
    const moved = Math.hypot(event.clientX - this.#pressedAt.x, event.clientY - this.#pressedAt.y);
    if (moved > PRESS_SLOP_PX && this.#shownFor === null) {
      this.#pressedAt = null;
      clearTimeout(this.#timer);
    }
  }

  #released() {
    this.#pressedAt = null;
    if (this.#shownFor === null) {
      clearTimeout(this.#timer);
    }
  }

  #clicked(element, event) {
    if (this.#swallowClick === element) {
      this.#swallowClick = null;
      event.preventDefault();
      event.stopImmediatePropagation();
    }
  }

  #pointerDownAnywhere(event) {
    if (this.#shownFor !== null && !this.#shownFor.contains(event.target)) {
      this.hide();
    }
  }

  #key(event) {
    if (event.key === 'Escape' && this.#shownFor !== null) {
      this.hide();
      event.preventDefault();
    } else if (event.key === 'F1' && this.#controls.has(document.activeElement)) {
      const element = document.activeElement;
      const box = element.getBoundingClientRect();
      this.show(element, { x: box.left + Math.min(box.width / 2, 24), y: box.bottom });
      event.preventDefault();
    }
  }

  #arm(element, point, shown = () => {}) {
    clearTimeout(this.#timer);
    this.#timer = setTimeout(() => {
      this.show(element, point);
      shown();
    }, element === this.#shownFor ? 0 : SHOW_DELAY_MS);
  }

  // The tip of `element` with its tail's point at `point` (viewport pixels).
  show(element, point) {
    clearTimeout(this.#timer);
    const { control, text } = this.#controls.get(element) ?? {};
    const maxWidth = Math.min(MAX_WIDTH, window.innerWidth - 2 * SCREEN_MARGIN - 40);
    const tip = control ? this.#Module.helpTip(control, Math.max(100, maxWidth), this.#fonts) : null;
    if (!tip) {
      return;
    }
    const { shape } = tip;
    const body = {
      width: tip.width + 2 * shape.marginX,
      height: tip.height + 2 * shape.marginY,
    };
    const fullHeight = body.height + shape.tailLength;
    const below = point.y + fullHeight + SHADOW.dy <= window.innerHeight || point.y < fullHeight;
    const left = Math.min(
      Math.max(SCREEN_MARGIN, point.x - shape.tailOffset - shape.tailWidth / 2),
      Math.max(SCREEN_MARGIN, window.innerWidth - body.width - SHADOW.dx - SCREEN_MARGIN),
    );
    const top = below ? point.y : point.y - fullHeight;
    this.#draw(tip, body, { x: point.x - left, y: below ? 0 : fullHeight }, below);
    Object.assign(this.#tip.style, { left: `${left}px`, top: `${top}px` });
    this.#tip.querySelector('p').textContent = text;
    this.#tip.hidden = false;
    this.#shownFor = element;
  }

  hide() {
    clearTimeout(this.#timer);
    this.#tip.hidden = true;
    this.#shownFor = null;
  }

  #draw(tip, body, tail, below) {
    const { shape } = tip;
    const width = body.width + SHADOW.dx + SHADOW.blur;
    const height = body.height + shape.tailLength + SHADOW.dy + SHADOW.blur;
    const scale = window.devicePixelRatio || 1;
    Object.assign(this.#canvas, {
      width: Math.ceil(width * scale),
      height: Math.ceil(height * scale),
    });
    Object.assign(this.#canvas.style, { width: `${width}px`, height: `${height}px` });
    const ctx = this.#canvas.getContext('2d');
    ctx.setTransform(scale, 0, 0, scale, 0, 0);
    const frame = { x: 0.5, y: (below ? shape.tailLength : 0) + 0.5, ...body };
    frame.width -= 1;
    frame.height -= 1;
    const point = { x: Math.min(Math.max(tail.x, 0), body.width), y: tail.y };
    const baseStart = balloonPath(ctx, frame, point, shape, below);
    ctx.save();
    Object.assign(ctx, {
      shadowOffsetX: SHADOW.dx,
      shadowOffsetY: SHADOW.dy,
      shadowBlur: SHADOW.blur,
      shadowColor: SHADOW.colour,
      fillStyle: BACKGROUND,
    });
    ctx.fill();
    ctx.restore();
    ctx.strokeStyle = BORDER;
    ctx.lineWidth = 1;
    ctx.stroke();
    // One outline around body and tail, as the window draws it.
    const edge = below ? frame.y : frame.y + frame.height;
    ctx.strokeStyle = BACKGROUND;
    ctx.beginPath();
    ctx.moveTo(baseStart + 1, edge);
    ctx.lineTo(baseStart + shape.tailWidth - 1, edge);
    ctx.stroke();
    ctx.translate(shape.marginX, frame.y - 0.5 + shape.marginY);
    playBack(ctx, tip.steps, this.#fonts);
  }
}
