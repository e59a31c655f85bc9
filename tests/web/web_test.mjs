// The web build in headless Chromium, driven with puppeteer-core over servers on 127.0.0.1:
//   - the server: malformed URLs get 400 and it keeps serving; a busy port is one line;
//   - every frame from step FIRST to LAST, drawn through window.quen.drawAt, has the
//     checksum the Linux build gives the same frame (quen-frame-sums), in the SIMD program and in
//     the portable one the page picks where the browser has no SIMD; the mathematics digest of
//     the wasm build equals the Linux build's;
//   - phones (portrait and landscape, scale 3, touch), a 1280x720 and a 3840x2160 screen: the
//     picture is the largest 4:3 box that fits, the controls and cards lie inside the viewport,
//     and a screenshot of the enlarged picture holds in each device pixel the colour of the
//     source pixel its centre falls in; a tap or click starts the show, the music plays, and
//     ending it in fullscreen (the overlay's end, Escape) leaves fullscreen for the end card,
//     which plays the show again by tap or Enter;
//   - #t= and ?t= start the show at that moment, music included, and so does the controls' link
//     to the moment shown; after a suspended audio context or a frozen tab the music is where
//     the show's clock says;
//   - each load failure shows its message, a missing picture a notice while the show runs;
//   - a second visit plays with the network gone, and a new build replaces the kept files;
//   - the single-file page plays from file:// and renders the same frames;
//   - no page logs an error and no request fails where nothing is meant to fail.
// Screenshots of every device go to SCREENS (to look at). The page's weight and speed are
// measured by bench/web/web_bench.mjs (make web-bench).
//
// Usage: node web_test.mjs SITE SINGLE SCREENS NATIVE_SUMS WASM_DIGEST.js NATIVE_DIGEST [FIRST LAST]
//   SINGLE: the single-file page; NATIVE_SUMS: the output of `quen-frame-sums FIRST LAST`.
import { execFileSync, spawnSync } from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';
import { serve } from '../../tools/web/serve.mjs';
import { StepMs, launchChromium, peek, segments, sleep, until, withChromium } from './page.mjs';
import { decodePng } from './png.mjs';

const [site, single, screens, nativeSumsFile, wasmDigest, nativeDigest] = process.argv.slice(2);
const first = Number(process.argv[8] ?? 0);
const last = Number(process.argv[9] ?? 2400);
const source = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../..');
const native = new Map(fs.readFileSync(nativeSumsFile, 'utf8').trim().split('\n')
  .map(line => line.split(' ')).map(([step, sum]) => [Number(step), sum]));

let passed = 0;
let failed = 0;
const began = Date.now();
function section(name) {
  console.log(`-- ${name} (at ${((Date.now() - began) / 1000).toFixed(0)} s)`);
}
function check(ok, what, detail = '') {
  if (ok) passed++;
  else failed++;
  console.log(`${ok ? 'ok  ' : 'FAIL'} ${what}${detail ? `: ${detail}` : ''}`);
}

// Console errors, page errors and failed requests, except those a case expects.
const problems = [];
function watch(page, name, expected = () => false) {
  page.on('console', message => {
    if (message.type() === 'error' && !expected(message.text()))
      problems.push(`${name}: console error: ${message.text()}`);
  });
  page.on('pageerror', error => problems.push(`${name}: page error: ${error.message}`));
  page.on('requestfailed', request => {
    if (!expected(request.url()))
      problems.push(`${name}: request failed: ${request.url()}`);
  });
  page.on('response', response => {
    if (response.status() >= 400 && !expected(response.url()))
      problems.push(`${name}: ${response.status()} for ${response.url()}`);
  });
  return page;
}

// ---- The server ----------------------------------------------------------------------------

function get(port, requestPath) {
  return new Promise(resolve => {
    http.get({ host: '127.0.0.1', port, path: requestPath }, response => {
      response.resume();
      resolve(response.statusCode);
    }).on('error', error => resolve(error.code));
  });
}

