#!/usr/bin/env python3
# The game and the checker as players, scripts and level authors meet them. Each row runs a shell
# command in a folder of its own, holding levels/ and the keys, with the game in $GAME and the
# checker in $CHECK, and compares what it printed and its exit status.
#   tests/game.py GAME CHECK
# A Windows build (cairn.exe) runs under wine, on the game's own rows only; its newlines are CR LF,
# and it shows any other CR as '?'.
import os
import subprocess
import sys
import tempfile
from collections import namedtuple
from pathlib import Path

GAME, CHECK = map(os.path.abspath, sys.argv[1:3])
GEN = os.path.join(os.path.dirname(CHECK), "cairn-gen")
WINDOWS = GAME.endswith(".exe")
GAME = "wine " + GAME if WINDOWS else GAME
SOURCE = Path(__file__).resolve().parents[1]

Row = namedtuple("Row", "name levels keys output command errors status",
                 defaults=["cat keys | $GAME", "", 0])


def frame(rows):
    return "\n" * 30 + rows + "\n"


# Frames split by '|', rows by '/'; a part in quotes is a message line.
def shown(shorthand):
    return "".join(part[1:-1] + "\n" if part[0] == '"' else frame(part.replace("/", "\n") + "\n")
                   for part in shorthand.split("|"))


def one(level):
    return {"1.txt": level}


# Each case of an option loop, its input the null device as every command's, prints its status and
# the first line of its error stream, then of its output after a '/'.
def each_of(cases, program):
    return (f"for a in {cases}; do {program} $a > o 2> e; echo $? "
            f'"$(head -n 1 e)/$(head -n 1 o)"; done; {program} -x 2>&1 | tail -n 1')


WALK = "#P E#\n"
WON = shown('#P E#|# PE#|#  P#|"Gratz, you won!"')
BIG = ("#" * 300 + "\n") * 300
# Runs the game with descriptor N set non-blocking, as a careless parent may leave it.
NON_BLOCKING = ("python3 -c 'import os,sys; os.set_blocking(int(sys.argv[1]), False); "
                "os.execvp(sys.argv[2], sys.argv[2:])' ")
FROM = "2 cairn: --from needs a level number from 1 to 2147483647, not "
NUMBER = " needs a whole number from 1 to 17592186044415, not "
ROOM = (" " * 300 + "\n") * 250
CROWD = (("     o       " * 8)[:100] + "\n") * 40

