// The web build's costs in headless Chromium, beside the Linux build's in the same run:
//   - the page's weight: its files, their size, and their size gzipped at level 9;
//   - the time from the tap to the first frame on the canvas (everything is loaded and decoded
//     before the start card): the median of five loads, each in a fresh browser;
//   - the time one frame of each segment takes to draw without presenting it, in the SIMD program
//     and in the portable one (window.quen.frameTime: the least of 15 rounds of 20 frames, wall
//     clock; and the renderer's processor time), after one pass over every segment so that the
//     browser has compiled the hot code fully; a memcpy of one frame in WebAssembly, the page's
//     own floor; and the same frame natively (build/bench/quen-bench, its default kernels, the
//     least CPU time), with the ratio of the SIMD program's frame to it. The least is the round
//     least disturbed by other work on a shared machine.
//
// Usage: node bench/web/web_bench.mjs [SITE [QUEN_BENCH]]   (default build-web/site, no native)
//   QUEN_BENCH_LOADS=N: that many loads for the first frame (5; 0 skips it)
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import zlib from 'node:zlib';
import { StepMs, peek, segments, sleep, until, withChromium } from '../../tests/web/page.mjs';

const site = process.argv[2] ?? 'build-web/site';
const nativeBench = process.argv[3];
// Each measurement: the least of Rounds rounds of Frames frames.
const Rounds = 15;
const Frames = 20;
const median = values => [...values].sort((a, b) => a - b)[values.length >> 1];
const kib = bytes => (bytes.reduce((sum, n) => sum + n, 0) / 1024).toFixed(0);
const load = () => os.loadavg().map(n => n.toFixed(2)).join(', ');

console.log(`Load average at the start: ${load()} (${os.cpus().length} cores)`);
const names = fs.readdirSync(site).filter(name => fs.statSync(path.join(site, name)).isFile());
const files = names.map(name => fs.readFileSync(path.join(site, name)));
console.log(`Site: ${files.length} files, ${kib(files.map(file => file.length))} KiB, ` +
  `${kib(files.map(file => zlib.gzipSync(file, { level: 9 }).length))} KiB gzipped; a visit loads all but ` +
  'one of quen.wasm and quen-simd.wasm, and the icons only when asked');

// From the tap to the first frame.
const firstFrames = [];
for (let round = 0; round < Number(process.env.QUEN_BENCH_LOADS ?? 5); round++) {
  firstFrames.push(await withChromium(site, [], async (browser, base) => {
    const page = await browser.newPage();
    await page.goto(base);
    await until(page, "window.quen.state === 'waiting'", 30000);
    await sleep(300);
    await page.mouse.click(20, 20);
    await until(page, 'window.quen.program?.quenFirstFrameAt', 15000);
    return peek(page, 'quen.program.quenFirstFrameAt - quen.startedAt');
  }));
}
if (firstFrames.length) {
  console.log(`First frame ${median(firstFrames).toFixed(0)} ms after the tap (median of ${firstFrames.length} ` +
    `loads: ${firstFrames.map(ms => ms.toFixed(0)).join(', ')} ms)`);
}

// The renderer's processor time in milliseconds, from Chromium's own count (10 ms ticks).
async function rendererCpuMs(session) {
  const { processInfo } = await session.send('SystemInfo.getProcessInfo');
  return 1000 * processInfo.filter(p => p.type === 'renderer').reduce((sum, p) => sum + p.cpuTime, 0);
}

// Frame costs of the program the page picks; without SIMD the probe is made to fail. For each:
// the least wall-clock time of Rounds rounds of Frames frames, and the renderer's processor
// time over all of them per frame (which counts the renderer's own housekeeping too).
async function frameCosts(simd) {
  return withChromium(site, [], async (browser, base) => {
    const page = await browser.newPage();
    if (!simd)
      await page.evaluateOnNewDocument(() => { WebAssembly.validate = () => false; });
    await page.goto(`${base}?test`);
    await until(page, "window.quen.state === 'test'", 30000);
    const session = await browser.target().createCDPSession();
    const time = async (ms, call) => {
      const cpu = await rendererCpuMs(session);
      const least = await page.evaluate(call, ms, Frames, Rounds);
      return { least, cpu: (await rendererCpuMs(session) - cpu) / (Frames * Rounds) };
    };
    const frame = step => time(step * StepMs, (ms, count, rounds) => window.quen.frameTime(ms, count, rounds));
    for (const [, , step] of segments) await frame(step);
    const costs = new Map([['memcpy', await time(0, (ms, count, rounds) => window.quen.copyTime(count, rounds))]]);
    for (const [, name, step] of segments) costs.set(name, await frame(step));
    return costs;
  });
}

// The Linux build's least CPU time of the same frames (quen-bench: ten repetitions), in ms.
function nativeCosts() {
  if (!nativeBench)
    return new Map();
  const out = path.join(fs.mkdtempSync(path.join(os.tmpdir(), 'quen-bench-')), 'frames.json');
  const wanted = segments.map(([, name, step]) => `${name}/${step}`).concat('memcpy 800x600x4');
  const filter = `^(${wanted.map(name => name.replace(/[+]/g, '\\+')).join('|')})/`;
  execFileSync(nativeBench, [`--benchmark_filter=${filter}`, `--benchmark_out=${out}`, '--benchmark_out_format=json'],
    { stdio: 'ignore' });
  const costs = new Map();
  // Google Benchmark writes NaN for the allocation counter's spread, which JSON does not have.
  const report = JSON.parse(fs.readFileSync(out, 'utf8').replace(/\bNaN\b/g, 'null'));
  for (const run of report.benchmarks) {
    if (run.aggregate_name === 'min') {
      const name = run.run_name.startsWith('memcpy') ? 'memcpy' : run.run_name.split('/')[0];
      costs.set(name, run.cpu_time / 1000);
    }
  }
  fs.rmSync(path.dirname(out), { recursive: true });
  return costs;
}

const simd = await frameCosts(true);
const portable = await frameCosts(false);
const native = nativeCosts();
const us = ms => (ms === undefined ? '' : (ms * 1000).toFixed(0)).padStart(7);
console.log(`\nOne frame, µs: Chromium, the least wall-clock time of ${Rounds} rounds of ${Frames} frames and the ` +
  'renderer\'s CPU time over all of them; Linux, the least CPU time of ten repetitions (quen-bench); the ratio ' +
  'is the SIMD program\'s least to the Linux build\'s');
console.log(`${'frame (step)'.padEnd(26)} ${'SIMD'.padStart(7)} ${'cpu'.padStart(7)} ${'portable'.padStart(8)} ` +
  `${'cpu'.padStart(7)} ${'Linux'.padStart(7)}  ratio`);
let over = 0;
for (const [name, cost] of simd) {
  const step = segments.find(([, segment]) => segment === name)?.[2];
  const label = name === 'memcpy' ? 'memcpy of one frame' : `${name} (${step})`;
  const ratio = native.has(name) ? cost.least / native.get(name) : undefined;
  over += name !== 'memcpy' && ratio > 2.5 ? 1 : 0;
  console.log(`${label.padEnd(26)} ${us(cost.least)} ${us(cost.cpu)} ${us(portable.get(name).least).padStart(8)} ` +
    `${us(portable.get(name).cpu)} ${us(native.get(name))}  ${ratio === undefined ? '' : ratio.toFixed(2)}`);
}
if (native.size)
  console.log(over ? `${over} segments over 2.5 x Linux` : 'every segment within 2.5 x Linux');
console.log(`Load average at the end: ${load()}`);