async function checkServer() {
  const server = await serve(site, 0);
  const port = server.address().port;
  try {
    const answers = [];
    for (const bad of ['/100%', '//', '/%E0%A4%A', '/a%00b'])
      answers.push(`${bad} ${await get(port, bad)}`);
    check(answers.every(answer => answer.endsWith(' 400')), 'malformed URLs get 400', answers.join(', '));
    const after = [await get(port, '/'), await get(port, '/quen.wasm'), await get(port, '/../../etc/passwd')];
    check(after.join() === '200,200,404', 'the server keeps serving after them, inside its folder only', after.join());
    const busy = spawnSync(process.execPath, [path.join(source, 'tools/web/serve.mjs'), site, String(port)],
      { encoding: 'utf8', timeout: 10000 });
    const lines = busy.stderr.trim().split('\n');
    check(busy.status === 1 && lines.length === 1 && lines[0].includes(`port ${port}`) && lines[0].includes('PORT='),
      'a busy port is one line naming it and PORT=', JSON.stringify(busy.stderr));
  } finally {
    server.close();
  }
}

// ---- Frames --------------------------------------------------------------------------------

// FNV-1a (64 bits, in four 16-bit limbs) over the canvas's pixels as the program holds them:
// each pixel's bytes blue, green, red, 0. Defined in the page. The prime is 2^40 + 0x1b3.
const checksumSource = `window.canvasChecksum = () => {
  const canvas = document.getElementById('screen');
  const rgba = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
  let h0 = 0x2325, h1 = 0x8422, h2 = 0x9ce4, h3 = 0xcbf2, t0, t1, t2, t3;
  const bytes = [0, 0, 0, 0];
  for (let i = 0; i < rgba.length; i += 4) {
    bytes[0] = rgba[i + 2];
    bytes[1] = rgba[i + 1];
    bytes[2] = rgba[i];
    for (let k = 0; k < 4; k++) {
      h0 ^= bytes[k];
      t0 = h0 * 0x1b3;
      t1 = h1 * 0x1b3 + (t0 >>> 16);
      t2 = h2 * 0x1b3 + (t1 >>> 16) + (h0 << 8);
      t3 = h3 * 0x1b3 + (t2 >>> 16) + (h1 << 8);
      h0 = t0 & 0xffff;
      h1 = t1 & 0xffff;
      h2 = t2 & 0xffff;
      h3 = t3 & 0xffff;
    }
  }
  const hex = limb => limb.toString(16).padStart(4, '0');
  return hex(h3) + hex(h2) + hex(h1) + hex(h0);
};`;

// The checksums of the frames at STEPS, drawn in order on the test page's canvas.
async function frameSums(page, steps) {
  await page.evaluate(checksumSource);
  const sums = new Map();
  for (let at = 0; at < steps.length; at += 100) {
    const batch = steps.slice(at, at + 100);
    const got = await page.evaluate(async (list, stepMs) => {
      const out = [];
      for (const step of list) {
        await window.quen.drawAt(step * stepMs);
        out.push(window.canvasChecksum());
      }
      return out;
    }, batch, StepMs);
    batch.forEach((step, i) => sums.set(step, got[i]));
  }
  return sums;
}

// Differing frames, by segment.
function differences(sums) {
  const differing = new Map();
  for (const [step, sum] of sums) {
    if (sum !== native.get(step)) {
      const segment = segments.findLast(([from]) => step >= from)[1];
      differing.set(segment, [...(differing.get(segment) ?? []), step]);
    }
  }
  return [...differing].map(([segment, steps]) => `${segment}: ${steps.length} (first ${steps[0]})`).join('; ');
}

// Every frame FIRST..LAST of the program the page picks: the SIMD one, or without SIMD (the
// probe made to fail) the portable one.
async function compareFrames(browser, base, simd) {
  section(`frames, ${simd ? 'SIMD' : 'portable'}`);
  const page = watch(await browser.newPage(), `frames (${simd ? 'SIMD' : 'portable'})`);
  if (!simd)
    await page.evaluateOnNewDocument(() => { WebAssembly.validate = () => false; });
  const programs = [];
  page.on('request', request => /\.wasm$/.test(request.url()) && programs.push(path.basename(request.url())));
  await page.goto(`${base}?test`);
  check(await until(page, "window.quen.state === 'test'", 30000), 'test entry ready');
  const wanted = simd ? 'quen-simd.wasm' : 'quen.wasm';
  check(programs[0] === wanted, `the page loads ${wanted} ${simd ? 'where' : 'where no'} SIMD validates`, programs.join());
  const steps = Array.from({ length: last - first + 1 }, (_, i) => first + i);
  const sums = await frameSums(page, steps);
  check(differences(sums) === '' && native.size === steps.length,
    `frames ${first}-${last} of ${wanted} bit-identical to the Linux build (${steps.length} frames, ${native.size} from Linux)`,
    differences(sums));
  await page.close();
}

