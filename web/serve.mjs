// A static file server for the page, on 127.0.0.1 only: GET and HEAD of the files
// below one folder, with the content types a browser needs for modules and
// WebAssembly. Used by scripts/serve-web.sh and by the browser tests.
//
//   node web/serve.mjs FOLDER [PORT]     (PORT 0 or none: a free port)
import { createReadStream, promises as fs } from 'node:fs';
import http from 'node:http';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const CONTENT_TYPES = {
    '.html': 'text/html; charset=utf-8',
    '.js': 'text/javascript; charset=utf-8',
    '.mjs': 'text/javascript; charset=utf-8',
    '.css': 'text/css; charset=utf-8',
    '.wasm': 'application/wasm',
    '.mid': 'audio/midi',
    '.png': 'image/png',
    '.svg': 'image/svg+xml',
    '.json': 'application/json',
};

// The file below root that a request's path names, or null for a path that leaves root.
function fileOf(root, requestPath) {
    let decoded;
    try {
        decoded = decodeURIComponent(requestPath.split('?')[0]);
    } catch {
        return null;
    }
    if (decoded.includes('\0')) {
        return null;
    }
    const file = path.resolve(root, '.' + path.posix.normalize('/' + decoded));
    return file === root || file.startsWith(root + path.sep) ? file : null;
}

// Serves root on 127.0.0.1 at port (0: a free one) and answers the running server
// and its address, such as http://127.0.0.1:8019/.
export async function serve(root, port = 0) {
    const folder = path.resolve(root);
    const server = http.createServer(async (request, response) => {
        if (request.method !== 'GET' && request.method !== 'HEAD') {
            response.writeHead(405, { Allow: 'GET, HEAD' }).end();
            return;
        }
        let file = fileOf(folder, request.url);
        try {
            if (file && (await fs.stat(file)).isDirectory()) {
                file = path.join(file, 'index.html');
            }
            const stat = file ? await fs.stat(file) : null;
            if (!stat || !stat.isFile()) {
                response.writeHead(404, { 'Content-Type': 'text/plain' }).end('not found\n');
                return;
            }
            response.writeHead(200, {
                'Content-Type': CONTENT_TYPES[path.extname(file)] ?? 'application/octet-stream',
                'Content-Length': stat.size,
                'Cache-Control': 'no-cache',
            });
            if (request.method === 'HEAD') {
                response.end();
            } else {
                createReadStream(file).pipe(response);
            }
        } catch {
            response.writeHead(404, { 'Content-Type': 'text/plain' }).end('not found\n');
        }
    });
    await new Promise((resolve, reject) => {
        server.once('error', reject);
        server.listen(port, '127.0.0.1', resolve);
    });
    return { server, address: `http://127.0.0.1:${server.address().port}/` };
}

if (process.argv[1] === fileURLToPath(import.meta.url)) {
    const [folder, port = '0'] = process.argv.slice(2);
    if (!folder || !/^\d+$/.test(port) || Number(port) > 65535) {
        console.error('usage: node web/serve.mjs FOLDER [PORT]');
        process.exit(2);
    }
    let served;
    try {
        served = await serve(folder, Number(port));
    } catch (failure) {
        if (failure.code !== 'EADDRINUSE') {
            console.error(`cannot serve on 127.0.0.1:${port}: ${failure.message}`);
            process.exit(1);
        }
        console.log(`Port ${port} is taken; serving on a free one.`);
        served = await serve(folder, 0);
    }
    console.log(`Zephyrant is served at ${served.address} (Ctrl-C stops it)`);
}
