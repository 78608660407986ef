// web/serve.mjs as a browser meets it: each kind of file with the type the browser needs (the
// module's .wasm above all), nothing cached stale, nothing outside the served folder, and only
// reading methods; run as the scripts run it, with the address on its first line.
import assert from 'node:assert/strict';
import { mkdir, writeFile } from 'node:fs/promises';
import http from 'node:http';
import path from 'node:path';
import { after, before, describe, it } from 'node:test';

import { removeFolder, startServer, tempFolder } from './support.mjs';

// A raw request, so that paths reach the server exactly as written ("..", encoded slashes).
function request(url, rawPath, method = 'GET') {
  const { hostname, port } = new URL(url);
  return new Promise((resolve, reject) => {
    const req = http.request({ hostname, port, path: rawPath, method }, (response) => {
      let body = '';
      response.setEncoding('latin1');
      response.on('data', (chunk) => {
        body += chunk;
      });
      response.on('end', () => resolve({ status: response.statusCode, headers: response.headers, body }));
    });
    req.on('error', reject);
    req.end();
  });
}

describe('serve.mjs', () => {
  let server;
  let root;

  before(async () => {
    root = await tempFolder();
    const folder = path.join(root, 'site');
    await mkdir(path.join(folder, 'sub'), { recursive: true });
    const files = {
      'index.html': '<p>page</p>',
      'vn340.wasm': '\0asm',
      'page.js': 'export {};',
      'page.css': 'p {}',
      'app.webmanifest': '{}',
      'heli.tsf': '[Gyro]',
      'sub/index.html': '<p>sub</p>',
    };
    for (const [name, text] of Object.entries(files)) {
      await writeFile(path.join(folder, name), text);
    }
    // A secret beside the served folder, which no request may reach.
    await writeFile(path.join(root, 'secret.txt'), 'secret');
    server = await startServer(folder);
  });

  after(async () => {
    await server?.stop();
    await removeFolder(root);
  });

  it('answers each file with the type a browser needs, and never from a stale cache', async () => {
    const rows = [
      { name: 'the module', path: '/vn340.wasm', type: 'application/wasm', body: '\0asm' },
      { name: 'a script', path: '/page.js', type: 'text/javascript; charset=utf-8', body: 'export {};' },
      { name: 'the style sheet', path: '/page.css', type: 'text/css; charset=utf-8', body: 'p {}' },
      { name: 'the manifest', path: '/app.webmanifest', type: 'application/manifest+json', body: '{}' },
      { name: 'the folder itself', path: '/', type: 'text/html; charset=utf-8', body: '<p>page</p>' },
      { name: 'a folder inside', path: '/sub/', type: 'text/html; charset=utf-8', body: '<p>sub</p>' },
      { name: 'a query ignored', path: '/page.css?v=2', type: 'text/css; charset=utf-8', body: 'p {}' },
    ];
    for (const row of rows) {
      const answer = await request(server.url, row.path);
      assert.equal(answer.status, 200, row.name);
      assert.equal(answer.headers['content-type'], row.type, row.name);
      assert.equal(answer.headers['cache-control'], 'no-cache', row.name);
      assert.equal(answer.body, row.body, row.name);
    }
  });

  it('serves nothing outside its folder, however the path is written', async () => {
    const rows = [
      { name: 'dot-dot', path: '/../secret.txt' },
      { name: 'dot-dot deeper', path: '/sub/../../secret.txt' },
      { name: 'encoded dots', path: '/%2e%2e/secret.txt' },
      { name: 'encoded slash', path: '/..%2fsecret.txt' },
      { name: 'a broken escape', path: '/%E0%A4%A' },
      { name: 'a NUL byte', path: '/index.html%00.css' },
      { name: 'a file not there', path: '/none.js' },
    ];
    for (const row of rows) {
      const answer = await request(server.url, row.path);
      assert.equal(answer.status, 404, row.name);
      assert.ok(!answer.body.includes('secret'), row.name);
    }
  });

  it('only reads', async () => {
    assert.equal((await request(server.url, '/index.html', 'HEAD')).status, 200);
    const post = await request(server.url, '/index.html', 'POST');
    assert.equal(post.status, 405);
    assert.equal(post.headers.allow, 'GET, HEAD');
  });
});
