// The web build's costs in headless Chromium:
//   - the page's weight: its files, their size, and their size gzipped at level 9;
//   - the time from the start of navigation to the first frame on the canvas, sound allowed at
//     once: the median of three loads, each in a fresh browser so that no cache helps it;
//   - the wall-clock time one frame of each segment takes to draw without presenting it
//     (window.quen.frameTime: the median of five rounds of 20 frames), after one such pass over
//     every segment so that the browser has compiled the hot code fully.
//
// Usage: node bench/web/web_bench.mjs [SITE]   (default build-web/site)
import fs from 'node:fs';
import path from 'node:path';
import zlib from 'node:zlib';
import { StepMs, segments, withChromium } from '../../tests/web/page.mjs';

const site = process.argv[2] ?? 'build-web/site';
const median = values => values.sort((a, b) => a - b)[values.length >> 1];
const kib = bytes => (bytes.reduce((sum, n) => sum + n, 0) / 1024).toFixed(0);

const files = fs.readdirSync(site).map(name => fs.readFileSync(path.join(site, name)));
console.log(`Page weight: ${files.length} files, ${kib(files.map(file => file.length))} KiB, ` +
  `${kib(files.map(file => zlib.gzipSync(file, { level: 9 }).length))} KiB gzipped`);

const firstFrames = [];
for (let load = 0; load < 3; load++) {
  firstFrames.push(await withChromium(site, ['--autoplay-policy=no-user-gesture-required'], async (browser, base) => {
    const page = await browser.newPage();
    await page.goto(base);
    return page.waitForFunction(() => window.quen.program?.quenFirstFrameAt, { timeout: 15000, polling: 50 })
      .then(handle => handle.jsonValue());
  }));
}
console.log(`First frame on the canvas ${median(firstFrames).toFixed(0)} ms after navigation started ` +
  `(median of ${firstFrames.length} loads: ${firstFrames.map(ms => ms.toFixed(0)).join(', ')} ms)`);

const times = await withChromium(site, [], async (browser, base) => {
  const page = await browser.newPage();
  await page.goto(`${base}?test`);
  await page.waitForFunction(() => window.quen.state === 'test', { timeout: 20000 });
  const time = step => page.evaluate(ms => window.quen.frameTime(ms, 20), step * StepMs);
  for (const [, , step] of segments) await time(step);
  const costs = [];
  for (const [, name, step] of segments) costs.push([name, step, await time(step)]);
  return costs;
});
console.log('Drawing one frame in Chromium (median of 5 x 20 frames):');
for (const [name, step, ms] of times)
  console.log(`  ${`${name} (${step})`.padEnd(27)} ${(ms * 1000).toFixed(0).padStart(5)} µs`);