# The game as a player or a script meets it, keys through a pipe.
CAMPAIGNS = [
    Row("EveryByteAsAKey", one(WALK), "".join(map(chr, range(256))),
        shown("#P E#") * 69 + shown("# PE#") * 13 + "Bye!\n"),
    # The last key is a sequence cut off by the end of the input.
    Row("PushNotOntoExit", one("#Po E#"), "dd\x1b[1;",
        shown('#Po E#|# PoE#|# PoE#|# PoE#|"Bye!"')),
    # Any other byte is a wall shown as it is, a tab too; control bytes show as '?', both edges of
    # their ranges, and a sequence that would set the window title.
    Row("OtherBytesAreWallsAndMasked", one("\x1b]0;x\x07P\t0eO\x80\x01\x08\x0b\x1f\nab\x7f\n"), "d",
        shown("?]0;x?P\t0eO\x80????/ab?") * 2 + "Bye!\n"),
    # Levels that start with an empty line are empty and skipped; no marker starts top-left, even
    # on the exit; an empty line ends a level; and in the last level the last marker of the lowest
    # row wins, and a CR is dropped only at the end of a line.
    Row("LoadRules",
        {"1.txt": "", "2.txt": "\nPE", "3.txt": "\r\nPE", "4.txt": " E", "5.txt": "E \n",
         "6.txt": "PE\n\nx", "7.txt": "#P#\r\n#PP#P#\r\nPaP\rb\r\r\n\r\nP\n"},
        "dd",
        "levels/1.txt is empty!\nlevels/2.txt is empty!\nlevels/3.txt is empty!\n" +
        shown('PE| P|P |PE| P|# #/#  # #/ aP?b?|"Bye!"')),
    # A restart plays the level again as its file has it, the first level and the last alike.
    Row("RestartReloads", {"1.txt": "PE", "2.txt": "#Po E#"}, "rddRd",
        shown('PE|PE| P|#Po E#|# PoE#|#Po E#|# PoE#|"Bye!"')),
    # Without options the game keeps to what it did, and says on the error stream where it looked.
    Row("NoLevelOne", {"0.txt": WALK, "2.txt": WALK}, "", "Gratz, you won!\n",
        "cat keys | $GAME 2> log; cut -d: -f1-2 log >&2", "cairn: found no levels\n"),
    # From level 2, and on until the first number without a level.
    Row("FromLevelTwoToTheGap", {"1.txt": "PE\n1", "2.txt": "PE\n2", "4.txt": "PE\n4"}, "dd",
        shown('PE/2| P/2|"Gratz, you won!"'), "cat keys | $GAME --from=2"),
    # A wrong option is named, with the usage after it; an option that leaves nothing to play
    # names the missing file. The last number a level can have is played, and discovery stops
    # there without overflowing; its input is the null device, which is no console but an empty
    # input, so the game ends at once.
    Row("BadArguments", {"1.txt": "PE", "2.txt": "PE", "3.txt": "PE", "2147483647.txt": "PE"}, "",
        f"{FROM}'0'/\n{FROM}'2147483648'/\n2 cairn: --from needs a value/\n"
        "2 cairn: unknown option --form/\n2 cairn: unexpected argument x=1/\n"
        "2 cairn: --help takes no value/\n2 cairn: --levels needs a folder/\n"
        "2 cairn: there is no nowhere/2.txt, nor a level 1/\n"
        "2 cairn: there is no levels/4.txt; the last level is levels/3.txt/\n0 /\n"
        "0 /cairn 1.0.0\n0 /" +
        "usage: cairn [--from N] [--levels DIR] [--help] [--version]\n" * 2,
        each_of("'--from 0' --from=2147483648 --from '--form 7' x=1 --help=x --levels= "
                "'--levels nowhere --from 2' '--from 4' '--from 2147483647' --version -h",
                "$GAME")),
]

