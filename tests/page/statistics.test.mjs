// The statistics offer on the page, against a real vn340-sim with statistics waiting: the
// window's dialog after the read, Escape and Enter as its "Skip", and "Send" fetched from the
// maker's service (answered here by the test): accepted, the word is cleared on the gyro; an
// answer the browser will not let the page read is a failure, told, and the offer comes again
// with the fields as sent.
import assert from 'node:assert/strict';
import { describe, it } from 'node:test';

import { openPage, pageSuite, startSimulator, waitForStatus } from './support.mjs';

const STATISTICS = ['--set', '0x0120=42'];
const CLEAR_STATISTICS = '0000012002DDaa';
const SERVICE = 'https://www.tarvel-rc.example/**';
const TITLE = 'Tarvel RC - Send statistical in-flight gyro data';

// vn340-sim with statistics waiting, keeping everything the page sends it.
async function recordedSimulator(suite) {
  const simulator = suite.keep(await startSimulator(STATISTICS));
  const sent = [];
  return {
    ...simulator,
    write(bytes) {
      sent.push(Buffer.from(bytes).toString('latin1'));
      simulator.write(bytes);
    },
    sent: () => sent.join(''),
  };
}

// The service answering every request with `body`, letting the page read it or letting only
// another origin read it (with no header at all, Playwright would add the page's own).
async function answerAs(page, body, { readable }) {
  const requests = [];
  await page.route(SERVICE, (route) => {
    requests.push(route.request().url());
    const headers = { 'Access-Control-Allow-Origin': readable ? '*' : 'https://elsewhere.example' };
    return route.fulfill({ status: 200, contentType: 'text/plain', headers, body });
  });
  return requests;
}

async function connect(page) {
  await page.getByRole('button', { name: 'Connect', exact: true }).click();
  await page.waitForFunction(() => document.getElementById('port').value === 'Vexa-Plug');
}

// A read whose end shows the offer.
async function readToOffer(page) {
  await page.getByRole('button', { name: 'Read from gyro', exact: true }).click();
  const offer = page.getByRole('dialog', { name: TITLE });
  await offer.waitFor();
  return offer;
}

// A read that makes no offer: by the time its controls are back, an offer would be open.
async function readWithoutOffer(page) {
  const read = page.getByRole('button', { name: 'Read from gyro', exact: true });
  await read.click();
  await page.waitForFunction(() => document.getElementById('read').disabled);
  await page.waitForFunction(() => !document.getElementById('read').disabled, null, { timeout: 20_000 });
  assert.equal(await page.locator('dialog[open]').count(), 0, 'no offer');
}

async function messageText(page) {
  const message = page.getByRole('alertdialog', { name: 'Tarvel RC' });
  await message.waitFor();
  const text = await message.locator('.prompt-text').textContent();
  await message.getByRole('button', { name: 'OK', exact: true }).click();
  return text;
}

describe('the statistics offer on the page', () => {
  const suite = pageSuite();

  it('sends what the pilot typed, tells the acceptance and clears the word on the gyro', async () => {
    const simulator = await recordedSimulator(suite);
    const { page } = await suite.open({ simulator });
    const requests = await answerAs(page, 'OK', { readable: true });
    await connect(page);

    const offer = await readToOffer(page);
    await waitForStatus(page, 'Read complete');
    // The keyboard starts in the first box, as in the window.
    await page.keyboard.type('Trex 450');
    await offer.getByLabel('Tail servo make and model').fill('BLS 251');
    await offer.getByLabel('Email Address').fill('pilot@example.org');
    assert.equal(await offer.getByLabel('Email Address').getAttribute('maxlength'), '100');
    await offer.getByRole('button', { name: 'Send', exact: true }).click();

    assert.equal(await messageText(page), '\nInformation successfully submitted. \n\nThank you');
    await waitForStatus(page, 'Read complete');
    assert.equal(requests.length, 1);
    assert.match(requests[0], /^https:\/\/www\.tarvel-rc\.example\/log\/log\.php\?msg=SN%3D\d+%2C/);
    assert.match(requests[0], /%2CHELI%3DTrex\+450%2CSERVO%3DBLS\+251%2CEMAIL%3Dpilot%40example%2Eorg$/);
    assert.ok(simulator.sent().includes(CLEAR_STATISTICS), 'the word cleared on the gyro');
    await readWithoutOffer(page);
  });

  it('skips on Escape and Enter, and offers again after an answer it could not read', async () => {
    const simulator = await recordedSimulator(suite);
    // The browser reports the refused answer as an error of the page's: opened apart, so only
    // that refusal is allowed.
    const { page, context, problems } = await openPage(suite.browser, suite.server, { simulator });
    const requests = await answerAs(page, 'OK', { readable: false });
    await connect(page);

    let offer = await readToOffer(page);
    await page.keyboard.press('Escape');
    await offer.waitFor({ state: 'hidden' });

    // Skipped without "Do not ask next time": the next read asks again.
    offer = await readToOffer(page);
    await offer.getByLabel('Helicopter make and model').fill('Trex 450');
    await offer.getByRole('button', { name: 'Send', exact: true }).click();
    assert.equal(
      await messageText(page),
      'There was an error submitting your gyro data, check internet access and firewall settings and try again. \n\nError: Failed to fetch.',
    );

    offer = page.getByRole('dialog', { name: TITLE });
    await offer.waitFor();
    assert.equal(await offer.getByLabel('Helicopter make and model').inputValue(), 'Trex 450');
    await offer.getByLabel('Helicopter make and model').press('Enter');
    await offer.waitFor({ state: 'hidden' });

    assert.equal(requests.length, 1, 'nothing sent by Escape or Enter');
    assert.ok(!simulator.sent().includes(CLEAR_STATISTICS), 'the word stays on the gyro');
    assert.deepEqual(
      problems.filter((problem) => !/CORS policy|net::ERR_FAILED/.test(problem)),
      [],
      'no error but the refused answer',
    );
    await context.close();
  });
});
