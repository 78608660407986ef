// The page through Web Serial to a real vn340-sim: "Connect" opens the Vexa-Plug on the adapter's
// line, a read shows what the desktop reads from the same simulator, a store cut short by the
// unplugging ends as on the desktop, and the adapter comes back, also in the page opened again;
// a store the gyro did not keep names the setting, and a read cut short leaves the screen as it
// was.
import assert from 'node:assert/strict';
import { describe, it } from 'node:test';

import {
  comparable,
  desktopReading,
  highEndpoint,
  openPage,
  pageSuite,
  shownValues,
  startSimulator,
  typeInto,
  waitForStatus,
} from './support.mjs';

// High endpoint 33: a gyro that holds something else than the factory settings.
const GYRO = ['--set', '0x0100=1658'];

describe('the page on the Vexa-Plug through Web Serial', () => {
  const suite = pageSuite();

  it('connects, reads what the desktop reads, ends a store cut short by the unplugging, and reconnects', async () => {
    const expected = await desktopReading(suite.home, GYRO);
    const simulator = suite.keep(await startSimulator(GYRO));
    const { page, fake, problems } = await openPage(suite.browser, suite.server, { simulator });

    await page.getByRole('button', { name: 'Connect', exact: true }).click();
    const port = page.getByLabel('Vexa-Plug port');
    await page.waitForFunction(() => document.getElementById('port').value === 'Vexa-Plug');
    let log = await fake.log();
    assert.deepEqual(log.requests, [{ filters: [{ usbVendorId: 0x0403 }] }]);
    assert.deepEqual(log.opens, [
      { baudRate: 9600, dataBits: 8, parity: 'none', stopBits: 1, flowControl: 'none' },
    ]);

    // Showing all ports drops the filter; the port already open is not opened again.
    await page.getByLabel('Show all serial ports').check();
    await page.getByRole('button', { name: 'Connect', exact: true }).click();
    await page.waitForFunction(() => window.__vn340FakeSerial.log.requests.length === 2);
    log = await fake.log();
    assert.deepEqual(log.requests[1], {});
    assert.equal(log.opens.length, 1);

    await page.getByRole('button', { name: 'Read from gyro', exact: true }).click();
    await waitForStatus(page, 'Read complete');
    assert.deepEqual(comparable(await shownValues(page)), expected);

    const writesBefore = (await fake.log()).writes;
    await page.getByRole('button', { name: 'Store to gyro', exact: true }).click();
    await page.getByRole('alertdialog', { name: 'Tarvel RC Safety Warning' })
      .getByRole('button', { name: 'I agree', exact: true }).click();
    // Pulled out once the store has begun writing words.
    await page.waitForFunction((n) => window.__vn340FakeSerial.log.writes >= n, writesBefore + 12);
    await fake.unplug();

    const message = page.getByRole('alertdialog', { name: 'Tarvel RC' });
    await message.waitFor();
    const text = await message.locator('.prompt-text').textContent();
    assert.match(text, /^Unable to communicate with the vn340\./);
    assert.match(text, /The store did not finish: the gyro may now hold some new and some old settings\./);
    await waitForStatus(page, 'Store did not finish');
    await message.getByRole('button', { name: 'OK', exact: true }).click();
    // The adapter's entry stays chosen while it is away; the gyro buttons wait for it.
    assert.equal(await port.inputValue(), 'Vexa-Plug');
    assert.equal(await page.getByRole('button', { name: 'Read from gyro', exact: true }).isDisabled(), true);

    // Plugged in again, the adapter is opened again and taken back into use.
    await fake.replug();
    await page.waitForFunction(() => window.__vn340FakeSerial.log.opens.length === 2);
    await page.getByRole('button', { name: 'Read from gyro', exact: true }).click();
    await waitForStatus(page, 'Read complete');
    assert.equal(await port.inputValue(), 'Vexa-Plug');

    // The page opened again reopens the port granted before, without asking.
    await page.reload();
    await page.locator('#window:not([inert])').waitFor();
    await page.waitForFunction(() => document.getElementById('port').value === 'Vexa-Plug');
    log = await fake.log();
    assert.equal(log.requests.length, 0, 'no port asked for');
    assert.equal(log.opens.length, 1);
    await page.getByRole('button', { name: 'Read from gyro', exact: true }).click();
    await waitForStatus(page, 'Read complete');
    assert.deepEqual(problems, []);
  });

  it('names the setting a worn gyro did not keep, and leaves the screen as it was when a read is cut short', async () => {
    // The high endpoint's word keeps its factory value whatever is stored.
    const simulator = suite.keep(await startSimulator(['--stuck', '0x0100']));
    const { page, fake, problems } = await openPage(suite.browser, suite.server, { simulator });
    await page.getByRole('button', { name: 'Connect', exact: true }).click();
    await page.waitForFunction(() => document.getElementById('read').disabled === false);

    await typeInto(highEndpoint(page), '120');
    await page.getByRole('button', { name: 'Store to gyro', exact: true }).click();
    await page.getByRole('alertdialog', { name: 'Tarvel RC Safety Warning' })
      .getByRole('button', { name: 'I agree', exact: true }).click();
    const message = page.getByRole('alertdialog', { name: 'Tarvel RC' });
    await message.waitFor({ timeout: 20_000 });
    assert.match(await message.locator('.prompt-text').textContent(), /High endpoint: stored 120, the gyro holds 100/);
    await waitForStatus(page, 'Store not verified');
    await message.getByRole('button', { name: 'OK', exact: true }).click();

    await typeInto(highEndpoint(page), '110');
    const before = await shownValues(page);
    const writesBefore = (await fake.log()).writes;
    await page.getByRole('button', { name: 'Read from gyro', exact: true }).click();
    await page.waitForFunction((n) => window.__vn340FakeSerial.log.writes >= n, writesBefore + 6);
    await fake.unplug();
    await message.waitFor();
    assert.match(await message.locator('.prompt-text').textContent(), /The read did not finish/);
    await message.getByRole('button', { name: 'OK', exact: true }).click();
    await waitForStatus(page, 'Read did not finish');
    assert.deepEqual(await shownValues(page), before, 'the screen as it was before the read');
    assert.deepEqual(problems, []);
  });
});