SURROUNDINGS = [
    # The game when what is around it fails or misbehaves. A folder where a level should be is
    # reported; a link to nowhere ends the levels.
    Row("FolderAndBrokenLink", {"1.txt": WALK, "3.txt": WALK, "5.txt": "never"}, "dddd",
        shown("#P E#|# PE#|#  P#") + "levels/2.txt could not be read!\n" + WON,
        "mkdir levels/2.txt; ln -s nowhere levels/4.txt; cat keys | $GAME"),
    Row("KeysLateOnNonBlockingInput", one(WALK), "", WON,
        "(sleep 0.5; printf dd) | " + NON_BLOCKING + "0 $GAME"),
    Row("BigFrameOnNonBlockingOutput", one(BIG), "", frame("P" + BIG[1:]) + "Bye!\n",
        NON_BLOCKING + "1 $GAME < /dev/null | (sleep 0.5; cat)"),
    # A small frame fails on its flush, a big one as it is written.
    Row("StopsAtOnceOnDiskFull", one(WALK), "", "", "sleep 3 | timeout 1 $GAME > /dev/full",
        "cairn: cannot write to standard output: No space left on device\n", 1),
    Row("BigFrameToClosedOutput", one(BIG), "d", "", "cat keys | $GAME >&-",
        "cairn: cannot write to standard output: Bad file descriptor\n", 1),
    # 2 GiB of NUL bytes, sparse on disk, then the start marker beyond column 2^31: more than a
    # Point can count. The output is cut short, so that a game that plays it cannot fill the disk.
    Row("LevelTooWide", {"2.txt": WALK}, "dd", "levels/1.txt is too large!\n" + WON,
        "truncate -s 2G levels/1.txt && printf 'P E' >> levels/1.txt && cat keys | $GAME | "
        "head -c 4096"),
    Row("PipeClosedWithSigpipeIgnored", one(WALK), "", "\n",
        "trap '' PIPE; yes 2>/dev/null | { $GAME; echo $? >&2; } | head -c 1",
        "cairn: cannot write to standard output: Broken pipe\n1\n"),
    # The checker. Figures worked out by hand: the lower boulder must go first, as the upper one,
    # pushed first, walls in the exit; two pushes of two boulders are two lines; the open area is
    # taller than wide, and the three bottom-right walls touch no open cell. The level's name is the
    # line after the empty line that ends it. A player who does not plan pushes the upper one.
    Row("CheckPushOrder",
        one("######\n#  # #\n#Po E#\n# o ##\n#  # #\n# ####\n######\n\n Push order \r\n"), "",
        "levels/1.txt: 7 rows, widest 6, 2 boulders, start at levels/1.txt:3:2\n"
        "  name: Push order\n"
        "  open area 4 x 5, dead walls 3 of 42 cells (7.1%)\n"
        "  solution: sdwdd (5 moves, 2 pushes, 2 lines)\n  fewest pushes: 2\n  fewest lines: 2\n"
        "  dead ends: 44 of 89 positions (49.4%)\n"
        "  never reached: 2 cells, the first at levels/1.txt:2:5\n"
        "  unplanned play: jams whatever it chooses, at the soonest after 1 move, d, at "
        "levels/1.txt:3:3\n",
        "$CHECK levels/1.txt | sed 's/, in .*//'"),
    # Counts of one, a start on the exit, no exit, and more cells than two bytes can number. In the
    # table, the bottom row of level 5 touches no open cell: 4 of 16 cells are dead wall; and a
    # file that does not load outweighs a later one without a solution.
    Row("CheckReports",
        {"1.txt": "E o\n", "2.txt": "#P o E#", "3.txt": "o\n\nP", "4.txt": "P" + ROOM[1:-2] + "E\n",
         "5.txt": "####\n#PE#\n####\n####\n\nDoor\n", "6.txt": ""},
        "",
        "  solution:  (0 moves, 0 pushes, 0 lines)\n  dead ends: 0 of 1 position (0.0%)\n"
        "  never reached: 1 cell, the first at levels/1.txt:1:2\n"
        "  1 boulder never moves, the first at levels/1.txt:1:3: draw them as walls\n"
        "  no solution: the exit cannot be reached\n"
        "  never reached: 1 cell, the first at levels/2.txt:1:6\n"
        "  no solution: the level has no exit\n"
        "  1 boulder never moves, the first at levels/3.txt:1:1: draw them as walls\n"
        "  dead ends: 0 of 75000 positions (0.0%)\n2\n"
        "levels/5.txt\t4\t4\t2\t1\t0\t25.0\tsolved\t1\t0\t0\t0\t2\t0.0\t0\td\t0\t1\tDoor\n"
        "levels/2.txt\t1\t7\t5\t1\t1\t0.0\tno solution\t-\t-\t-\t-\t5\t100.0\t1\t-\t0\tjams\t\n",
        "$CHECK levels/[1-4].txt 2> /dev/null | grep 'no sol\\|n:  (\\|ends: 0\\|never'; "
        "$CHECK --table levels/5.txt levels/6.txt levels/7.txt levels/2.txt > t; "
        "echo $?; tail -n +2 t",
        "levels/6.txt is empty!\nCould not open levels/7.txt!\n"),
    # The boulder beside the exit never moves; the one beside it can, once the first of the pair
    # is pushed up from below. The exit is four steps straight on.
    Row("CheckBouldersThatNeverMove", one("########\n#P   Eo#\n# #oo ##\n#   ####\n########\n"), "",
        "  1 boulder never moves, the first at levels/1.txt:2:7: draw them as walls\n"
        "  unplanned play: finishes in 4 moves, dddd: the level is straight\n",
        "$CHECK levels/1.txt | grep 'never\\|unplanned'"),
    # Limits are kept to the last position and byte, and 1 MB is plenty for a small level.
    # Positions are kept as lists of cells, in order, in a room of few boulders, and as sets of
    # cells, some 2 KB each, in a crowded one.
    Row("CheckLimits",
        {"1.txt": "PEo\n",
         "2.txt": "##############\n#P       o   #\n#  o         #\n#           E#\n"
                  "##############\n",
         "3.txt": "P" + CROWD[1:]},
        "",
        "0\n  dead ends: 0 of 2 positions (0.0%)\n"
        "  unplanned play: finishes in 1 move, d: the level is straight\n1\n"
        "  gave up: more than 1 position; raise the limit with --limit\n"
        "  unplanned play: gave up: its choices lead past the limit\n"
        "  dead ends: 0 of 11620 positions (0.0%)\n"
        "  gave up: 514 positions need more than 1 MB; raise the budget with --memory\n"
        "  unplanned play: jams whatever it chooses, at once, at levels/3.txt:1:1\n",
        "for n in 2 1; do $CHECK --limit $n --memory 1 levels/1.txt > o; echo $?; "
        "grep -E 'gave|ends|unpl' o; done; $CHECK levels/2.txt | grep ends; "
        "$CHECK --memory 1 levels/3.txt 2> /dev/null | grep -E 'gave|unpl'"),
    Row("CheckBadArguments", one("PE"), "",
        f"2 cairn-check: --limit{NUMBER}'0'/\n"
        f"2 cairn-check: --limit{NUMBER}'99999999999999999999'/\n"
        f"2 cairn-check: --memory{NUMBER}'17592186044416'/\n2 cairn-check: --limit needs a value/\n"
        "2 cairn-check: no level file given/\n"
        "2 cairn-check: unknown option --tabel/\n2 cairn-check: --table takes no value/\n"
        "0 /cairn-check 1.0.0\n0 /" +
        "usage: cairn-check [--table] [--limit POSITIONS] [--memory MEGABYTES] FILE...\n" * 2,
        each_of("'--limit 0 x' '--limit 99999999999999999999 x' "
                "'--limit=5 --memory 17592186044416 x' 'x --limit' '' '--tabel x' '--table=1 x' "
                "--version --help",
                "$CHECK")),
    # An author's likely mistakes are warned of, with their places as editors give them. Level 2
    # fills an 80 x 24 terminal exactly, and level 3 is a row too tall.
    Row("CheckWarnings", one("\t\to#\n\nname\nnote\n"), "", "",
        "printf '%78sPE\\n' '' > levels/2.txt && seq 22 >> levels/2.txt && "
        "(echo P; seq 23) > levels/3.txt && $CHECK levels/?.txt > o",
        "levels/1.txt:1:1: warning: no start marker P: the player starts here, in the top-left "
        "cell\nlevels/1.txt:1:1: warning: a tab is a wall, though the game shows it as blank "
        "space (2 tabs in all)\nlevels/1.txt:2: warning: this empty line ends the level; the 1 "
        "line after the name below it is never read\nlevels/3.txt: warning: 24 rows, widest 2: "
        "an 80 x 24 terminal shows a level of at most 23 rows of 80 columns whole\n",
        1),
    # The generator names what is wrong, a start that does not load and a room too small to need
    # a push among them, and gives up on a search past its limit as the checker does.
    Row("GenBadArguments", one("Po E"), "",
        "2 cairn-gen: Could not open nowhere!/\n1 cairn-gen: no 2 x 1 room drawn could be "
        "finished with a push; try a larger room/\n2 cairn-gen: WIDTH needs a whole number from 2 "
        "to 78, not '5x'/\n2 cairn-gen: HEIGHT needs a whole number from 1 to 21, not '22'/\n"
        "2 cairn-gen: a climb takes 4 to 6 arguments/\n2 cairn-gen: --lines needs a level file/\n"
        "2 cairn-gen: --lines takes no value/\n2 cairn-gen: --limit goes with --lines/\n"
        "2 cairn-gen: --limit needs a whole number of areas, not '0'/\n"
        "1 /levels/1.txt: gave up: more than 1 area; raise the limit with --limit\n"
        "2 Could not open nowhere!/\n"
        "       cairn-gen [--limit AREAS] --lines FILE...\n",
        each_of("'5 5 10 1 300000 nowhere' '2 1 10 1' '5x 5 3 1' '5 22 3 1' '5 5' --lines "
                "'--lines=3 x' '--limit 5 5 5 3 1' '--limit=0 --lines x' '--limit 1 --lines "
                "levels/1.txt' '--lines nowhere'", "$GEN")),
    # A climb from a START level keeps its size, whatever size is asked for, and prints rooms whose
    # lines the checker, written apart from the generator's search, finds too.
    Row("GenClimbsFromStart", one("######\n#P o #\n#  o #\n# o E#\n######\n"), "", "agree\n",
        "$GEN 2 1 2000 7 300000 levels/1.txt > c && awk 'BEGIN { RS = \"\" } END { print }' c > l "
        "&& tail -n +2 l > levels/2.txt && [ \"$(head -n 1 l | cut -d ' ' -f 2)\" = "
        "\"$($CHECK --table levels/2.txt | tail -n 1 | cut -f 12)\" ] && echo agree"),
    # Where nothing can be installed, ./play and ./run-tests stop with one line that names what is
    # missing.
    Row("InstallHelperRefuses", one("PE"), "", "",
        f"mkdir bin && ln -s \"$(command -v id)\" bin && PATH=$PWD/bin \"$(command -v bash)\" "
        f"-c \". '{SOURCE}/scripts/need.sh' && need cairn-missing\"",
        "cairn: please install these Debian packages first: cairn-missing\n", 1),
    # A newcomer's ./play, then the install, which must build what ./play did not. Installed, the
    # game prefers levels where it is run, and plays its own anywhere else.
    Row("InstalledAfterPlay", one("PE"), "",
        shown('PE| P|"Gratz, you won!"') * 3 +
        frame((SOURCE / "levels/1.txt").read_text().partition("\n\n")[0] + "\n") + "Bye!\n",
        f"mkdir src && tar -C '{SOURCE}' --exclude='./build*' --exclude=./.git -c . | "
        "tar -x -C src && echo d | src/play --levels levels && "
        "cmake --install src/build --prefix prefix > log && g=prefix/games/cairn && echo d | $g && "
        "mkdir l && mv levels/1.txt l && echo d | $g --levels l && "
        "test -e prefix/share/man/man6/cairn-check.6.gz && echo q | $g"),
]


