// What keeps the pilot's work on the page, against the module's simulated gyro: undo and redo
// by button and key, "Revert to gyro values", "Compare with gyro" in its dialog, the history of
// snapshots and the screen kept as "Closed" when the page is left; read from the real boxes,
// buttons and dialogs, with the keyboard back where it was when a dialog closes.
import assert from 'node:assert/strict';
import { describe, it } from 'node:test';

import {
  assertEnabled,
  highEndpoint,
  openInContext,
  pageSuite,
  readGyro,
  tryWithoutGyro,
  typeInto,
  waitForStatus,
} from './support.mjs';

const focused = (page) => page.evaluate(() => document.activeElement?.id ?? '');

// The five commands as the pilot sees them: each button's text, and whether it can be pressed.
async function commands(page) {
  return page.evaluate(() =>
    Object.fromEntries(
      ['undo', 'redo', 'revert', 'compare-with-gyro', 'history'].map((id) => {
        const button = document.getElementById(id);
        return [id, `${button.textContent}${button.disabled ? ' (off)' : ''}`];
      }),
    ),
  );
}

async function agreeAndStore(page) {
  await page.getByRole('button', { name: 'Store to gyro', exact: true }).click();
  const safety = page.getByRole('alertdialog', { name: 'Tarvel RC Safety Warning' });
  await safety.getByRole('button', { name: 'I agree', exact: true }).click();
}

