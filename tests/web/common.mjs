// What the browser tests share: the checkout's root, a check that says what
// held, and a run in Debian's Chromium that reports a failure with the page's
// errors and a picture of the page.
import { chromium } from 'playwright-core';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

export const root = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '..', '..');
export const pageErrors = [];

export function check(condition, message) {
  if (!condition) throw new Error(message);
  console.log(`ok: ${message}`);
}

// Collects `page`'s uncaught errors (and its console's, with `consoleToo`).
export function watchErrors(page, consoleToo = false) {
  page.on('pageerror', (error) => pageErrors.push(String(error)));
  if (consoleToo) page.on('console', (message) => message.type() === 'error' && pageErrors.push(message.text()));
}

// Runs `body(browser)` and exits 0 when it and the no-page-errors check held;
// on a failure saves the picture of `current()` (the page in play) to `shot`.
export async function run(shot, current, body) {
  let browser, exitCode = 1;
  try {
    browser = await chromium.launch({
      executablePath: '/usr/bin/chromium', headless: true, args: ['--no-sandbox', '--disable-gpu', '--no-first-run',
        '--disable-background-networking', '--disable-component-update', '--disable-sync', '--disable-quic'] });
    await body(browser);
    check(pageErrors.length === 0, `no page errors${pageErrors.length ? ': ' + pageErrors.join(' | ') : ''}`);
    exitCode = 0;
  } catch (error) {
    console.error(`FAILED: ${error.message}${pageErrors.length ? `; page errors: ${pageErrors.join(' | ')}` : ''}`);
    const page = current();
    if (page && !page.isClosed())  // the picture at the failure is only a help
      await page.screenshot({ path: shot }).then(() => console.error(`page at the failure: ${shot}`), () => {});
  } finally {
    if (browser) await browser.close();
  }
  process.exit(exitCode);
}
