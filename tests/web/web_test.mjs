// The web build in headless Chromium, driven with puppeteer-core over a server on 127.0.0.1:
//   - every frame from step FIRST to LAST, rendered through window.quen.renderAt on the page's
//     canvas, has the checksum the Linux build gives the same frame (quen-frame-sums);
//   - the mathematics digest of the wasm build equals the Linux build's;
//   - with the browser's autoplay policy, the start card shows, a click starts the show, the
//     audio context runs, an analyser hears the music, the decoded stream is 64 s long;
//   - Escape ends the show, the page says so and plays it again on request;
//   - no page logs an error and no request fails.
// The page's weight and speed are measured by bench/web/web_bench.mjs (make web-bench).
//
// Usage: node web_test.mjs SITE NATIVE_SUMS WASM_DIGEST.js NATIVE_DIGEST [FIRST LAST]
//   NATIVE_SUMS: the output of the Linux build's `quen-frame-sums FIRST LAST`.
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import { StepMs, segments, withChromium } from './page.mjs';

const [site, nativeSumsFile, wasmDigest, nativeDigest] = process.argv.slice(2);
const first = Number(process.argv[6] ?? 0);
const last = Number(process.argv[7] ?? 2400);

let passed = 0;
let failed = 0;
function check(ok, what, detail = '') {
  if (ok) passed++;
  else failed++;
  console.log(`${ok ? 'ok  ' : 'FAIL'} ${what}${detail ? `: ${detail}` : ''}`);
}
async function until(page, predicate, timeoutMs) {
  try {
    await page.waitForFunction(predicate, { timeout: timeoutMs, polling: 50 });
    return true;
  } catch {
    return false;
  }
}

// FNV-1a (64 bits, as two 32-bit halves) over the canvas's pixels as the program holds them:
// each pixel's bytes blue, green, red, 0.
function canvasChecksum() {
  const canvas = document.getElementById('screen');
  const rgba = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
  let hi = 0xcbf29ce4, lo = 0x84222325;
  const mix = byte => {
    lo = (lo ^ byte) >>> 0;
    const low = lo * 0x1b3; // below 2^41: exact
    hi = (Math.imul(hi, 0x1b3) + Math.floor(low / 4294967296) + (lo << 8)) >>> 0;
    lo = low >>> 0;
  };
  for (let i = 0; i < rgba.length; i += 4) {
    mix(rgba[i + 2]);
    mix(rgba[i + 1]);
    mix(rgba[i]);
    mix(0);
  }
  return hi.toString(16).padStart(8, '0') + lo.toString(16).padStart(8, '0');
}

const problems = [];
function watch(page, name) {
  page.on('console', message => {
    if (message.type() === 'error') problems.push(`${name}: console error: ${message.text()}`);
  });
  page.on('pageerror', error => problems.push(`${name}: page error: ${error.message}`));
  page.on('requestfailed', request => problems.push(`${name}: request failed: ${request.url()}`));
  page.on('response', response => {
    if (response.status() >= 400) problems.push(`${name}: ${response.status()} for ${response.url()}`);
  });
}

// Every frame FIRST..LAST in order on the canvas against the Linux build's checksums; differing
// frames are reported by segment.
async function compareFrames(browser, base) {
  const native = new Map(fs.readFileSync(nativeSumsFile, 'utf8').trim().split('\n')
    .map(line => line.split(' ')).map(([step, sum]) => [Number(step), sum]));
  const page = await browser.newPage();
  watch(page, 'test page');
  await page.goto(`${base}?test`);
  check(await until(page, () => window.quen.state === 'test', 20000), 'test entry ready');
  const differing = new Map();
  for (let step = first; step <= last; step++) {
    await page.evaluate(ms => window.quen.renderAt(ms), step * StepMs);
    if (await page.evaluate(canvasChecksum) !== native.get(step)) {
      const segment = segments.findLast(([from]) => step >= from)[1];
      differing.set(segment, [...(differing.get(segment) ?? []), step]);
    }
  }
  const count = last - first + 1;
  check(differing.size === 0 && native.size === count,
    `frames ${first}-${last} bit-identical to the Linux build (${count} frames, ${native.size} from Linux)`,
    [...differing].map(([segment, steps]) => `${segment}: ${steps.length} (first ${steps[0]})`).join('; '));
  await page.close();
}

// The show as a visitor meets it: start card, music, Escape, the offer to play again.
async function playShow(browser, base) {
  const page = await browser.newPage();
  watch(page, 'show page');
  await page.goto(base);
  const suspended = await until(page, () => window.quen.state === 'waiting', 10000);
  check(suspended && await page.$eval('#start', card => !card.hidden),
    'start card shown while the audio context is suspended');
  await page.click('#start');
  const playing = await until(page, () => window.quen.program && window.quen.program.quenMusic &&
    window.quen.program.quenFirstFrameAt, 15000);
  const audio = await page.evaluate(() => ({
    state: window.quen.audio.state,
    seconds: window.quen.program?.quenMusic?.buffer.duration,
  }));
  check(playing && audio.state === 'running', 'a click starts the show and its music', JSON.stringify(audio));
  check(Math.abs(audio.seconds - 64) < 0.05, 'the decoded music is 64 s long', `${audio.seconds} s`);
  const heard = await until(page, () => {
    const samples = new Float32Array(window.quen.analyser.fftSize);
    window.quen.analyser.getFloatTimeDomainData(samples);
    return samples.some(s => Math.abs(s) > 0.01);
  }, 5000);
  check(heard, 'the analyser hears the music');
  await page.keyboard.press('Escape');
  const ended = await until(page, () => window.quen.state === 'ended', 5000);
  check(ended && await page.$eval('#ended', card => !card.hidden) &&
    await page.evaluate(() => window.quen.program.quenMusic === null),
  'Escape ends the show and its music; the page says so');
  await page.click('#again');
  check(await until(page, () => window.quen.state === 'playing' && window.quen.program.quenMusic, 10000),
    'the show plays again on request');
  await page.close();
}

try {
  const digests = [execFileSync(nativeDigest, { encoding: 'utf8' }),
    execFileSync(process.execPath, ['--no-experimental-fetch', wasmDigest], { encoding: 'utf8' })];
  check(digests[0] === digests[1], 'cube rotations and focal length identical in wasm and on Linux',
    digests.join(' / ').replace(/\n/g, ' '));
  await withChromium(site, [], async (browser, base) => {
    await compareFrames(browser, base);
    await playShow(browser, base);
  });
  check(problems.length === 0, 'no console errors, no failed requests', problems.join('; '));
} catch (error) {
  check(false, 'the test ran to its end', error.stack);
}
console.log(`\n${passed} passed, ${failed} failed`);
process.exit(failed === 0 ? 0 : 1);
