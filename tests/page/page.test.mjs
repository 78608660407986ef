// The page in Chromium against the module's own simulated gyro ("Try without a gyro"): a read
// shows what the desktop reads, a store asks the safety agreement first, the boxes hold their
// limits, settings files go out and back, and a browser without Web Serial still works.
import assert from 'node:assert/strict';
import { cp, readFile } from 'node:fs/promises';
import path from 'node:path';
import { describe, it } from 'node:test';

import {
  assertEnabled,
  comparable,
  desktopCli,
  desktopReading,
  highEndpoint,
  pageSuite,
  readGyro,
  removeFolder,
  ROOT,
  run,
  shownValues,
  startServer,
  startSimulator,
  tempFolder,
  tryWithoutGyro,
  typeInto,
  waitForStatus,
  waitForStoredText,
} from './support.mjs';

describe('the page with its own simulated gyro', () => {
  const suite = pageSuite();
  const open = suite.open;

  it('reads from the simulated gyro what the desktop reads from vn340-sim', async () => {
    const expected = await desktopReading(suite.home);
    const { page } = await open();
    assert.equal(await page.getByLabel('Serial number').inputValue(), '', 'nothing read yet');
    await tryWithoutGyro(page);
    // Something on screen that the read must replace.
    await typeInto(highEndpoint(page), '120');
    await readGyro(page);
    assert.deepEqual(comparable(await shownValues(page)), expected);
    await page.context().close();
  });

  it('stores only after the safety agreement, and asks again unless told not to, even after a reload', async () => {
    const { page } = await open();
    await tryWithoutGyro(page);
    const safety = page.getByRole('alertdialog', { name: 'Tarvel RC Safety Warning' });
    const store = page.getByRole('button', { name: 'Store to gyro', exact: true });
    const keptInGyro = async () => {
      await page.getByRole('button', { name: 'Load defaults', exact: true }).click();
      await readGyro(page);
      return highEndpoint(page).inputValue();
    };
    const atStart = await keptInGyro();

    await typeInto(highEndpoint(page), '130');
    await store.click();
    await safety.waitFor();
    await safety.getByRole('button', { name: 'Cancel', exact: true }).click();
    await safety.waitFor({ state: 'hidden' });
    assert.equal(await keptInGyro(), atStart, 'Cancel stored nothing');

    await typeInto(highEndpoint(page), '120');
    await store.click();
    await safety.getByRole('button', { name: 'I agree', exact: true }).click();
    await waitForStatus(page, 'Write complete');
    assert.equal(await keptInGyro(), '120', 'the agreed store reached the gyro');

    // Not told otherwise, the agreement is asked again; ticked, never again.
    await typeInto(highEndpoint(page), '110');
    await store.click();
    await safety.waitFor();
    const tick = safety.getByLabel("Don't show this message again");
    assert.equal(await tick.isChecked(), false);
    await tick.check();
    await safety.getByRole('button', { name: 'I agree', exact: true }).click();
    await waitForStatus(page, 'Write complete');
    await assertEnabled(store);
    await typeInto(highEndpoint(page), '100');
    await store.click();
    await waitForStatus(page, 'Write complete');
    assert.equal(await safety.isVisible(), false, 'no agreement asked');
    assert.equal(await keptInGyro(), '100');

    // The choice is kept in the browser's storage: the page opened again does not ask either.
    await waitForStoredText(page, 'WARNING=1');
    await page.reload();
    await page.locator('#window:not([inert])').waitFor();
    await tryWithoutGyro(page);
    await store.click();
    await waitForStatus(page, 'Write complete');
    assert.equal(await safety.isVisible(), false, 'no agreement asked after a reload');
    await page.context().close();
  });

  it('holds each box to its limits as the pilot leaves it, with a notice only for a correction, and to numbers', async () => {
    const { page } = await open();
    const limitsOf = async (key) => {
      const text = await page.locator(`#${key}-limits`).textContent();
      const [low, high] = text.split(' to ').map(Number);
      return { low, high };
    };
    // Each row on a box of its own, so that one row's notice cannot stand for another's.
    const rows = [
      { name: 'one above the high limit', key: 'highEndpoint', typed: (l) => l.high + 1, shown: (l) => l.high, notice: true },
      { name: 'one below the low limit', key: 'midpointTrim', typed: (l) => l.low - 1, shown: (l) => l.low, notice: true },
      { name: 'exactly the high limit', key: 'cwStopGain', typed: (l) => l.high, shown: (l) => l.high, notice: false },
      { name: 'exactly the low limit', key: 'avcsSensitivity', typed: (l) => l.low, shown: (l) => l.low, notice: false },
    ];
    for (const row of rows) {
      const limits = await limitsOf(row.key);
      assert.ok(Number.isInteger(limits.low) && Number.isInteger(limits.high), row.name);
      const box = page.locator(`#${row.key}`);
      await typeInto(box, String(row.typed(limits)));
      assert.equal(await box.inputValue(), String(row.shown(limits)), row.name);
      const notice = page.locator(`#${row.key}-notice`);
      if (row.notice) {
        await notice.filter({ hasText: /\S/ }).waitFor({ timeout: 2_000 });
        assert.ok(await notice.isVisible(), row.name);
      } else {
        assert.equal((await notice.textContent()).trim(), '', row.name);
      }
    }

    // Not a number: the message, then the box as it was, with the keyboard back in it.
    const box = page.getByLabel('Low endpoint');
    const was = await box.inputValue();
    await typeInto(box, '1x');
    const message = page.getByRole('alertdialog', { name: 'Tarvel RC' });
    await message.waitFor();
    await message.getByRole('button', { name: 'OK', exact: true }).press('Enter');
    await message.waitFor({ state: 'hidden' });
    assert.equal(await box.inputValue(), was);
    assert.equal(await page.evaluate(() => document.activeElement.id), 'lowEndpoint');
    await page.context().close();
  });

  it('saves a settings file the desktop reads, and loads it back as it was', async () => {
    const folder = await tempFolder();
    try {
      const { page } = await open({ savePicker: false });
      await tryWithoutGyro(page);
      await readGyro(page);
      await typeInto(highEndpoint(page), '120');
      // Each line of the comments ends in a line break, as a loaded file gives them.
      await page.getByLabel('User Comments').fill('Tail of the 450\nsecond try\n');
      await page.getByLabel('Deceleration profile').focus();
      const saved = await shownValues(page);

      const downloaded = page.waitForEvent('download');
      await page.getByRole('button', { name: 'Save to file', exact: true }).click();
      const download = await downloaded;
      assert.match(download.suggestedFilename(), /^vn340\w*\.tsf$/);
      const file = path.join(folder, download.suggestedFilename());
      await download.saveAs(file);

      await page.getByRole('button', { name: 'Load defaults', exact: true }).click();
      assert.notDeepEqual(await shownValues(page), saved, 'the defaults differ from what was saved');
      const chooser = page.waitForEvent('filechooser');
      await page.getByRole('button', { name: 'Load from file', exact: true }).click();
      await (await chooser).setFiles(file);
      await page.waitForFunction(() => document.getElementById('highEndpoint').value === '120');
      assert.deepEqual(await shownValues(page), saved);
      await page.context().close();

      // The desktop's vn340-cli takes the file as a settings file: it finds just the one change
      // from the simulated gyro's settings.
      const simulator = await startSimulator();
      try {
        const env = { HOME: folder, XDG_CONFIG_HOME: path.join(folder, 'config'), XDG_DATA_HOME: path.join(folder, 'data') };
        const diff = await run(desktopCli(), ['--port', simulator.device, 'diff', file], env);
        assert.equal(diff.code, 1, diff.stderr);
        assert.equal(diff.stdout, 'High endpoint: file 120, gyro 100\n');
      } finally {
        await simulator.stop();
      }
      assert.match(await readFile(file, 'latin1'), /Tail of the 450_CRLF_second try/);
    } finally {
      await removeFolder(folder);
    }
  });

  it('works from the keyboard alone, and gives the keyboard back where a sequence took it', async () => {
    const { page } = await open();
    const focused = () => page.evaluate(() => document.activeElement?.id ?? '');
    await page.getByRole('button', { name: 'Try without a gyro', exact: true }).focus();
    await page.keyboard.press('Enter');
    await page.getByRole('button', { name: 'Read from gyro', exact: true }).focus();
    await page.keyboard.press('Enter');
    await waitForStatus(page, 'Read complete');
    assert.equal(await focused(), 'read', 'back on "Read from gyro" after the read');

    await highEndpoint(page).focus();
    await page.keyboard.press('ControlOrMeta+A');
    await page.keyboard.type('99');
    await page.keyboard.press('Tab');
    assert.equal(await focused(), 'lowEndpoint', 'Tab goes on to the next box');

    await page.getByRole('button', { name: 'Store to gyro', exact: true }).focus();
    await page.keyboard.press('Space');
    const safety = page.getByRole('alertdialog', { name: 'Tarvel RC Safety Warning' });
    await safety.waitFor();
    assert.equal(await focused(), 'agree', 'the agreement opens on "I agree"');
    await page.keyboard.press('Escape');
    await safety.waitFor({ state: 'hidden' });
    assert.equal(await focused(), 'store');
    await page.getByRole('button', { name: 'Load defaults', exact: true }).click();
    await readGyro(page);
    assert.equal(await highEndpoint(page).inputValue(), '100', 'Escape stored nothing');
    await page.context().close();
  });

  it('says so in its status line when the module cannot be loaded', async () => {
    const folder = await tempFolder();
    const pageOnly = await startServer(folder);
    try {
      await cp(path.join(ROOT, 'web'), folder, { recursive: true });
      const page = await suite.browser.newPage();
      await page.goto(pageOnly.url);
      await waitForStatus(page, 'The program could not be started');
      assert.equal(await page.locator('#window').evaluate((main) => main.inert), true);
      await page.close();
    } finally {
      await pageOnly.stop();
      await removeFolder(folder);
    }
  });

  it('says in one sentence where Web Serial is missing, and still tries without a gyro', async () => {
    const { page } = await open({ webSerial: 'none' });
    const note = page.getByRole('note');
    assert.ok(await note.isVisible());
    assert.match(await note.textContent(), /Chrome|Edge|browser/);
    assert.equal(await page.getByRole('button', { name: 'Connect', exact: true }).isVisible(), false);
    await tryWithoutGyro(page);
    await readGyro(page);
    assert.notEqual(await page.getByLabel('Serial number').inputValue(), '');
    await page.context().close();
  });
});