// ---- Screens -------------------------------------------------------------------------------

const devices = [
  { name: 'phone-portrait', viewport: { width: 390, height: 844, deviceScaleFactor: 3, isMobile: true, hasTouch: true }, turn: true },
  { name: 'phone-landscape', viewport: { width: 844, height: 390, deviceScaleFactor: 3, isMobile: true, hasTouch: true } },
  { name: 'laptop-1280x720', viewport: { width: 1280, height: 720, deviceScaleFactor: 1 }, fullscreen: true },
  { name: 'uhd-3840x2160', viewport: { width: 3840, height: 2160, deviceScaleFactor: 1 }, fullscreen: true },
  { name: 'small-320x240', viewport: { width: 320, height: 240, deviceScaleFactor: 1 }, pictureOnly: true },
];
const SharpAt = 45000; // cubes inside the iris over the sine warp: every kind of edge

// Where the page has put the picture and its controls, in device pixels.
const placement = page => peek(page, `(() => {
  const dpr = devicePixelRatio, rect = element => {
    const r = element.getBoundingClientRect();
    return { visible: !!element.offsetParent || element.id === 'view', x: r.x * dpr, y: r.y * dpr, right: r.right * dpr, bottom: r.bottom * dpr };
  };
  return { box: quen.box, width: Math.round(innerWidth * dpr), height: Math.round(innerHeight * dpr),
    full: !!document.fullscreenElement,
    parts: ['fullscreen', 'box', 'controls', 'start', 'ended', 'notice'].map(id => [id, rect(document.getElementById(id))]) };
})()`);

function checkLayout(name, where, capped) {
  const { box, width, height } = where;
  const inside = box.x >= 0 && box.y >= 0 && box.x + box.width <= width && box.y + box.height <= height;
  const fourThree = Math.abs(box.width * 3 - box.height * 4) < 4;
  const largest = capped ? box.width === Math.round(800 * box.dpr) || box.width === width || box.height === height
    : box.width === width || box.height === height;
  check(inside && fourThree && largest, `${name}: the picture is the largest 4:3 box in the viewport`,
    `${box.width}x${box.height} at ${box.x},${box.y} in ${width}x${height}`);
  const outside = where.parts.filter(([, r]) => r.visible && (r.x < -1 || r.y < -1 || r.right > width + 1 || r.bottom > height + 1));
  check(outside.length === 0, `${name}: the controls and cards lie inside the viewport`,
    outside.map(([id]) => id).join());
}

// Each device pixel of the box holds the source pixel its centre falls in; where the centre lies
// exactly on the line between two source pixels, either.
function checkSharp(name, shot, frame, box) {
  let wrong = 0, firstWrong = '';
  const sourceOf = (at, size, count) => {
    const exact = (at + 0.5) * count / size;
    const below = Math.floor(exact);
    return exact === below && below > 0 ? [below, below - 1] : [below];
  };
  const columns = Array.from({ length: box.width }, (_, x) => sourceOf(x, box.width, 800));
  for (let y = 0; y < box.height; y++) {
    const rows = sourceOf(y, box.height, 600);
    for (let x = 0; x < box.width; x++) {
      const o = ((box.y + y) * shot.width + box.x + x) * 4;
      const match = rows.some(sy => columns[x].some(sx => {
        const i = (sy * 800 + sx) * 4;
        return shot.rgba[o] === frame[i] && shot.rgba[o + 1] === frame[i + 1] && shot.rgba[o + 2] === frame[i + 2];
      }));
      if (!match && wrong++ === 0)
        firstWrong = ` (first at ${x},${y})`;
    }
  }
  check(shot.width >= box.x + box.width && wrong === 0,
    `${name}: each device pixel of the ${box.width}x${box.height} picture is its nearest source pixel`,
    `${wrong} are not${firstWrong}`);
}

