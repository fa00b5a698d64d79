// The web page in headless Chromium, served on the loopback address as a
// static host would serve it, against the Linux build of the same game.
//   node tests/web/browser.test.mjs BUILD_WEB BUILD OUTPUT_FOLDER
import assert from "node:assert/strict";
import { execFileSync, spawnSync } from "node:child_process";
import { existsSync, mkdirSync, readdirSync, readFileSync } from "node:fs";
import { after, before, test } from "node:test";
import puppeteer from "puppeteer-core";
import { serve } from "../../scripts/serve.mjs";

const [web, build, output] = process.argv.slice(2);
const source = new URL("../..", import.meta.url).pathname;
const levels = readdirSync(`${source}/levels`).filter((name) => /^\d+\.txt$/.test(name));
const levelPaths = levels.map((_, i) => `levels/${i + 1}.txt`);

// What the Linux build writes for keys through a pipe, in the source folder.
const linux = (keys, args = []) =>
  execFileSync(`${build}/cairn`, args, { cwd: source, input: keys });

// Each level's shortest solution, from the checker.
const solutions = execFileSync(`${build}/cairn-check`, levelPaths, { cwd: source })
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

// Opens the page with the bytes the terminal is given recorded, with the time
// each was drawn, and every request and console error noted.
async function open(query = "", beforeLoad = () => {}) {
  const page = await browser.newPage();
  await page.setViewport({ width: 900, height: 720 });
  const seen = { requests: [], errors: [] };
  page.on("request", (request) => seen.requests.push(request.url()));
  page.on("console", (message) => message.type() === "error" && seen.errors.push(message.text()));
  page.on("pageerror", (error) => seen.errors.push(error.message));
  await page.evaluateOnNewDocument(() => {
    window.written = [];
    window.drawn = [];
    let terminal;
    Object.defineProperty(window, "Terminal", {
      get: () => terminal,
      set(value) {
        terminal = value;
        const write = value.prototype.write;
        value.prototype.write = function (data, done) {
          const bytes = typeof data === "string" ? new TextEncoder().encode(data) : data;
          window.written.push(...bytes);
          return write.call(this, data, () => {
            window.drawn.push(performance.now());
            if (done) done();
          });
        };
      },
    });
  });
  await beforeLoad(page);
  await page.goto(base + query);
  return { page, seen };
}

const bytesOf = async (page) => Buffer.from(await page.evaluate(() => window.written.slice()));
const screen = (page) =>
  page.$$eval(".xterm-rows > div", (rows) => rows.map((row) => row.textContent.trimEnd()));

// Waits until the terminal has been given as many bytes as the Linux build
// wrote, or more.
async function waitForBytes(page, count) {
  await page.waitForFunction((n) => window.written.length >= n, { timeout: 20000 }, count);
}

// The last frame of output, as the lines a terminal shows.
function lastFrame(bytes) {
  const text = Buffer.from(bytes).toString();
  const frames = text.split("\n".repeat(30));
  return frames[frames.length - 1].split("\n");
}

test("the page opens from the loopback address alone, with level 1's first frame", async () => {
  const { page, seen } = await open();
  const first = linux("");
  const frame = first.subarray(0, first.length - "Bye!\n".length);
  await waitForBytes(page, frame.length);
  assert.deepEqual(await bytesOf(page), frame);
  const rows = readFileSync(`${source}/levels/1.txt`, "utf8").trimEnd().split("\n");
  await page.waitForFunction(() => window.drawn.length > 0);
  const shown = await screen(page);
  const at = shown.indexOf(lastFrame(frame)[0]);
  assert.deepEqual(shown.slice(at, at + rows.length), lastFrame(frame).slice(0, rows.length));
  mkdirSync(output, { recursive: true });
  await page.screenshot({ path: `${output}/web-page.png` });
  assert.deepEqual(seen.errors, []);
  assert.ok(seen.requests.every((url) => url.startsWith(base)), seen.requests.join("\n"));
  await page.close();
});

