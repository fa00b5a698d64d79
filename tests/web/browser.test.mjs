// The web page in headless Chromium, served on the loopback address as a
// static host would serve it, against the Linux build of the same game.
//   node tests/web/browser.test.mjs BUILD_WEB BUILD OUTPUT_FOLDER
import assert from "node:assert/strict";
import { execSync, spawnSync } from "node:child_process";
import { mkdirSync } from "node:fs";
import { after, before, test } from "node:test";
import puppeteer from "puppeteer-core";
import { serve } from "../../scripts/serve.mjs";

const [web, build, output] = process.argv.slice(2);
const source = new URL("../..", import.meta.url).pathname;
// What the Linux build writes, error stream last, for keys through a pipe.
const linux = (keys, args = []) => {
  const game = spawnSync(`${build}/cairn`, args, { cwd: source, input: keys });
  return Buffer.concat([game.stdout, game.stderr]);
};
// Every level's shortest solution, in the order the game plays them.
const solutions = execSync(`'${build}/cairn-check' $(ls -v levels/[0-9]*.txt)`, { cwd: source })
  .toString()
  .match(/(?<=^ {2}solution: )[wasd]*/gm)
  .join("");

let server, browser, base;
before(async () => {
  server = await serve(web, 0);
  base = `http://127.0.0.1:${server.address().port}/`;
  // Debian's Chromium itself, not the script in /usr/bin that starts it.
  const args = ["--no-sandbox", "--disable-dev-shm-usage"];
  browser = await puppeteer.launch({ executablePath: "/usr/lib/chromium/chromium", args });
});
after(() => Promise.all([browser?.close(), server?.close()]));

// Opens the page, recording the bytes the terminal is given and when each
// write was drawn, every request, and every error.
async function open(query = "", script = () => {}) {
  const page = await browser.newPage();
  const seen = { requests: [], errors: [] };
  page.on("request", (request) => seen.requests.push(request.url()));
  page.on("console", (message) => message.type() === "error" && seen.errors.push(message.text()));
  page.on("pageerror", (error) => seen.errors.push(error.message));
  await page.evaluateOnNewDocument(script);
  await page.evaluateOnNewDocument(() => {
    Object.assign(window, { written: [], drawn: [], pressed: [] });
    addEventListener("keydown", (event) => window.pressed.push(event.timeStamp), true);
    // xterm.js defines Terminal as the page loads; its writes are wrapped as it does.
    let terminal;
    Object.defineProperty(window, "Terminal", {
      get: () => terminal,
      set(value) {
        terminal = value;
        const write = value.prototype.write;
        value.prototype.write = function (data) {
          window.terminal = this;
          const bytes = typeof data === "string" ? new TextEncoder().encode(data) : data;
          window.written.push(...bytes);
          return write.call(this, data, () => window.drawn.push(performance.now()));
        };
      },
    });
  });
  await page.goto(base + query);
  const until = (f, arg) => page.waitForFunction(f, { timeout: 20000 }, arg);
  // The bytes the terminal was given, once there are as many as expected.
  const bytes = async (n) => {
    await until((n) => window.written.length >= n, n);
    return Buffer.from(await page.evaluate(() => window.written));
  };
  const over = async () =>
    (await page.waitForSelector("#over:not([hidden])")).evaluate((over) => over.textContent);
  return { page, seen, until, bytes, over };
}

// The README's figures come from here too: opening to the first frame, and a key to the frame
// that answers it. Loose bounds, for a busy machine.
test("keys play the whole pack as on Linux, from the loopback address alone", async () => {
  const { page, seen, until, bytes, over } = await open();
  await until(() => window.drawn.length > 0);
  const first = await page.evaluate(() => window.drawn[0]);
  mkdirSync(output, { recursive: true });
  await page.screenshot({ path: `${output}/web-page.png` });
  // Single presses, each answered by a frame: moves, an arrow that moves nothing, a lone Escape
  // (a key once no sequence follows it) and a restart.
  const waits = [];
  for (const key of [..."dadadadadadadadadada", "ArrowLeft", "Escape", "r"]) {
    const drawn = await page.evaluate(() => window.drawn.length);
    await page.keyboard.press(key);
    await until((n) => window.drawn.length > n, drawn);
    waits.push(await page.evaluate(() => window.drawn.at(-1) - window.pressed.at(-1)));
  }
  // Then every level's solution in one go, as a paste gives them, so the game takes many keys at
  // once.
  await page.evaluate((keys) => window.terminal.input(keys), solutions);
  const expected = linux("da".repeat(10) + "\x1b[D\x1br" + solutions);
  assert.deepEqual(await bytes(expected.length), expected);
  // The pack is won, shown as lines of a terminal, not as bytes pasted in a row.
  await until(() =>
    [...document.querySelectorAll(".xterm-rows > div")].some(
      (row) => row.textContent.trimEnd() === "Gratz, you won!",
    ),
  );
  assert.equal(await page.$eval("#over", (over) => over.hidden), true);
  await page.keyboard.type("x");
  assert.match(await over(), /The game is over/);
  assert.deepEqual(seen.errors, []);
  assert.ok(seen.requests.every((url) => url.startsWith(base)), seen.requests.join("\n"));
  const [median, slowest] = [10, 19].map((i) => waits.slice(0, 20).sort((a, b) => a - b)[i]);
  console.log(`first frame ${first.toFixed(0)} ms; key to frame: median ${median.toFixed(1)} ms,`,
    `slowest ${slowest.toFixed(1)} ms`);
  assert.ok(first < 3000 && median < 48, `first frame ${first} ms, key to frame ${median} ms`);
});

test("?from=99 is refused as --from 99 is on Linux", async () => {
  const expected = linux("", ["--from", "99"]);
  const { bytes } = await open("?from=99");
  assert.deepEqual(await bytes(expected.length), expected);
});

test("a browser without WebAssembly is told so", async () => {
  const { over } = await open("", () => delete window.WebAssembly);
  assert.match(await over(), /cannot run WebAssembly/);
});
