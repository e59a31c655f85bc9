// A static file server for the web build, bound to 127.0.0.1 only.
//
// Usage: node tools/web/serve.mjs [FOLDER] [PORT]   (defaults: build-web/site, 8800; 0 = any)
// As a module: serve(folder, port) resolves to the listening http.Server.
import { createReadStream } from 'node:fs';
import { stat } from 'node:fs/promises';
import http from 'node:http';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const types = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript; charset=utf-8',
  '.wasm': 'application/wasm',
  '.jpg': 'image/jpeg',
  '.mp3': 'audio/mpeg',
  '.png': 'image/png',
};

export function serve(folder, port) {
  const root = path.resolve(folder);
  const server = http.createServer(async (request, response) => {
    const url = new URL(request.url, 'http://localhost');
    const file = path.join(root, path.normalize(decodeURIComponent(url.pathname)).replace(/^(\.\.[/\\])+/, ''));
    const target = file.endsWith(path.sep) ? path.join(file, 'index.html') : file;
    try {
      if (!target.startsWith(root) || !(await stat(target)).isFile())
        throw new Error('not a file');
      response.writeHead(200, {
        'Content-Type': types[path.extname(target)] || 'application/octet-stream',
        'Cache-Control': 'no-cache',
      });
      createReadStream(target).pipe(response);
    } catch {
      response.writeHead(404, { 'Content-Type': 'text/plain' });
      response.end('not found\n');
    }
  });
  return new Promise((resolve, reject) => {
    server.once('error', reject);
    server.listen(port, '127.0.0.1', () => resolve(server));
  });
}

if (process.argv[1] === fileURLToPath(import.meta.url)) {
  const folder = process.argv[2] || 'build-web/site';
  const server = await serve(folder, Number(process.argv[3] ?? 8800));
  console.log(`Serving ${folder} at http://127.0.0.1:${server.address().port}/ (Ctrl-C stops)`);
}
