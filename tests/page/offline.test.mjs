// The page at the field: once its service worker keeps it, it opens and reads its simulated
// gyro with no network, its manifest and icons with it, and all the while its
// Content-Security-Policy refuses nothing of its own, yet refuses script written into the page.
import assert from 'node:assert/strict';
import { describe, it } from 'node:test';

import { openPage, pageSuite, readGyro, tryWithoutGyro } from './support.mjs';

describe('the page offline, under its Content-Security-Policy', () => {
  const suite = pageSuite();

  it('starts and reads with no network once its service worker keeps it, refusing only script not its own', async () => {
    const { page, context, problems } = await openPage(suite.browser, suite.server);
    // Installed means every file in its list was kept.
    await page.waitForFunction(() => navigator.serviceWorker.controller !== null, null, { timeout: 15_000 });

    await context.setOffline(true);
    await page.reload();
    await page.locator('#window:not([inert])').waitFor({ timeout: 15_000 });
    await tryWithoutGyro(page);
    await readGyro(page);
    // What installing the page takes: its manifest and every icon named, there offline too.
    const installable = await page.evaluate(async () => {
      const manifest = await (await fetch(document.querySelector('link[rel="manifest"]').href)).json();
      const icons = [document.querySelector('link[rel="icon"]').href, ...manifest.icons.map((icon) => icon.src)];
      return Promise.all(icons.map(async (icon) => ({ icon, status: (await fetch(icon)).status })));
    });
    assert.ok(installable.length > 1, 'the manifest names its icons');
    assert.deepEqual(installable.filter(({ status }) => status !== 200), [], 'every icon there');
    assert.deepEqual(problems, [], 'nothing refused, no error');
    // Gone for the worker too: what it does not keep, it cannot fetch.
    assert.equal(await page.evaluate(() => fetch('not-kept').then(() => 'fetched', () => 'failed')), 'failed');

    // The policy is in force: script written into the page does not run, and is reported.
    const written = await page.evaluate(
      () =>
        new Promise((resolve) => {
          document.addEventListener(
            'securitypolicyviolation',
            (event) => resolve({ refused: event.effectiveDirective, ran: window.writtenIn === true }),
            { once: true },
          );
          const script = document.createElement('script');
          script.textContent = 'window.writtenIn = true;';
          // A script the policy lets through runs as it is put in; a refusal is told after.
          document.head.append(script);
          if (window.writtenIn === true) {
            resolve({ refused: null, ran: true });
          }
        }),
    );
    assert.deepEqual(written, { refused: 'script-src-elem', ran: false });
    await context.close();
  });
});
