// The web page in headless Chromium, served on the loopback address as a
// static host would serve it and as one file opened from the disk, on a
// desktop and on phones, against the Linux build of the same game.
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
// What the game draws for keys until it would say "Bye!" at their end.
const frames = (keys, args = []) => {
  const shown = linux(keys, args);
  return shown.subarray(0, shown.lastIndexOf("Bye!"));
};
// Every level's shortest solution and name, in the order the game plays them.
const table = execSync(`'${build}/cairn-check' --table $(ls -v levels/[0-9]*.txt)`, { cwd: source })
  .toString()
  .split("\n")
  .slice(1, -1)
  .map((row) => row.split("\t"));
const solutions = table.map((row) => row[15]).join("");
const solution1 = table[0][15];
const heading = (n) => `Level ${n} of ${table.length} · ${table[n - 1].at(-1)}`;

let server, browser, base;
before(async () => {
  server = await serve(web, 0);
  base = `http://127.0.0.1:${server.address().port}/`;
  // Debian's Chromium itself, not the script in /usr/bin that starts it.
  const args = ["--no-sandbox", "--disable-dev-shm-usage"];
  browser = await puppeteer.launch({ executablePath: "/usr/lib/chromium/chromium", args });
});
after(() => Promise.all([browser?.close(), server?.close()]));

// Opens the page in a browser of its own, with nothing remembered, recording the bytes the
// terminal is given and when each write was drawn, every request, and every error.
async function open(query = "", { script = () => {}, phone, url = base } = {}) {
  const page = await (await browser.createBrowserContext()).newPage();
  if (phone) await page.setViewport({ ...phone, isMobile: true, hasTouch: true });
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
        value.prototype.write = function (data, done) {
          window.terminal = this;
          const bytes = typeof data === "string" ? new TextEncoder().encode(data) : data;
          window.written.push(...bytes);
          return write.call(this, data, () => {
            if (bytes.length > 0) window.drawn.push(performance.now());
            done?.();
          });
        };
      },
    });
  });
  await page.goto(url + query);
  const until = (f, arg) => page.waitForFunction(f, { timeout: 20000 }, arg);
  // The bytes the terminal was given, once there are as many as expected.
  const bytes = async (n) => {
    await until((n) => window.written.length >= n, n);
    return Buffer.from(await page.evaluate(() => window.written));
  };
  const over = async () =>
    (await page.waitForSelector("#over:not([hidden])")).evaluate((over) => over.textContent);
  // The bytes the terminal was given are those of frame, a level's first, and the level shown
  // above the board is the one drawn.
  const starts = async (frame, level) => {
    assert.deepEqual(await bytes(frame.length), frame);
    await until((text) => document.getElementById("level").textContent === text, heading(level));
  };
  return { page, seen, until, bytes, over, starts };
}

// CONTRIBUTING's figures come from here too: opening to the first frame, and a key to the frame
// that answers it. Loose bounds, for a busy machine.
test("keys play the whole pack as on Linux, from the loopback address alone", async () => {
  const { page, seen, until, bytes, over, starts } = await open();
  await starts(frames(""), 1);
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
  assert.ok(await page.$$eval("#controls button", (all) => all.every((b) => b.disabled)));
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
  const { over } = await open("", { script: () => delete window.WebAssembly });
  assert.match(await over(), /cannot run WebAssembly/);
});

// On a phone a tap gives the game the byte its key gives, a swipe is one step, and the phone's
// keyboard stays away; the whole board is in sight, and nothing scrolls sideways or zooms, not
// even after the double tap on Right that level 1's solution starts with.
const labels = { w: "Up", a: "Left", s: "Down", d: "Right", r: "Restart", q: "Quit" };
for (const phone of [{ width: 320, height: 568 }, { width: 390, height: 844 }]) {
  test(`a phone ${phone.width} x ${phone.height} plays by taps and swipes`, async () => {
    const { page, bytes, starts } = await open("", { phone });
    await starts(frames(""), 1);
    const controls = await page.$$eval("#controls button", (all) =>
      all.filter((b) => b.offsetWidth >= 44 && b.offsetHeight >= 44).map((b) => b.ariaLabel));
    assert.deepEqual(controls.sort(), Object.values(labels).sort());
    const inView = (row) => {
      const board = document.getElementById("terminal").getBoundingClientRect();
      const rows = [...document.querySelectorAll(".xterm-rows > div")].map((r) => r.textContent);
      return board.left >= 0 && board.right <= innerWidth && board.bottom <= innerHeight &&
        rows.includes(row) && document.documentElement.scrollWidth <= innerWidth &&
        visualViewport.scale === 1 && document.activeElement.inputMode !== "text";
    };
    assert.ok(await page.evaluate(inView, "# ###E#"));
    for (const key of solution1) await page.tap(`[aria-label=${labels[key]}]`);
    await starts(frames(solution1), 2);
    const { x, y, width, height } = await (await page.$("#terminal")).boundingBox();
    await page.touchscreen.touchStart(x + width / 2, y + height / 2);
    await page.touchscreen.touchMove(x + width / 2 + 60, y + height / 2);
    await page.touchscreen.touchEnd();
    const expected = frames(solution1 + "d");
    assert.deepEqual(await bytes(expected.length), expected);
    assert.ok(await page.evaluate(inView, "#      E#"));
    await page.screenshot({ path: `${output}/web-phone-${phone.width}.png` });
  });
}

// Served from nowhere, as the page in one file opened from the disk.
test("cairn.html plays from the disk, going on from the level reached unless asked", async () => {
  const url = `file://${web}/cairn.html`;
  const { page, seen, starts } = await open("", { url });
  const again = async (act, frame, level) => {
    await page.evaluate(() => (window.written.length = 0));
    await act();
    await starts(frame, level);
  };
  await starts(frames(""), 1);
  await page.keyboard.type(solution1);
  await starts(frames(solution1), 2);
  await again(() => page.reload(), frames("", ["--from", "2"]), 2);
  await again(() => page.click("#restart"), frames(""), 1);
  await again(() => page.goto(url + "?from=3"), frames("", ["--from", "3"]), 3);
  await again(() => page.select("#choose", "5"), frames("", ["--from", "5"]), 5);
  assert.deepEqual(seen.errors, []);
  assert.ok(seen.requests.every((r) => r.startsWith(url) || r.startsWith("data:")), seen.requests);
});
