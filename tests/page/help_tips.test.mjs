// The help on the page's controls, as a pilot meets it: the balloon after the pointer rests on
// a control, after a long press of a finger (which then does not press the control), and on
// F1; gone again on leaving, Escape or a touch elsewhere; the same text read out as each
// control's description; and the balloon inside the screen, drawn with the text's pixels.
import assert from 'node:assert/strict';
import { describe, it } from 'node:test';

import { highEndpoint, openInContext, pageSuite, typeInto } from './support.mjs';

const HIGH_ENDPOINT_HELP = /^The vn340 is a sophisticated microcomputer system .* between 30% and 145%\.$/s;

const tooltip = (page) => page.getByRole('tooltip');
const tipText = async (page) => (await tooltip(page).textContent()).trim();

// The words a screen reader reads after a control's name: the texts of its description.
async function description(locator) {
  return locator.evaluate((element) =>
    (element.getAttribute('aria-describedby') ?? '')
      .split(' ')
      .map((id) => document.getElementById(id)?.textContent ?? '')
      .join(' ')
      .trim(),
  );
}

// Where the tip's canvas lies, and how many of its pixels are dark enough to be text.
async function drawnTip(page) {
  return page.locator('#help-tip canvas').evaluate((canvas) => {
    const ctx = canvas.getContext('2d');
    const { data } = ctx.getImageData(0, 0, canvas.width, canvas.height);
    let dark = 0;
    for (let i = 0; i < data.length; i += 4) {
      dark += data[i + 3] > 200 && data[i] + data[i + 1] + data[i + 2] < 200 ? 1 : 0;
    }
    const box = canvas.getBoundingClientRect();
    return { dark, left: box.left, right: box.right, top: box.top, bottom: box.bottom };
  });
}

describe('help tips on the page', () => {
  const suite = pageSuite();

  it('shows a control’s help where the pointer rests, and hides it when it leaves', async () => {
    const { page } = await suite.open();
    const box = highEndpoint(page);
    assert.match(await description(box), /The vn340 is a sophisticated microcomputer system/);
    assert.equal(await tooltip(page).isVisible(), false);

    await box.hover();
    await tooltip(page).waitFor();
    assert.match(await tipText(page), HIGH_ENDPOINT_HELP);
    const tip = await drawnTip(page);
    const field = await box.boundingBox();
    assert.ok(tip.dark > 500, `the text is drawn (${tip.dark} dark pixels)`);
    assert.ok(tip.top >= field.y + field.height - 1, 'below the box, its tail pointing up at it');
    assert.ok(tip.right <= 1280 && tip.left >= 0, 'inside the screen');

    await page.mouse.move(5, 5);
    await tooltip(page).waitFor({ state: 'hidden' });
  });

  it('shows the focused control’s help on F1 and hides it on Escape; a control without help shows none', async () => {
    const { page } = await suite.open();
    await page.getByRole('button', { name: 'Load defaults', exact: true }).focus();
    await page.keyboard.press('F1');
    await tooltip(page).waitFor();
    assert.match(await tipText(page), /^Loads the factory default configuration/);
    await page.keyboard.press('Escape');
    await tooltip(page).waitFor({ state: 'hidden' });

    await page.getByRole('button', { name: /^History/ }).focus();
    await page.keyboard.press('F1');
    await page.keyboard.press('Tab');
    assert.equal(await tooltip(page).isVisible(), false);
  });

  it('shows the help after a long press, without pressing the control, and stays on a narrow screen', async () => {
    const context = await suite.browser.newContext({
      hasTouch: true,
      isMobile: true,
      viewport: { width: 600, height: 960 },
    });
    const session = await openInContext(context, suite.server);
    suite.opened.push(session);
    const { page } = session;
    await typeInto(highEndpoint(page), '120');
    const button = page.getByRole('button', { name: 'Load defaults', exact: true });
    await button.scrollIntoViewIfNeeded();
    const at = await button.boundingBox();
    const point = { x: at.x + at.width / 2, y: at.y + at.height / 2 };
    const touch = await context.newCDPSession(page);
    await touch.send('Input.dispatchTouchEvent', { type: 'touchStart', touchPoints: [point] });
    await tooltip(page).waitFor();
    await touch.send('Input.dispatchTouchEvent', { type: 'touchEnd', touchPoints: [] });
    assert.match(await tipText(page), /^Loads the factory default configuration/);
    const tip = await drawnTip(page);
    assert.ok(tip.left >= 0 && tip.right <= 600, `inside the screen (${tip.left} to ${tip.right})`);

    // A tap elsewhere hides it; the long press loaded nothing, a tap does.
    await page.touchscreen.tap(5, 5);
    await tooltip(page).waitFor({ state: 'hidden' });
    assert.equal(await highEndpoint(page).inputValue(), '120');
    await button.tap();
    await page.waitForFunction(() => document.getElementById('highEndpoint').value === '100');
  });
});
