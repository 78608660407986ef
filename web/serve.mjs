// Serves the browser edition's folder on the loopback address, the secure context Web Serial
// needs without a certificate. Node's own http module only, so it runs wherever Node does.
// Usage: node serve.mjs [--port N] [--host H] [FOLDER]   (N 0 takes any free port)
import { createReadStream } from 'node:fs';
import { realpath, stat } from 'node:fs/promises';
import http from 'node:http';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const TYPES = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript; charset=utf-8',
  '.mjs': 'text/javascript; charset=utf-8',
  '.css': 'text/css; charset=utf-8',
  '.wasm': 'application/wasm',
  '.json': 'application/json; charset=utf-8',
  '.webmanifest': 'application/manifest+json',
  '.svg': 'image/svg+xml',
  '.png': 'image/png',
  '.ico': 'image/x-icon',
  '.tsf': 'text/plain; charset=utf-8',
  '.txt': 'text/plain; charset=utf-8',
};

export function contentType(file) {
  return TYPES[path.extname(file).toLowerCase()] ?? 'application/octet-stream';
}

function inside(root, file) {
  return file === root || file.startsWith(root + path.sep);
}

// The file a request names, or null when it names nothing under the root (links followed).
async function fileFor(root, urlPath) {
  let decoded;
  try {
    decoded = decodeURIComponent(urlPath);
  } catch {
    return null;
  }
  if (decoded.includes('\0')) {
    return null;
  }
  let file = path.resolve(root, `.${path.posix.normalize(`/${decoded}`)}`);
  if (!inside(root, file)) {
    return null;
  }
  try {
    if ((await stat(file)).isDirectory()) {
      file = path.join(file, 'index.html');
    }
    file = await realpath(file);
    return inside(root, file) && (await stat(file)).isFile() ? file : null;
  } catch {
    return null;
  }
}

export async function startServer({ folder, port = 8340, host = '127.0.0.1' }) {
  const root = await realpath(folder);
  const server = http.createServer(async (request, response) => {
    const headers = { 'Cache-Control': 'no-cache', 'X-Content-Type-Options': 'nosniff' };
    if (request.method !== 'GET' && request.method !== 'HEAD') {
      response.writeHead(405, { ...headers, Allow: 'GET, HEAD' }).end();
      return;
    }
    const urlPath = new URL(request.url, 'http://localhost').pathname;
    const file = await fileFor(root, urlPath);
    if (!file) {
      response.writeHead(404, { ...headers, 'Content-Type': 'text/plain; charset=utf-8' });
      response.end('Not found\n');
      return;
    }
    response.writeHead(200, { ...headers, 'Content-Type': contentType(file) });
    if (request.method === 'HEAD') {
      response.end();
      return;
    }
    createReadStream(file)
      .on('error', () => response.destroy())
      .pipe(response);
  });
  await new Promise((resolve, reject) => {
    server.once('error', reject);
    server.listen(port, host, resolve);
  });
  return server;
}

function parseArguments(args) {
  const options = { folder: '.', port: 8340, host: '127.0.0.1' };
  for (let i = 0; i < args.length; i += 1) {
    const arg = args[i];
    if (arg === '--port' || arg === '--host') {
      if (i + 1 >= args.length) {
        throw new Error(`${arg} needs a value`);
      }
      options[arg.slice(2)] = args[++i];
    } else if (arg === '--help') {
      options.help = true;
    } else if (arg.startsWith('--')) {
      throw new Error(`unknown option ${arg}`);
    } else {
      options.folder = arg;
    }
  }
  options.port = Number(options.port);
  if (!Number.isInteger(options.port) || options.port < 0 || options.port > 65535) {
    throw new Error('--port needs a number from 0 to 65535');
  }
  return options;
}

async function main() {
  let options;
  try {
    options = parseArguments(process.argv.slice(2));
  } catch (error) {
    console.error(`serve.mjs: ${error.message}`);
    process.exit(2);
  }
  if (options.help) {
    console.log('Usage: node serve.mjs [--port N] [--host H] [FOLDER]');
    return;
  }
  const server = await startServer(options);
  const { port } = server.address();
  const shownHost = options.host === '127.0.0.1' ? 'localhost' : options.host;
  // The first line is the address; scripts and tests read it.
  console.log(`http://${shownHost}:${port}/`);
  for (const signal of ['SIGINT', 'SIGTERM']) {
    process.on(signal, () => process.exit(0));
  }
}

if (process.argv[1] && path.resolve(process.argv[1]) === fileURLToPath(import.meta.url)) {
  main().catch((error) => {
    console.error(`serve.mjs: ${error.message}`);
    process.exit(1);
  });
}