async function checkScreen(browser, base, device) {
  const { name, viewport } = device;
  section(name);
  const page = watch(await browser.newPage(), name);
  await page.setViewport(viewport);
  await page.goto(`${base}?test`);
  await until(page, "window.quen.state === 'test'", 30000);
  await page.evaluate(ms => window.quen.renderAt(ms), SharpAt);
  checkLayout(name, await placement(page), true);
  if (device.fullscreen) {
    await page.click('#fullscreen');
    await until(page, 'document.fullscreenElement && quen.box.height === Math.round(innerHeight * devicePixelRatio)', 5000);
    checkLayout(`${name} fullscreen`, await placement(page), false);
  }
  const frame = Buffer.from(await page.evaluate(() =>
    Array.from(document.getElementById('screen').getContext('2d').getImageData(0, 0, 800, 600).data)));
  // The corner's fullscreen button lies over the picture on the smallest screens.
  await page.$eval('#fullscreen', button => (button.style.visibility = 'hidden'));
  const png = await page.screenshot({ type: 'png' });
  await page.$eval('#fullscreen', button => (button.style.visibility = ''));
  fs.writeFileSync(path.join(screens, `${name}${device.fullscreen ? '-fullscreen' : ''}.png`), png);
  checkSharp(name, decodePng(png), frame, await peek(page, 'quen.box'));
  if (device.turn) {
    await page.setViewport({ ...viewport, width: viewport.height, height: viewport.width });
    await until(page, `quen.box.height === ${viewport.width * viewport.deviceScaleFactor}`, 3000);
    checkLayout(`${name} turned`, await placement(page), true);
  }
  await page.close();
}

// A visitor's show on DEVICE: the start card, a tap (or click) starts the show and its music,
// the controls come up, fullscreen, the end there, the end card, and the show again.
async function playShow(browser, base, device) {
  const { name, viewport } = device;
  const touch = !!viewport.hasTouch;
  const page = watch(await browser.newPage(), `${name} show`);
  await page.setViewport(viewport);
  await page.goto(base);
  const waiting = await until(page, "window.quen.state === 'waiting'", 30000);
  const card = await peek(page, "document.getElementById('start').hidden ? '' : document.getElementById('start').textContent");
  check(waiting && card === (touch ? 'tap to start' : 'click or press a key to start'),
    `${name}: the start card says "${touch ? 'tap' : 'click'}" while the sound waits for a gesture`, card);
  const where = await placement(page);
  fs.writeFileSync(path.join(screens, `${name}-start.png`), await page.screenshot({ type: 'png' }));
  const tapAt = [where.box.x / where.box.dpr + 10, (where.box.y + where.box.height) / where.box.dpr - 10];
  if (touch)
    await page.touchscreen.tap(...tapAt);
  else
    await page.mouse.click(...tapAt);
  const playing = await until(page, 'quen.program?.quenFirstFrameAt && quen.program.quenMusic?.source', 10000);
  await until(page, 'quen.awake', 2000);
  const audio = await peek(page, "({ state: quen.audio.state, seconds: quen.program?.quenMusic?.buffer.duration, first: quen.program?.quenFirstFrameAt - quen.startedAt, awake: quen.awake })");
  check(playing && audio.state === 'running' && Math.abs(audio.seconds - 64) < 0.05 && audio.awake,
    `${name}: a ${touch ? 'tap' : 'click'} starts the show and its 64 s of music, and keeps the screen awake`, JSON.stringify(audio));
  const heard = await until(page, `(() => {
    const samples = new Float32Array(quen.analyser.fftSize);
    quen.analyser.getFloatTimeDomainData(samples);
    return samples.some(s => Math.abs(s) > 0.01);
  })()`, 5000);
  check(heard, `${name}: the analyser hears the music`);

  // The controls: a tap brings them up inside the viewport, and they fade.
  await sleep(300);
  if (touch)
    await page.touchscreen.tap(...tapAt);
  else
    await page.mouse.click(...tapAt);
  const shown = await until(page, "!document.getElementById('controls').hidden", 2000);
  const controls = (await placement(page)).parts.find(([id]) => id === 'controls')[1];
  check(shown && controls.x >= 0 && controls.bottom <= where.height + 1,
    `${name}: a ${touch ? 'tap' : 'click'} during the show brings up its controls inside the viewport`);
  fs.writeFileSync(path.join(screens, `${name}-controls.png`), await page.screenshot({ type: 'png' }));
  await page.click('#controls-fullscreen');
  const full = await until(page, 'document.fullscreenElement !== null', 3000);
  if (touch) {
    await page.click('#controls-end');
  } else {
    await page.keyboard.press('Escape');
  }
  const ended = await until(page, "quen.state === 'ended' && !document.fullscreenElement && !document.getElementById('ended').hidden", 5000);
  const endCard = (await placement(page)).parts.find(([id]) => id === 'ended')[1];
  check(full && ended && endCard.x >= -1 && endCard.bottom <= where.height + 1 &&
    await peek(page, 'quen.program.quenMusic === null && !quen.awake'),
  `${name}: ${touch ? "the controls' end" : 'Escape'} in fullscreen ends the show, leaves fullscreen, lets the screen sleep and shows the end card`);
  fs.writeFileSync(path.join(screens, `${name}-ended.png`), await page.screenshot({ type: 'png' }));
  await sleep(200);
  if (touch)
    await page.tap('#again');
  else
    await page.keyboard.press('Enter');
  check(await until(page, "quen.state === 'playing' && quen.program.quenMusic?.source && quen.program.quenFirstFrameAt", 10000),
    `${name}: the show plays again by ${touch ? 'a tap' : 'Enter'} on the end card`);
  await page.close();
}

