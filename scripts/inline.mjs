// Makes the web page one file: the page in FOLDER with its style sheet, its
// terminal and the game (a script that carries its WebAssembly) written into
// it, so that it plays when opened from the disk, with no server.
//   node scripts/inline.mjs FOLDER GAME_SCRIPT OUTPUT
import { readFileSync, writeFileSync } from "node:fs";
import { join } from "node:path";

const [folder, game, output] = process.argv.slice(2);
const read = (name) => readFileSync(join(folder, name), "utf8");
// Inside a script element only its closing tag ends it; none of the scripts has one, and a
// change that brings one in must not cut the page short without a word.
const script = (name) => {
  const text = read(name).replace(/\n\/\/# sourceMappingURL=.*\s*$/, "\n");
  if (/<\/script/i.test(text)) throw new Error(`${name} holds a closing script tag`);
  return text;
};
const parts = {
  '<link rel="stylesheet" href="xterm.css">': `<style>\n${read("xterm.css")}</style>`,
  '<script src="xterm.js"></script>': `<script>\n${script("xterm.js")}</script>\n` +
    `<script type="text/plain" id="cairn-game">\n${script(game)}</script>`,
};
let page = read("index.html");
for (const [tag, inlined] of Object.entries(parts)) {
  if (!page.includes(tag)) throw new Error(`index.html has no ${tag}`);
  page = page.replace(tag, () => inlined);
}
writeFileSync(join(folder, output), page);
