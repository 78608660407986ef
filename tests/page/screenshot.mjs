// The picture of the browser edition for the documentation: the page served at URL, opened in
// headless Chromium at a 10-inch tablet's landscape size, after reading its simulated gyro.
// Usage: node tests/page/screenshot.mjs URL FILE   (run by scripts/web.sh --screenshot)
import { mkdir } from 'node:fs/promises';
import path from 'node:path';

import { launchBrowser, waitForStatus } from './support.mjs';

const [url, file] = process.argv.slice(2);
if (!url || !file) {
  console.error('Usage: node tests/page/screenshot.mjs URL FILE');
  process.exit(2);
}

const browser = await launchBrowser();
try {
  const page = await browser.newPage({ viewport: { width: 1280, height: 800 } });
  await page.goto(url);
  await page.locator('#window:not([inert])').waitFor({ timeout: 30_000 });
  await page.getByRole('button', { name: 'Try without a gyro', exact: true }).click();
  await page.getByRole('button', { name: 'Read from gyro', exact: true }).click();
  await waitForStatus(page, 'Read complete', 30_000);
  await mkdir(path.dirname(path.resolve(file)), { recursive: true });
  await page.screenshot({ path: file });
  console.log(`Saved ${file}`);
} finally {
  await browser.close();
}
