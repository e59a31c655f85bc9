// Puts the web site together, and makes the single-file page from it.
//
// Usage: node tools/web/site.mjs site SOURCE SITE [SIMD]
//          beside the program the build linked into SITE (quen.js, quen.wasm) and the six files
//          the show reads: the SIMD program's quen-simd.wasm from the folder SIMD it was linked
//          in (without SIMD, the one SITE holds), the page with the sizes of its files, the
//          service worker named by the content of every file it keeps, the manifest and the
//          icons.
//        node tools/web/site.mjs single SITE OUT
//          one HTML file that carries the page, the program and the six files inline and plays
//          from disk (file://) with no server.
// Files are written only when their content changes.
import { createHash } from 'node:crypto';
import fs from 'node:fs';
import path from 'node:path';
import zlib from 'node:zlib';

const showFiles = ['initial.jpg', 'j1.jpg', 'j2.jpg', 'j3.jpg', 'scroller.jpg', 'zeft.mp3'];
const programFiles = ['quen.js', 'quen.wasm', 'quen-simd.wasm'];
const extraFiles = ['manifest.webmanifest', 'quen.svg', 'quen-256.png'];

function fail(message) {
  console.error(`site.mjs: ${message}`);
  process.exit(1);
}

function writeIfChanged(file, content) {
  const bytes = Buffer.from(content);
  if (fs.existsSync(file) && fs.readFileSync(file).equals(bytes))
    return;
  fs.writeFileSync(file, bytes);
}

// Replaces the one placeholder `marker` in `text`.
function fill(text, marker, value, what) {
  const at = text.indexOf(marker);
  if (at < 0 || text.indexOf(marker, at + 1) >= 0)
    fail(`${what} must hold ${marker} exactly once`);
  return text.slice(0, at) + value + text.slice(at + marker.length);
}

function makeSite(source, site, simd) {
  const web = path.join(source, 'platform/web');
  writeIfChanged(path.join(site, 'manifest.webmanifest'), fs.readFileSync(path.join(web, 'manifest.webmanifest')));
  writeIfChanged(path.join(site, 'quen.svg'), fs.readFileSync(path.join(source, 'dist/quen.svg')));
  writeIfChanged(path.join(site, 'quen-256.png'), fs.readFileSync(path.join(source, 'dist/icons/quen-256.png')));

  // Both programs run with one script: the linker writes the same quen.js for each, but for the
  // name of its WebAssembly file, which the page loads itself.
  if (simd) {
    const script = fs.readFileSync(path.join(site, 'quen.js'), 'utf8');
    if (fs.readFileSync(path.join(simd, 'quen-simd.js'), 'utf8').replaceAll('quen-simd.wasm', 'quen.wasm') !== script)
      fail('quen.js and quen-simd.js differ: the two programs no longer share one script');
    writeIfChanged(path.join(site, 'quen-simd.wasm'), fs.readFileSync(path.join(simd, 'quen-simd.wasm')));
  }

  const sizes = {};
  for (const name of [...programFiles, ...showFiles])
    sizes[name] = fs.statSync(path.join(site, name)).size;
  const page = fill(fs.readFileSync(path.join(web, 'index.html'), 'utf8'), '/*@BUILD@*/{}',
    `/*@BUILD@*/${JSON.stringify({ files: sizes })}`, 'index.html');
  writeIfChanged(path.join(site, 'index.html'), page);

  // The cache's name follows the content of everything it keeps, the page included.
  const kept = ['index.html', ...programFiles, ...showFiles, ...extraFiles];
  const hash = createHash('sha256');
  for (const name of kept)
    hash.update(`${name}\0`).update(fs.readFileSync(path.join(site, name)));
  let worker = fs.readFileSync(path.join(web, 'sw.js'), 'utf8');
  worker = fill(worker, "/*@VERSION@*/'unbuilt'", `'${hash.digest('hex').slice(0, 16)}'`, 'sw.js');
  worker = fill(worker, '/*@FILES@*/[]', JSON.stringify(['./', ...kept]), 'sw.js');
  writeIfChanged(path.join(site, 'sw.js'), worker);
}

function makeSingle(site, out) {
  let page = fs.readFileSync(path.join(site, 'index.html'), 'utf8');
  // From disk there is no service worker and no manifest; the icon goes inline.
  page = page.replace(/<link rel="(manifest|apple-touch-icon)"[^>]*>\n/g, '');
  const icon = fs.readFileSync(path.join(site, 'quen.svg')).toString('base64');
  page = fill(page, 'href="quen.svg"', `href="data:image/svg+xml;base64,${icon}"`, 'index.html');
  // The program compresses well and is unpacked by the browser (DecompressionStream); the
  // pictures and the music are compressed already.
  const inline = [...programFiles, ...showFiles].map(name => {
    const bytes = fs.readFileSync(path.join(site, name));
    const packed = programFiles.includes(name);
    const data = (packed ? zlib.gzipSync(bytes, { level: 9 }) : bytes).toString('base64');
    return `<script type="application/octet-stream" data-file="${name}"${packed ? ' data-gzip' : ''}>\n` +
      `${data.replace(/.{1,120}/g, '$&\n')}</script>\n`;
  }).join('');
  page = fill(page, "<script>\n'use strict';", `${inline}<script>\n'use strict';`, 'index.html');
  writeIfChanged(out, page);
  console.log(`${out}: ${(fs.statSync(out).size / 1e6).toFixed(2)} MB, plays from disk`);
}

const [mode, first, second, third] = process.argv.slice(2);
if (mode === 'site' && first && second)
  makeSite(first, second, third);
else if (mode === 'single' && first && second)
  makeSingle(first, second);
else
  fail('usage: site.mjs site SOURCE SITE [SIMD] | site.mjs single SITE OUT');