// Without the Fullscreen API (iPhone Safari) the picture fills the page instead, and the end of
// the show gives the page back.
async function checkFilledPage(browser, base) {
  const page = watch(await browser.newPage(), 'no Fullscreen API');
  await page.evaluateOnNewDocument(() => {
    delete Element.prototype.requestFullscreen;
    delete Element.prototype.webkitRequestFullscreen;
    for (const name of ['fullscreenEnabled', 'webkitFullscreenEnabled'])
      Object.defineProperty(Document.prototype, name, { get: () => false });
  });
  await page.setViewport({ width: 1280, height: 720 });
  await page.goto(base);
  await until(page, "quen.state === 'waiting'", 30000);
  await page.mouse.click(20, 20);
  await until(page, 'quen.program?.quenFirstFrameAt', 10000);
  await page.keyboard.press('f');
  const filled = await until(page, "document.body.classList.contains('filled') && quen.box.height === 720", 3000);
  await page.keyboard.press('Escape');
  const back = await until(page, "quen.state === 'ended' && !document.body.classList.contains('filled') && quen.box.height === 600", 5000);
  check(filled && back, 'without the Fullscreen API, f fills the page with the picture, and the end gives it back');
  await page.close();
}

// ---- Links to a moment, and the music after a stall ------------------------------------------

// How far the music is from where the show's clock puts it, in seconds, wrapped at its length:
// the clock read from the first frame shown (its time, and when it came) and the time since.
const musicOff = page => peek(page, `(() => {
  const program = quen.program, length = program.quenMusic.buffer.duration;
  const clock = program.quenFirstFrameMs / 1000 + (performance.now() - program.quenFirstFrameAt) / 1000;
  const off = program.quenMusicPosition() - clock % length;
  return Math.abs(((off % length) + length * 1.5) % length - length / 2);
})()`);

async function checkMoments(browser, base) {
  section('links and the music');
  for (const [link, seconds] of [['#t=45', 45], ['?t=100.5', 100.5]]) {
    const page = watch(await browser.newPage(), link);
    await page.goto(base + link);
    await until(page, "quen.state === 'waiting'", 30000);
    await page.mouse.click(20, 20);
    await until(page, 'quen.program?.quenFirstFrameAt && quen.program.quenMusic?.source', 10000);
    await sleep(400);
    const first = await peek(page, 'quen.program.quenFirstFrameMs');
    const off = await musicOff(page);
    check(first >= seconds * 1000 && first <= seconds * 1000 + 400 && off < 0.3,
      `${link}: the first frame shown is of ${seconds} s or a little after, and the music is there too`,
      `first frame at ${first} ms, music ${off.toFixed(3)} s off`);
    if (link !== '#t=45') {
      await page.close();
      continue;
    }

    // The controls' link to this moment lands there.
    await page.mouse.click(20, 20);
    await until(page, "!document.getElementById('controls').hidden", 2000);
    await page.click('#controls-link');
    await until(page, 'quen.lastLink', 2000);
    const [url, shown] = await peek(page, '[quen.lastLink, quen.program.quenShownMs]');
    const linked = Number(new URL(url).hash.replace('#t=', ''));
    const again = watch(await browser.newPage(), 'the link to a moment');
    await again.goto(url);
    await until(again, "quen.state === 'waiting'", 30000);
    await again.mouse.click(20, 20);
    await until(again, 'quen.program?.quenFirstFrameAt', 10000);
    const landed = await peek(again, 'quen.program.quenFirstFrameMs');
    check(url.startsWith(base) && Math.abs(linked * 1000 - shown) < 1000 && landed >= linked * 1000 && landed <= linked * 1000 + 400,
      '"copy a link to this moment" gives a link that lands there', `${url} at ${shown} ms, landed at ${landed} ms`);
    await again.close();

    // A suspended audio context and a frozen tab: the music goes on where the clock says.
    await peek(page, 'quen.audio.suspend()');
    await sleep(2000);
    await peek(page, 'quen.audio.resume()');
    await sleep(600);
    const afterSuspend = await musicOff(page);
    check(afterSuspend < 0.3, 'after 2 s of a suspended audio context the music is where the clock says',
      `${afterSuspend.toFixed(3)} s off`);
    const session = await page.createCDPSession();
    await session.send('Page.setWebLifecycleState', { state: 'frozen' });
    await sleep(2000);
    await session.send('Page.setWebLifecycleState', { state: 'active' });
    await sleep(1000);
    const afterFreeze = await musicOff(page);
    check(afterFreeze < 0.3, 'after 2 s of a frozen tab the music is where the clock says', `${afterFreeze.toFixed(3)} s off`);
    await page.close();
  }
}

