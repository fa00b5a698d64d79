// The web page in headless Chromium, served on the loopback address as a
// static host would serve it, against the Linux build of the same game.
//   node tests/web/browser.test.mjs BUILD_WEB BUILD OUTPUT_FOLDER
import assert from "node:assert/strict";
import { execFileSync, spawnSync } from "node:child_process";
import { existsSync, mkdirSync, readdirSync, statSync } from "node:fs";
import { after, before, test } from "node:test";
import puppeteer from "puppeteer-core";
import { serve } from "../../scripts/serve.mjs";

const [web, build, output] = process.argv.slice(2);
const source = new URL("../..", import.meta.url).pathname;
const count = readdirSync(`${source}/levels`).filter((name) => /^\d+\.txt$/.test(name)).length;
const paths = Array.from({ length: count }, (_, i) => `levels/${i + 1}.txt`);
// What the Linux build writes, error stream last, for keys through a pipe.
const linux = (keys, args = []) => {
  const game = spawnSync(`${build}/cairn`, args, { cwd: source, input: keys });
  return Buffer.concat([game.stdout, game.stderr]);
};
const solutions = execFileSync(`${build}/cairn-check`, paths, { cwd: source })
  .toString()
  .match(/^ {2}solution: [wasd]*/gm)
  .map((line) => line.slice(12));

let server, browser, base;
before(async () => {
  server = await serve(web, 0);
  base = `http://127.0.0.1:${server.address().port}/`;
  const chromium = ["/usr/lib/chromium/chromium", "/usr/bin/chromium"].find(existsSync);
  const args = ["--no-sandbox", "--disable-dev-shm-usage"];
  browser = await puppeteer.launch({ executablePath: chromium, args });
});
after(async () => {
  await browser?.close();
  server?.close();
});

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
  return { page, seen };
}

// The bytes the terminal was given, once there are as many as expected.
async function bytesOf(page, expected) {
  const wait = { timeout: 20000 };
  await page.waitForFunction((n) => window.written.length >= n, wait, expected.length);
  return Buffer.from(await page.evaluate(() => window.written));
}

const overText = async (page) => {
  await page.waitForSelector("#over:not([hidden])");
  return page.$eval("#over", (over) => over.textContent);
};

test("keys play the whole pack as on Linux, from the loopback address alone", async () => {
  const { page, seen } = await open();
  await page.waitForFunction(() => window.drawn.length > 0);
  mkdirSync(output, { recursive: true });
  await page.screenshot({ path: `${output}/web-page.png` });
  // A move, an arrow that moves nothing, a restart, then every level's solution.
  await page.keyboard.type("d");
  await page.keyboard.press("ArrowLeft");
  // The solutions come in one go, as a paste does, so the game takes many keys at once.
  await page.keyboard.type("r");
  await page.evaluate((keys) => window.terminal.input(keys), solutions.join(""));
  const expected = linux("d\x1b[Dr" + solutions.join(""));
  assert.ok(expected.toString().endsWith("Gratz, you won!\n"));
  assert.deepEqual(await bytesOf(page, expected), expected);
  // Shown as lines of a terminal, not as bytes pasted in a row.
  await page.waitForFunction(() =>
    [...document.querySelectorAll(".xterm-rows > div")].some(
      (row) => row.textContent.trimEnd() === "Gratz, you won!",
    ),
  );
  assert.equal(await page.$eval("#over", (over) => over.hidden), true);
  await page.keyboard.type("x");
  assert.match(await overText(page), /The game is over/);
  assert.deepEqual(seen.errors, []);
  assert.ok(seen.requests.every((url) => url.startsWith(base)), seen.requests.join("\n"));
});

test("?from=N is --from N: a level past the last is refused as on Linux", async () => {
  const { page } = await open("?from=99");
  const expected = linux("", ["--from", "99"]);
  assert.equal((await bytesOf(page, expected)).toString(), expected.toString());
});

// The README's figures: opening to the first frame, and a key to the frame
// that answers it on the largest level. Loose bounds, for a busy machine.
test("the first frame and the answer to a key come quickly", async () => {
  const size = (i) => statSync(`${source}/${paths[i]}`).size;
  const largest = paths.reduce((best, _, i) => (size(i) > size(best) ? i : best), 0) + 1;
  const { page } = await open(`?from=${largest}`);
  await page.waitForFunction(() => window.drawn.length > 0);
  const first = await page.evaluate(() => window.drawn[0]);
  const latencies = [];
  for (let i = 0; i < 40; ++i) {
    const drawn = await page.evaluate(() => window.drawn.length);
    await page.keyboard.press(i % 2 ? "KeyA" : "KeyD");
    await page.waitForFunction((n) => window.drawn.length > n, {}, drawn);
    latencies.push(await page.evaluate((n) => window.drawn[n] - window.pressed.at(-1), drawn));
  }
  // A lone Escape is a key once no sequence follows it.
  const drawn = await page.evaluate(() => window.drawn.length);
  await page.keyboard.press("Escape");
  await page.waitForFunction((n) => window.drawn.length > n, { timeout: 2000 }, drawn);
  const median = latencies.sort((a, b) => a - b)[20];
  console.log(`first frame ${first.toFixed(0)} ms; key to frame on level ${largest}:`,
    `median ${median.toFixed(1)} ms, slowest ${latencies.at(-1).toFixed(1)} ms`);
  assert.ok(first < 3000 && median < 48, `first frame ${first} ms, key to frame ${median} ms`);
});

test("a browser without WebAssembly is told so", async () => {
  const { page } = await open("", () => delete window.WebAssembly);
  assert.match(await overText(page), /cannot run WebAssembly/);
});
