// What the web test and the web benchmark share: the show's steps and segments, and the page
// served to Debian's chromium, headless under puppeteer-core.
import puppeteer from 'puppeteer-core';
import { serve } from '../../tools/web/serve.mjs';

export const StepMs = 50;

// The segments by first step, each with the step the benchmark times.
export const segments = [
  [0, 'reveal wipe', 100], [201, 'fade to black', 225], [250, 'blob field', 350],
  [455, 'black pause', 455], [457, 'pulsing blend', 500], [672, 'sine row warp', 700],
  [850, 'warp + cubes + iris', 900], [950, 'cubes', 1000], [1300, 'scroller', 1600],
];

export const sleep = ms => new Promise(resolve => setTimeout(resolve, ms));

export function launchChromium(extraArgs = []) {
  return puppeteer.launch({
    executablePath: '/usr/bin/chromium',
    headless: true,
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync',
      ...extraArgs],
  });
}

// Serves SITE on a free port of 127.0.0.1, starts a browser with a fresh profile (and EXTRA_ARGS)
// and resolves to what use(browser, address of the page, server) resolves to; closes both
// however it ends.
export async function withChromium(site, extraArgs, use) {
  const server = await serve(site, 0);
  let browser = null;
  try {
    browser = await launchChromium(extraArgs);
    return await use(browser, `http://127.0.0.1:${server.address().port}/`, server);
  } finally {
    await browser?.close();
    server.closeAllConnections();
    server.close();
  }
}

// The value of EXPRESSION in the page, evaluated as the page's own script would be: puppeteer's
// evaluate counts as a user gesture, which would let the page play sound without one.
export async function peek(page, expression) {
  const session = page.quenSession ??= await page.createCDPSession();
  const { result, exceptionDetails } = await session.send('Runtime.evaluate',
    { expression, returnByValue: true, awaitPromise: true, userGesture: false });
  if (exceptionDetails)
    throw new Error(`${expression}: ${exceptionDetails.exception?.description ?? exceptionDetails.text}`);
  return result.value;
}

// Whether EXPRESSION (evaluated as peek does) becomes true within TIMEOUT_MS.
export async function until(page, expression, timeoutMs) {
  const end = Date.now() + timeoutMs;
  do {
    if (await peek(page, expression).catch(() => false))
      return true;
    await sleep(50);
  } while (Date.now() < end);
  return false;
}
