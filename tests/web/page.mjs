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

// Serves SITE on a free port of 127.0.0.1, starts a browser with a fresh profile (and EXTRA_ARGS)
// and resolves to what use(browser, address of the page) resolves to; closes both however it ends.
export async function withChromium(site, extraArgs, use) {
  const server = await serve(site, 0);
  let browser = null;
  try {
    browser = await puppeteer.launch({
      executablePath: '/usr/bin/chromium',
      headless: true,
      args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
        '--disable-background-networking', '--disable-component-update', '--disable-sync',
        ...extraArgs],
    });
    return await use(browser, `http://127.0.0.1:${server.address().port}/`);
  } finally {
    await browser?.close();
    server.close();
  }
}