describe('the safety net on the page', () => {
  const suite = pageSuite();

  async function open(context) {
    if (!context) {
      return suite.open();
    }
    const session = await openInContext(context, suite.server);
    suite.opened.push(session);
    return session;
  }

  it('offers each command only when it can act, and undoes, redoes and reverts by button and key', async () => {
    const { page } = await open();
    const all = (undo, redo, revert, compare, history) => ({
      undo,
      redo,
      revert: `Revert to gyro values${revert}`,
      'compare-with-gyro': `Compare with gyro${compare}`,
      history: `History\u2026${history}`,
    });
    const off = ' (off)';
    assert.deepEqual(await commands(page), all(`Undo${off}`, `Redo${off}`, off, off, ''), 'at the start');
    await tryWithoutGyro(page);
    assert.deepEqual(await commands(page), all(`Undo${off}`, `Redo${off}`, off, '', ''), 'with a gyro to read');
    await page.getByRole('button', { name: 'Read from gyro', exact: true }).click();
    assert.deepEqual(await commands(page), all(`Undo${off}`, `Redo${off}`, off, off, off), 'while a read runs');
    await waitForStatus(page, 'Read complete');
    await assertEnabled(page.getByRole('button', { name: 'Read from gyro', exact: true }));
    assert.deepEqual(await commands(page), all('Undo Read from gyro', `Redo${off}`, '', '', ''), 'after the read');

    const read = await highEndpoint(page).inputValue();
    assert.notEqual(read, '120');
    await typeInto(highEndpoint(page), '120');
    assert.equal(await focused(page), 'lowEndpoint');
    // In a text box the keys are the browser's undo of the typing, not the screen's.
    await page.keyboard.press('ControlOrMeta+Z');
    assert.deepEqual(await commands(page), all('Undo High endpoint', `Redo${off}`, '', '', ''), 'in a text box');

    await page.getByRole('button', { name: 'Undo High endpoint', exact: true }).click();
    assert.equal(await highEndpoint(page).inputValue(), read, 'Undo');
    await page.getByRole('button', { name: 'Redo High endpoint', exact: true }).click();
    assert.equal(await highEndpoint(page).inputValue(), '120', 'Redo');

    // Outside a text box: the window's keys, each way of redoing.
    const keys = [
      { name: 'Ctrl+Z undoes', key: 'ControlOrMeta+Z', shown: read },
      { name: 'Ctrl+Y redoes', key: 'ControlOrMeta+Y', shown: '120' },
      { name: 'Ctrl+Z again', key: 'ControlOrMeta+Z', shown: read },
      { name: 'Ctrl+Shift+Z redoes', key: 'ControlOrMeta+Shift+Z', shown: '120' },
    ];
    await page.getByRole('button', { name: 'Undo High endpoint', exact: true }).focus();
    for (const { name, key, shown } of keys) {
      await page.keyboard.press(key);
      assert.equal(await highEndpoint(page).inputValue(), shown, name);
    }

    await page.getByRole('button', { name: 'Revert to gyro values', exact: true }).click();
    assert.equal(await highEndpoint(page).inputValue(), read, 'reverted');
    assert.equal((await commands(page)).undo, 'Undo Revert to gyro values');
    await page.context().close();
  });

  it('compares the screen with the gyro in a dialog that marks the setting typed, and closes back to its button', async () => {
    const { page } = await open();
    await tryWithoutGyro(page);
    await readGyro(page);
    const read = await highEndpoint(page).inputValue();
    const low = await page.getByLabel('Low endpoint').inputValue();
    await typeInto(highEndpoint(page), '120');

    const compare = page.getByRole('button', { name: 'Compare with gyro', exact: true });
    await compare.click();
    const dialog = page.getByRole('dialog', { name: 'Compare' });
    await dialog.waitFor();
    // A row's name is what a screen reader reads of it: the mark's word, not its sign.
    await dialog.getByRole('row', { name: `High endpoint 120 ${read} differs`, exact: true }).waitFor({ timeout: 1_000 });
    await dialog.getByRole('row', { name: `Low endpoint ${low} ${low}`, exact: true }).waitFor({ timeout: 1_000 });
    const marked = await dialog.locator('tbody tr').evaluateAll((rows) =>
      rows.filter((row) => row.textContent.includes('\u2260')).map((row) => row.cells[0].textContent),
    );
    assert.deepEqual(marked, ['High endpoint'], 'only the setting typed is marked');
    assert.match(await dialog.textContent(), /\b1 setting differs\./);

    await dialog.getByRole('button', { name: 'Close', exact: true }).click();
    await dialog.waitFor({ state: 'hidden' });
    assert.equal(await focused(page), 'compare-with-gyro');
    assert.equal(await highEndpoint(page).inputValue(), '120', 'the screen left alone');
    await page.context().close();
  });

  it('lists the read\'s snapshot, and loads the one chosen from the keyboard or by a double click', async () => {
    const { page } = await open();
    const historyButton = page.getByRole('button', { name: 'History\u2026', exact: true });
    const dialog = page.getByRole('dialog', { name: 'History' });
    const load = dialog.getByRole('button', { name: 'Load', exact: true });

    await historyButton.click();
    await dialog.getByText('No configuration has been kept in the history yet.').waitFor({ timeout: 1_000 });
    assert.equal(await load.isDisabled(), true, 'nothing to load');
    await page.keyboard.press('Escape');
    await dialog.waitFor({ state: 'hidden' });

    await tryWithoutGyro(page);
    await readGyro(page);
    const read = await highEndpoint(page).inputValue();
    const serial = await page.getByLabel('Serial number', { exact: true }).inputValue();
    await typeInto(highEndpoint(page), '120');

    await historyButton.focus();
    await page.keyboard.press('Enter');
    await dialog.waitFor();
    const choices = dialog.getByRole('radio');
    assert.equal(await choices.count(), 1);
    assert.match(await choices.first().getAttribute('aria-label'), new RegExp(`, Read, serial number ${serial}$`));
    assert.equal(await choices.first().evaluate((choice) => choice === document.activeElement && choice.checked), true);
    await page.keyboard.press('Enter');
    await dialog.waitFor({ state: 'hidden' });
    assert.equal(await highEndpoint(page).inputValue(), read, 'the read put back on screen');
    assert.equal(await focused(page), 'history');

    await typeInto(highEndpoint(page), '110');
    await historyButton.click();
    await dialog.getByRole('cell', { name: 'Read', exact: true }).dblclick();
    await dialog.waitFor({ state: 'hidden' });
    assert.equal(await highEndpoint(page).inputValue(), read, 'loaded by a double click');
    await page.context().close();
  });

  it('asks before the page is left while a store runs, and not once it is over', async () => {
    const { page } = await open();
    await tryWithoutGyro(page);
    await readGyro(page);
    await typeInto(highEndpoint(page), '130');
    // The store is over in a moment: the page leaves itself the moment it begins.
    await page.evaluate(() => {
      const status = document.getElementById('status');
      new MutationObserver((_, observer) => {
        if (status.textContent.startsWith('Initiating write')) {
          observer.disconnect();
          location.reload();
        }
      }).observe(status, { childList: true, characterData: true, subtree: true });
    });
    // Answered as it comes: the click that starts the store waits for the leaving it set off,
    // which waits for this answer.
    const asked = new Promise((resolve) => {
      page.once('dialog', async (question) => {
        await question.dismiss();
        resolve(question.type());
      });
    });
    await agreeAndStore(page);
    assert.equal(await asked, 'beforeunload');
    await waitForStatus(page, 'Write complete');

    const questions = [];
    page.on('dialog', (dialog) => {
      questions.push(dialog.type());
      dialog.accept();
    });
    const closed = page.waitForEvent('close');
    await page.close({ runBeforeUnload: true });
    await closed;
    assert.deepEqual(questions, []);
    await page.context().close();
  });

  // What the closing keeps is written to the browser's storage while the page goes, in the same
  // handler: a page that is going does not live for a round trip first.
  it('keeps a changed screen left behind as "Closed", found in the history when the page is opened again', async () => {
    const { page, context } = await open();
    await tryWithoutGyro(page);
    await readGyro(page);
    await typeInto(highEndpoint(page), '120');
    const closed = page.waitForEvent('close');
    await page.close({ runBeforeUnload: true });
    await closed;

    const again = (await open(context)).page;
    await again.getByRole('button', { name: 'History\u2026', exact: true }).click();
    const dialog = again.getByRole('dialog', { name: 'History' });
    await dialog.waitFor();
    const kinds = await dialog.locator('tbody tr').evaluateAll((rows) => rows.map((row) => row.cells[3].textContent));
    assert.deepEqual(kinds, ['Closed', 'Read'], 'newest first');
    await dialog.getByRole('button', { name: 'Load', exact: true }).click();
    await again.waitForFunction(() => document.getElementById('highEndpoint').value === '120');
    await context.close();
  });
});
