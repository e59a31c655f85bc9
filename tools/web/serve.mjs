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
  '.svg': 'image/svg+xml',
  '.webmanifest': 'application/manifest+json',
};

// The file a request's path names inside root, or null for a path that cannot name one: not
// percent-decodable, or not a path at all (`//`, which a URL parser reads as a host).
function fileFor(root, requestUrl) {
  let pathname;
  try {
    if (!requestUrl.startsWith('/') || requestUrl.startsWith('//'))
      return null;
    pathname = decodeURIComponent(new URL(requestUrl, 'http://localhost').pathname);
  } catch {
    return null;
  }
  if (pathname.includes('\0'))
    return null;
  const file = path.join(root, path.normalize(pathname).replace(/^(\.\.[/\\])+/, ''));
  return file.endsWith(path.sep) ? path.join(file, 'index.html') : file;
}

export function serve(folder, port) {
  const root = path.resolve(folder);
  const server = http.createServer(async (request, response) => {
    const target = fileFor(root, request.url);
    if (target === null) {
      response.writeHead(400, { 'Content-Type': 'text/plain' });
      response.end('bad request\n');
      return;
    }
    try {
      if (!target.startsWith(root + path.sep) || !(await stat(target)).isFile())
        throw new Error('not a file');
      response.writeHead(200, {
        'Content-Type': types[path.extname(target)] || 'application/octet-stream',
        'Cache-Control': 'no-cache',
      });
      createReadStream(target).on('error', () => response.destroy()).pipe(response);
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
  const port = Number(process.argv[3] ?? 8800);
  try {
    const server = await serve(folder, port);
    console.log(`Serving ${folder} at http://127.0.0.1:${server.address().port}/ (Ctrl-C stops)`);
  } catch (error) {
    const why = error.code === 'EADDRINUSE' ? 'is in use by another program'
      : error.code === 'EACCES' ? 'needs privileges this user lacks'
        : `cannot be used (${error.message})`;
    console.error(`serve: port ${port} ${why}; choose another with PORT=, as in make web-serve PORT=8801`);
    process.exit(1);
  }
}