test("keys typed into the terminal play level 1, restart, ignore an arrow and quit", async () => {
  const { page } = await open();
  await waitForBytes(page, 1);
  await page.keyboard.type(solutions[0] + "d");
  await page.keyboard.press("ArrowLeft");
  await page.keyboard.type("rq");
  const expected = linux(solutions[0] + "d\x1b[Drq");
  await waitForBytes(page, expected.length);
  assert.deepEqual(await bytesOf(page), expected);
  assert.ok(expected.toString().endsWith("Bye!\n"));
  assert.equal((await screen(page)).filter((row) => row === "Bye!").length, 1);
  assert.equal(await page.$eval("#over", (over) => over.hidden), true);
  await page.keyboard.type("x");
  await page.waitForSelector("#over:not([hidden])");
  assert.match(await page.$eval("#over", (over) => over.textContent), /The game is over/);
  await page.close();
});

test("the whole pack's solutions write the bytes the Linux build writes", async () => {
  const { page } = await open();
  await waitForBytes(page, 1);
  const keys = solutions.join("");
  await page.keyboard.type(keys);
  const expected = linux(keys);
  await waitForBytes(page, expected.length);
  assert.deepEqual(await bytesOf(page), expected);
  assert.ok(expected.toString().endsWith("Gratz, you won!\n"));
  await page.close();
});

test("?from=N starts at level N, and a level past the last is refused as on Linux", async () => {
  for (const [from, keys] of [["2", "q"], ["99", ""]]) {
    const { page } = await open(`?from=${from}`);
    await page.keyboard.type(keys);
    const game = spawnSync(`${build}/cairn`, ["--from", from], { cwd: source, input: keys });
    const expected = Buffer.concat([game.stdout, game.stderr]);
    await waitForBytes(page, expected.length);
    assert.deepEqual((await bytesOf(page)).toString(), expected.toString());
    await page.close();
  }
});

// The figures the README gives: the time from opening the page to its first
// frame, and from a key press to the frame that answers it on the largest
// level. The bounds are loose, for a busy machine; the figures are printed.
test("the first frame and the answer to a key come quickly", async () => {
  const size = (name) => readFileSync(`${source}/levels/${name}`).length;
  const largest = levels.reduce((a, b) => (size(a) >= size(b) ? a : b));
  const { page } = await open(`?from=${parseInt(largest)}`, (p) =>
    p.evaluateOnNewDocument(() => {
      window.pressed = [];
      addEventListener("keydown", (event) => window.pressed.push(event.timeStamp), true);
    }),
  );
  await page.waitForFunction(() => window.drawn.length > 0);
  const first = await page.evaluate(() => window.drawn[0]);
  const latencies = [];
  for (let i = 0; i < 40; ++i) {
    const drawn = await page.evaluate(() => window.drawn.length);
    await page.keyboard.press(i % 2 ? "KeyA" : "KeyD");
    await page.waitForFunction((n) => window.drawn.length > n, {}, drawn);
    latencies.push(await page.evaluate((n) => window.drawn[n] - window.pressed.at(-1), drawn));
  }
  latencies.sort((a, b) => a - b);
  const median = latencies[latencies.length / 2];
  console.log(`first frame ${first.toFixed(0)} ms; key to frame on ${largest}: median`,
    `${median.toFixed(1)} ms, slowest ${latencies.at(-1).toFixed(1)} ms`);
  assert.ok(first < 3000, `first frame after ${first} ms`);
  assert.ok(median < 48, `median key to frame ${median} ms`);
  await page.close();
});

test("a browser without WebAssembly is told so", async () => {
  const { page } = await open("", (p) => p.evaluateOnNewDocument(() => delete window.WebAssembly));
  await page.waitForSelector("#over:not([hidden])");
  assert.match(await page.$eval("#over", (over) => over.textContent), /cannot run WebAssembly/);
  await page.close();
});