# What differs from the row, as lines to print; none when the row holds.
def play(row):
    with tempfile.TemporaryDirectory() as folder:
        os.mkdir(folder + "/levels")
        Path(folder, "keys").write_bytes(row.keys.encode("latin-1"))
        for name, text in row.levels.items():
            Path(folder, "levels", name).write_bytes(text.encode("latin-1"))
        # What the command prints goes to files of at most 4 GiB, of which the first 16 MiB are
        # read, so a game that writes without end fails its row without filling memory or disk.
        done = subprocess.run(f"ulimit -f 8388608; GAME='timeout 120 {GAME}' "
                              f"CHECK='timeout 120 {CHECK}' GEN='timeout 120 {GEN}'; "
                              f"({row.command}) > stdout 2> stderr",
                              shell=True, cwd=folder, stdin=subprocess.DEVNULL)
        printed = [open(f"{folder}/{name}", "rb").read(1 << 24).decode("latin-1")
                   for name in ("stdout", "stderr")]
    got = [text.replace("\r", "") if WINDOWS else text for text in printed] + [done.returncode]
    return [f"{field}: {g!r:.600}\n  wanted {w!r:.600}"
            for field, g, w in zip(["output", "errors", "status"], got,
                                   [row.output, row.errors, row.status]) if g != w]


rows = CAMPAIGNS + ([] if WINDOWS else SURROUNDINGS)
failed = 0
for row in rows:
    differs = play(row)
    print("FAIL" if differs else "ok  ", row.name)
    print("".join(f"  {line}\n" for line in differs), end="")
    failed += bool(differs)
print(f"{len(rows) - failed} passed, {failed} failed")
sys.exit(failed > 0)
