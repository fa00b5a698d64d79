// Serves a folder on the loopback address, as any static host would: files
// only, with the types a browser needs for WebAssembly. Quiet while all is
// well; used by ./play --web and by the browser tests.
//   node scripts/serve.mjs FOLDER [PORT]    (port 0 picks a free one)
import { createServer } from "node:http";
import { readFile } from "node:fs/promises";
import { extname, join, normalize } from "node:path";

const types = {
  ".html": "text/html; charset=utf-8",
  ".js": "text/javascript",
  ".css": "text/css",
  ".wasm": "application/wasm",
  ".png": "image/png",
};

export function serve(folder, port) {
  const server = createServer(async (request, response) => {
    const path = normalize(decodeURIComponent(new URL(request.url, "http://x").pathname));
    const file = join(folder, path.endsWith("/") ? path + "index.html" : path);
    try {
      const body = await readFile(file);
      response.writeHead(200, { "Content-Type": types[extname(file)] || "application/octet-stream" });
      response.end(body);
    } catch {
      response.writeHead(404).end();
    }
  });
  return new Promise((resolve, reject) => {
    server.once("error", reject);
    server.listen(port, "127.0.0.1", () => resolve(server));
  });
}

if (import.meta.url === `file://${process.argv[1]}`) {
  const [folder, port = "8000"] = process.argv.slice(2);
  serve(folder, Number(port)).then(
    (server) => {
      const url = `http://127.0.0.1:${server.address().port}/`;
      console.log(`cairn: playing at ${url} (Ctrl-C stops)`);
    },
    (error) => {
      console.error(`cairn: cannot serve on 127.0.0.1:${port}: ${error.message}`);
      process.exit(1);
    },
  );
}