// ---- Failures ------------------------------------------------------------------------------

// Loads of the page in which the server misbehaves as RULE(request) says: null to serve as
// usual, 'abort' for a network failure, or { status, type, body } to answer in its stead.
async function withFaults(browser, base, name, rule, setup = async () => {}) {
  const context = await browser.createBrowserContext();
  const page = watch(await context.newPage(), name, () => true);
  await setup(page);
  await page.setRequestInterception(true);
  page.on('request', request => {
    if (request.interceptResolutionState().action === 'disabled')
      return;
    const answer = rule(path.basename(new URL(request.url()).pathname));
    if (answer === 'abort')
      request.abort('failed');
    else if (answer)
      request.respond({ status: answer.status ?? 200, contentType: answer.type, body: answer.body });
    else
      request.continue();
  });
  await page.goto(base);
  return { page, context };
}

async function checkFailures(browser, base) {
  section('failures');
  const wasm = fs.readFileSync(path.join(site, 'quen-simd.wasm'));
  const script = fs.readFileSync(path.join(site, 'quen.js'), 'utf8');
  const isWasm = name => name.endsWith('.wasm');
  const page404 = { status: 404, type: 'text/html', body: '<!doctype html><title>Not found</title>' };
  const cases = [
    ['a browser without WebAssembly', () => null, /cannot run WebAssembly/,
      page => page.evaluateOnNewDocument(() => { delete window.WebAssembly; })],
    ['quen.js missing', name => (name === 'quen.js' ? page404 : null), /quen\.js is missing: the server answered 404/],
    ['quen.js replaced by a web page', name => (name === 'quen.js' ? { type: 'text/html', body: '<!doctype html><p>hello' } : null),
      /quen\.js is missing: the server sent a web page/],
    ['quen.js corrupt', name => (name === 'quen.js' ? { type: 'text/javascript', body: script.slice(0, script.length / 2) } : null),
      /quen\.js is corrupt \(SyntaxError/],
    ['quen.wasm missing', name => (isWasm(name) ? page404 : null), /quen(-simd)?\.wasm is missing: the server answered 404/],
    ['quen.wasm corrupt', name => (isWasm(name) ? { type: 'application/wasm', body: wasm.subarray(0, wasm.length >> 1) } : null),
      /quen(-simd)?\.wasm is corrupt \(CompileError/],
    ['quen.wasm not WebAssembly', name => (isWasm(name) ? { type: 'application/wasm', body: Buffer.from('garbage!garbage!') } : null),
      /quen(-simd)?\.wasm is corrupt: it is not WebAssembly/],
    ['a network failure', name => (isWasm(name) ? 'abort' : null), /The network failed while loading quen(-simd)?\.wasm/],
  ];
  for (const [name, rule, message, setup] of cases) {
    const { page, context } = await withFaults(browser, base, name, rule, setup);
    const shown = await until(page, "quen.state === 'failed' && !document.getElementById('failed').hidden", 15000);
    const text = await peek(page, "document.getElementById('failed').innerText");
    check(shown && message.test(text), `${name}: the page says so`, JSON.stringify(text));
    if (name === 'a network failure') {
      fs.writeFileSync(path.join(screens, 'failure-network.png'), await page.screenshot({ type: 'png' }));
      await page.setRequestInterception(false);
      await page.click('#retry');
      // The click on "Try again" lets the reloaded page play sound at once, without the card.
      check(await until(page, "['waiting', 'playing'].includes(quen.state)", 15000),
        'a network failure: "Try again" loads the page and offers the show');
    }
    await context.close();
  }

  // Served with the wrong type, the program still plays, and a notice says what to fix.
  const wrongTypes = [
    ['quen.js', name => (name === 'quen.js' ? { type: 'text/plain', body: script } : null), /quen\.js is served as text\/plain/],
    ['quen.wasm', name => (isWasm(name) ? { type: 'application/octet-stream', body: wasm } : null),
      /quen-simd\.wasm is served as application\/octet-stream/],
  ];
  for (const [file, rule, message] of wrongTypes) {
    const { page, context } = await withFaults(browser, base, `${file} of the wrong type`, rule);
    const ready = await until(page, "quen.state === 'waiting'", 15000);
    const notice = await peek(page, "document.getElementById('notice').textContent");
    check(ready && message.test(notice), `${file} served with the wrong type: the show is offered, with a notice`, notice);
    await context.close();
  }

  // A missing picture or music: the show runs, the console names the file, and so does a notice.
  for (const file of ['j1.jpg', 'zeft.mp3']) {
    const { page, context } = await withFaults(browser, base, `${file} missing`, name => (name === file ? page404 : null));
    const errors = [];
    page.on('console', message => message.type() === 'error' && errors.push(message.text()));
    const runs = await until(page, file === 'zeft.mp3' ? "quen.state === 'playing' && quen.program.quenFirstFrameAt"
      : "quen.state === 'waiting'", 15000);
    const notice = await peek(page, "document.getElementById('notice').textContent");
    await until(page, 'false', 300);
    check(runs && notice.includes(`${file} could not be loaded`) && errors.some(line => line.includes(`"${file}"`)),
      `${file} missing: the show runs, with a notice and the console naming it`, `${notice} / ${errors.join(' | ')}`);
    await context.close();
  }

  // A slow server: the page says how far loading has got.
  const context = await browser.createBrowserContext();
  const slow = watch(await context.newPage(), 'a slow server');
  await slow.setRequestInterception(true);
  slow.on('request', async request => {
    if (request.url().endsWith('zeft.mp3'))
      await sleep(1500);
    request.continue();
  });
  await slow.goto(base);
  await sleep(700);
  const loading = await peek(slow, "document.getElementById('loading').hidden ? '' : document.getElementById('loading').innerText");
  fs.writeFileSync(path.join(screens, 'loading.png'), await slow.screenshot({ type: 'png' }));
  check(/loading \d+%/.test(loading), 'a slow server: the page shows how far loading has got', JSON.stringify(loading));
  check(await until(slow, "quen.state === 'waiting'", 15000), 'a slow server: the show is offered once everything is there');
  await context.close();
}

// ---- Offline and the single file -----------------------------------------------------------

// A visit keeps the site; with the server gone, a reload plays. In a copy of the site, a new
// build replaces the kept files on the next visit.
async function checkOffline() {
  section('offline');
  await withChromium(site, [], async (browser, base, server) => {
    const page = watch(await browser.newPage(), 'offline', url => !url.startsWith(base) || server.listening === false);
    await page.goto(base);
    const kept = await until(page, 'navigator.serviceWorker.ready.then(() => caches.keys()).then(keys => keys.length === 1)', 15000);
    // A phone adds the page to its home screen from its manifest.
    const manifest = await (await page.createCDPSession()).send('Page.getAppManifest');
    const parsed = JSON.parse(manifest.data || '{}');
    check(manifest.errors.length === 0 && parsed.name === 'Quen/XDL' && parsed.icons?.length > 0,
      'the page has a web app manifest with its name and icons', JSON.stringify(manifest.errors));
    server.closeAllConnections();
    server.close();
    await page.setOfflineMode(true);
    await page.reload();
    const plays = await until(page, "quen.state === 'waiting'", 15000);
    await page.mouse.click(20, 20);
    check(kept && plays && await until(page, 'quen.program?.quenFirstFrameAt && quen.program.quenMusic?.source', 10000),
      'with the network gone, a second visit plays from the kept files');
    await page.close();
  });

  const copy = fs.mkdtempSync(path.join(os.tmpdir(), 'quen-site-'));
  try {
    fs.cpSync(site, copy, { recursive: true });
    await withChromium(copy, [], async (browser, base) => {
      const page = watch(await browser.newPage(), 'new build');
      await page.goto(base);
      const cacheNames = "caches.keys().then(keys => keys.join())";
      await until(page, 'navigator.serviceWorker.ready.then(() => caches.keys()).then(keys => keys.length === 1)', 15000);
      const before = await peek(page, cacheNames);
      fs.appendFileSync(path.join(copy, 'j1.jpg'), 'a new build');
      execFileSync(process.execPath, [path.join(source, 'tools/web/site.mjs'), 'site', source, copy]);
      await page.reload();
      const replaced = await until(page, `caches.keys().then(keys => keys.length === 1 && keys[0] !== ${JSON.stringify(before)})`, 15000);
      const fresh = await peek(page, "caches.match('j1.jpg').then(r => r.text()).then(text => text.endsWith('a new build'))");
      check(replaced && fresh, 'a new build replaces the kept files on the next visit',
        `${before} -> ${await peek(page, cacheNames)}`);
      await page.close();
    });
  } finally {
    fs.rmSync(copy, { recursive: true, force: true });
  }
}

async function checkSingleFile(browser) {
  section('single file');
  const size = fs.statSync(single).size;
  check(size <= 2.5e6, 'the single-file page weighs at most 2.5 MB', `${(size / 1e6).toFixed(2)} MB`);
  const url = pathToFileURL(single).href;
  const page = watch(await browser.newPage(), 'single file');
  await page.goto(`${url}?test`);
  check(await until(page, "window.quen.state === 'test'", 30000), 'the single-file page opens from file://');
  // Each sampled frame after the two before it: a cube frame turns the cubes by the time since
  // the cube frame before, as in the Linux build's frames, drawn in order.
  const samples = [...new Set(segments.flatMap(([from, , middle]) => [from, middle]).concat(first, last))]
    .filter(step => step >= first && step <= last).sort((a, b) => a - b);
  const drawn = await frameSums(page, [...new Set(samples.flatMap(step => [step - 2, step - 1, step]))]
    .filter(step => step >= first).sort((a, b) => a - b));
  const sums = new Map(samples.map(step => [step, drawn.get(step)]));
  check(differences(sums) === '', `the single-file page renders frames identical to the Linux build (${sums.size} frames)`,
    differences(sums));
  await page.goto(url);
  await until(page, "quen.state === 'waiting'", 30000);
  await page.mouse.click(20, 20);
  check(await until(page, 'quen.program?.quenFirstFrameAt && quen.program.quenMusic?.source', 10000),
    'the single-file page plays the show with its music from file://');
  await page.close();
}

try {
  const digests = [execFileSync(nativeDigest, { encoding: 'utf8' }),
    execFileSync(process.execPath, ['--no-experimental-fetch', wasmDigest], { encoding: 'utf8' })];
  check(digests[0] === digests[1], 'cube rotations and focal length identical in wasm and on Linux',
    digests.join(' / ').replace(/\n/g, ' '));
  fs.mkdirSync(screens, { recursive: true });
  await checkServer();
  await withChromium(site, [], async (browser, base) => {
    await compareFrames(browser, base, true);
    await compareFrames(browser, base, false);
    for (const device of devices) {
      await checkScreen(browser, base, device);
      if (!device.pictureOnly)
        await playShow(browser, base, device);
    }
    await checkFilledPage(browser, base);
    await checkMoments(browser, base);
    await checkFailures(browser, base);
  });
  await checkOffline();
  const browser = await launchChromium();
  try {
    await checkSingleFile(browser);
  } finally {
    await browser.close();
  }
  check(problems.length === 0, 'no console errors, no failed requests', problems.join('; '));
} catch (error) {
  check(false, 'the test ran to its end', error.stack);
}
section('end');
console.log(`\n${passed} passed, ${failed} failed`);
process.exit(failed === 0 ? 0 : 1);
