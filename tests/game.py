#!/usr/bin/env python3
# The game and the level author's tools as players, scripts and authors meet them. Each row runs a
# shell command in a folder of its own, holding levels/ and the keys, with the game in $GAME, the
# checker in $CHECK and the generator in $GEN, and compares what it printed and its exit status.
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

# A row compares the output, or hands it with the folder to its judge, which returns what is wrong.
Row = namedtuple("Row", "name levels keys command output errors status judge",
                 defaults=["", "cat keys | $GAME", "", "", 0, None])


# What the game writes for each grid it draws: the screen scrolled clear, the grid, an empty line.
def frames(*grids):
    return "".join("\n" * 30 + grid + "\n\n" for grid in grids)


def one(level):
    return {"1.txt": level}


# Each case of an option loop, its input the null device as every command's, prints its status and
# the first line of its error stream, then of its output after a '/'.
def each_of(cases, program):
    return (f"for a in {cases}; do {program} $a > o 2> e; echo $? "
            f'"$(head -n 1 e)/$(head -n 1 o)"; done')


WALK = "#P E#\n"
WON = frames("#P E#", "# PE#", "#  P#") + "Gratz, you won!\n"
BIG = ("#" * 300 + "\n") * 300
# Runs the game with descriptor N set non-blocking, as a careless parent may leave it.
NON_BLOCKING = ("python3 -c 'import os,sys; os.set_blocking(int(sys.argv[1]), False); "
                "os.execvp(sys.argv[2], sys.argv[2:])' ")
FROM = "2 cairn: --from needs a level number from 1 to 2147483647, not "
NUMBER = " needs a whole number from 1 to 17592186044415, not "
ROOM = (" " * 300 + "\n") * 250
CROWD = (("     o       " * 8)[:100] + "\n") * 40
NO_START = ":1:1: warning: no start marker P: the player starts here, in the top-left cell\n"


# What a climb prints: rooms of the size asked for inside their walls, with one start and one
# exit, that the checker, written apart from the generator's search, finishes with a push at least
# and in the lines the room is printed with, and that the search took up few enough areas for.
def climbed(width, height, areas):
    def holds(said, level, f):
        rows = level.split("\n")
        return (len(rows) == height and rows[0] == rows[-1] == "#" * width and
                {row[0] + row[-1] + str(len(row)) for row in rows} == {f"##{width}"} and
                level.count("P") == level.count("E") == 1 and f[7] == "solved" and
                f[11] != "0" and said.split()[:2] == ["candidate:", f[11]])

    def judge(folder, printed):
        rooms = [room.partition("\n")[::2] for room in printed.strip("\n").split("\n\n")]
        files = [f"levels/c{n}.txt" for n in range(len(rooms))]
        for file, (_, level) in zip(files, rooms):
            Path(folder, file).write_text(level + "\n")
        run = lambda *a: subprocess.run(a, cwd=folder, stdout=subprocess.PIPE, text=True).stdout
        table = [row.split("\t") for row in run(CHECK, "--table", *files).splitlines()[1:]]
        search = run(GEN, "--limit", str(areas), "--lines", *files)
        return [f"{said}\n{level}" for (said, level), f in zip(rooms, table)
                if not holds(said, level, f)] + [f"{len(rooms)} rooms; {search}"] * (
            len(rooms) < 3 or len(table) != len(rooms) or "gave" in search)
    return judge


# The game as a player or a script meets it, keys through a pipe.
CAMPAIGNS = [
    Row("EveryByteAsAKey", levels=one(WALK), keys="".join(map(chr, range(256))),
        output=frames("#P E#") * 69 + frames("# PE#") * 13 + "Bye!\n"),
    # The last key is a sequence cut off by the end of the input.
    Row("PushNotOntoExit", levels=one("#Po E#"), keys="dd\x1b[1;",
        output=frames("#Po E#", "# PoE#", "# PoE#", "# PoE#") + "Bye!\n"),
    # Any other byte is a wall shown as it is, a tab too; control bytes show as '?', both edges of
    # their ranges, and a sequence that would set the window title.
    Row("OtherBytesAreWallsAndMasked",
        levels=one("\x1b]0;x\x07P\t0eO\x80\x01\x08\x0b\x1f\nab\x7f\n"), keys="d",
        output=frames("?]0;x?P\t0eO\x80????\nab?") * 2 + "Bye!\n"),
    # Levels that start with an empty line are empty and skipped; no marker starts top-left, even
    # on the exit; an empty line ends a level; and in the last level the last marker of the lowest
    # row wins, and a CR is dropped only at the end of a line.
    Row("LoadRules",
        levels={"1.txt": "", "2.txt": "\nPE", "3.txt": "\r\nPE", "4.txt": " E", "5.txt": "E \n",
                "6.txt": "PE\n\nx", "7.txt": "#P#\r\n#PP#P#\r\nPaP\rb\r\r\n\r\nP\n"},
        keys="dd",
        output="levels/1.txt is empty!\nlevels/2.txt is empty!\nlevels/3.txt is empty!\n" +
        frames("PE", " P", "P ", "PE", " P", "# #\n#  # #\n aP?b?") + "Bye!\n"),
    # A restart plays the level again as its file has it, the first level and the last alike.
    Row("RestartReloads", levels={"1.txt": "PE", "2.txt": "#Po E#"}, keys="rddRd",
        output=frames("PE", "PE", " P", "#Po E#", "# PoE#", "#Po E#", "# PoE#") + "Bye!\n"),
    # Without options the game keeps to what it did, and says on the error stream where it looked.
    Row("NoLevelOne", levels={"0.txt": WALK, "2.txt": WALK}, output="Gratz, you won!\n",
        command="cat keys | $GAME 2> log; cut -d: -f1-2 log >&2",
        errors="cairn: found no levels\n"),
    # From level 2, and on until the first number without a level.
    Row("FromLevelTwoToTheGap", levels={"1.txt": "PE\n1", "2.txt": "PE\n2", "4.txt": "PE\n4"},
        keys="dd", command="cat keys | $GAME --from=2",
        output=frames("PE\n2", " P\n2") + "Gratz, you won!\n"),
    # A wrong option is named, with the usage after it; an option that leaves nothing to play
    # names the missing file. The last number a level can have is played, and discovery stops
    # there without overflowing; its input is the null device, which is no console but an empty
    # input, so the game ends at once.
    Row("BadArguments",
        levels={"1.txt": "PE", "2.txt": "PE", "3.txt": "PE", "2147483647.txt": "PE"},
        command=each_of("'--from 0' --from=2147483648 --from '--form 7' x=1 --help=x --levels= "
                        "'--levels nowhere --from 2' '--from 4' '--from 2147483647' --version -h",
                        "$GAME") + "; $GAME -x 2>&1",
        output=f"{FROM}'0'/\n{FROM}'2147483648'/\n2 cairn: --from needs a value/\n"
        "2 cairn: unknown option --form/\n2 cairn: unexpected argument x=1/\n"
        "2 cairn: --help takes no value/\n2 cairn: --levels needs a folder/\n"
        "2 cairn: there is no nowhere/2.txt, nor a level 1/\n"
        "2 cairn: there is no levels/4.txt; the last level is levels/3.txt/\n0 /\n"
        "0 /cairn 1.0.0\n0 /usage: cairn [--from N] [--levels DIR] [--help] [--version]\n"
        "cairn: unknown option -x\nusage: cairn [--from N] [--levels DIR] [--help] [--version]\n",
        status=2),
]

SURROUNDINGS = [
    # The game when what is around it fails or misbehaves. A folder where a level should be is
    # reported; a link to nowhere ends the levels.
    Row("FolderAndBrokenLink", levels={"1.txt": WALK, "3.txt": WALK, "5.txt": "never"},
        keys="dddd", command="mkdir levels/2.txt; ln -s nowhere levels/4.txt; cat keys | $GAME",
        output=frames("#P E#", "# PE#", "#  P#") + "levels/2.txt could not be read!\n" + WON),
    Row("KeysLateOnNonBlockingInput", levels=one(WALK), output=WON,
        command="(sleep 0.5; printf dd) | " + NON_BLOCKING + "0 $GAME"),
    Row("BigFrameOnNonBlockingOutput", levels=one(BIG),
        command=NON_BLOCKING + "1 $GAME < /dev/null | (sleep 0.5; cat)",
        output=frames("P" + BIG[1:-1]) + "Bye!\n"),
    # A small frame fails on its flush, a big one as it is written.
    Row("StopsAtOnceOnDiskFull", levels=one(WALK), command="sleep 3 | timeout 1 $GAME > /dev/full",
        errors="cairn: cannot write to standard output: No space left on device\n", status=1),
    Row("BigFrameToClosedOutput", levels=one(BIG), keys="d", command="cat keys | $GAME >&-",
        errors="cairn: cannot write to standard output: Bad file descriptor\n", status=1),
    # 2 GiB of NUL bytes, sparse on disk, then the start marker beyond column 2^31: more than a
    # Point can count. The output is cut short, so that a game that plays it cannot fill the disk.
    Row("LevelTooWide", levels={"2.txt": WALK}, keys="dd",
        command="truncate -s 2G levels/1.txt && printf 'P E' >> levels/1.txt && "
        "cat keys | $GAME | head -c 4096",
        output="levels/1.txt is too large!\n" + WON),
    Row("PipeClosedWithSigpipeIgnored", levels=one(WALK), output="\n",
        command="trap '' PIPE; yes 2>/dev/null | { $GAME; echo $? >&2; } | head -c 1",
        errors="cairn: cannot write to standard output: Broken pipe\n1\n"),
    # The checker. Figures worked out by hand: the lower boulder must go first, as the upper one,
    # pushed first, walls in the exit; two pushes of two boulders are two lines; the open area is
    # taller than wide, and the three bottom-right walls touch no open cell. The level's name is the
    # line after the empty line that ends it. A player who does not plan pushes the upper one.
    Row("CheckPushOrder",
        levels=one("######\n#  # #\n#Po E#\n# o ##\n#  # #\n# ####\n######\n\n Push order \r\n"),
        command="$CHECK levels/1.txt",
        output="levels/1.txt: 7 rows, widest 6, 2 boulders, start at levels/1.txt:3:2\n"
        "  name: Push order\n  open area 4 x 5, dead walls 3 of 42 cells (7.1%)\n"
        "  solution: sdwdd (5 moves, 2 pushes, 2 lines)\n"
        "  fewest pushes: 2, in sdwdd (5 moves, 2 pushes, 2 lines)\n"
        "  fewest lines: 2, in sdwdd (5 moves, 2 pushes, 2 lines)\n"
        "  dead ends: 44 of 89 positions (49.4%)\n"
        "  never reached: 2 cells, the first at levels/1.txt:2:5\n"
        "  unplanned play: jams whatever it chooses, at the soonest after 1 move, d, at "
        "levels/1.txt:3:3\n"),
    # Counts of one and a start on the exit. In the table: an exit that cannot be reached; no exit;
    # more positions than two bytes can number; a bottom row that touches no open cell, 4 of 16
    # cells dead wall; a boulder beside the exit that never moves, while the one beside it can,
    # once the first of their pair is pushed up from below, and a straight way to the exit; and a
    # file that does not load outweighs a later one without a solution.
    Row("CheckReports",
        levels={"1.txt": "E o\n", "2.txt": "#P o E#", "3.txt": "o\n\nP",
                "4.txt": "P" + ROOM[1:-2] + "E\n", "5.txt": "####\n#PE#\n####\n####\n\nDoor\n",
                "6.txt": "########\n#P   Eo#\n# #oo ##\n#   ####\n########\n", "7.txt": ""},
        command="$CHECK levels/1.txt 2> e | grep ' 1 \\|once'; $CHECK --table levels/[1-7].txt "
        "nowhere levels/2.txt > t 2> e; echo $?; tail -n +2 t | tr '\\t' ,",
        output="levels/1.txt: 1 row, widest 3, 1 boulder, start at levels/1.txt:1:1\n"
        "  dead ends: 0 of 1 position (0.0%)\n"
        "  never reached: 1 cell, the first at levels/1.txt:1:2\n"
        "  1 boulder never moves, the first at levels/1.txt:1:3: draw them as walls\n"
        "  unplanned play: finishes at once: the level is straight\n2\n"
        "levels/1.txt,1,3,3,1,1,0.0,solved,0,0,0,0,1,0.0,1,,1,0,\n"
        "levels/2.txt,1,7,5,1,1,0.0,no solution,-,-,-,-,5,100.0,1,-,0,jams,\n"
        "levels/3.txt,1,1,1,1,1,0.0,no solution,-,-,-,-,1,100.0,0,-,1,jams,P\n"
        "levels/4.txt,250,300,300,250,0,0.0,solved,548,0,0,0,75000,0.0,0," +
        "s" * 249 + "d" * 299 + ",0,548,\n"
        "levels/5.txt,4,4,2,1,0,25.0,solved,1,0,0,0,2,0.0,0,d,0,1,Door\n"
        "levels/6.txt,5,8,6,3,3,10.0,solved,4,0,0,0,82,20.7,0,dddd,1,4,\n"
        "levels/2.txt,1,7,5,1,1,0.0,no solution,-,-,-,-,5,100.0,1,-,0,jams,\n"),
    # Limits are kept to the last position and byte, and 1 MB is plenty for a small level.
    # Positions are kept as lists of cells, in order, in a room of few boulders, and as sets of
    # cells, some 2 KB each, in a crowded one.
    Row("CheckLimits",
        levels={"1.txt": "PEo\n", "2.txt": "##############\n#P       o   #\n#  o         #\n"
                "#           E#\n##############\n", "3.txt": "P" + CROWD[1:]},
        command="$CHECK --table --limit 2 --memory 1 levels/1.txt | cut -f 8,13; for a in "
        "'--limit 1 levels/1.txt' '--memory 1 levels/3.txt'; do $CHECK $a > o 2> /dev/null; "
        "echo $?; grep gave o; done; $CHECK --table levels/2.txt | cut -f 13",
        output="result\tpositions\nsolved\t2\n1\n"
        "  gave up: more than 1 position; raise the limit with --limit\n"
        "  unplanned play: gave up: its choices lead past the limit\n1\n"
        "  gave up: 514 positions need more than 1 MB; raise the budget with --memory\n"
        "positions\n11620\n"),
    Row("CheckBadArguments", levels=one("PE"),
        command=each_of("'--limit 0 x' '--limit 99999999999999999999 x' "
                        "'--limit=5 --memory 17592186044416 x' 'x --limit' '' '--tabel x' "
                        "'--table=1 x' --version --help", "$CHECK"),
        output=f"2 cairn-check: --limit{NUMBER}'0'/\n"
        f"2 cairn-check: --limit{NUMBER}'99999999999999999999'/\n"
        f"2 cairn-check: --memory{NUMBER}'17592186044416'/\n2 cairn-check: --limit needs a value/\n"
        "2 cairn-check: no level file given/\n"
        "2 cairn-check: unknown option --tabel/\n2 cairn-check: --table takes no value/\n"
        "0 /cairn-check 1.0.0\n"
        "0 /usage: cairn-check [--table] [--limit POSITIONS] [--memory MEGABYTES] FILE...\n"),
    # An author's likely mistakes are warned of, with their places as editors give them. Level 2
    # fills an 80 x 24 terminal exactly, and level 3 is a row too tall.
    Row("CheckWarnings", levels=one("\t\to#\n\nname\nnote\n"),
        command="printf '%78sPE\\n' '' > levels/2.txt && seq 22 >> levels/2.txt && "
        "(echo P; seq 23) > levels/3.txt && $CHECK levels/?.txt > o",
        errors="levels/1.txt" + NO_START + "levels/1.txt:1:1: warning: a tab is a wall, though "
        "the game shows it as blank space (2 tabs in all)\nlevels/1.txt:2: warning: this empty "
        "line ends the level; the 1 line after the name below it is never read\nlevels/3.txt: "
        "warning: 24 rows, widest 2: an 80 x 24 terminal shows a level of at most 23 rows of 80 "
        "columns whole\n",
        status=1),
    # The generator names what is wrong, a start that does not load and a room too small to need
    # a push among them, and gives up on a search past its limit as the checker does.
    Row("GenBadArguments", levels=one("Po E"),
        command=each_of("'5 5 10 1 300000 nowhere' '2 1 10 1' '5x 5 3 1' '5 22 3 1' '5 5' "
                        "--lines '--lines=3 x' '--limit 5 5 5 3 1' '--limit=0 --lines x' "
                        "'--limit 1 --lines levels/1.txt' '--lines nowhere' --version -h", "$GEN"),
        output="2 cairn-gen: Could not open nowhere!/\n1 cairn-gen: no 2 x 1 room drawn could be "
        "finished with a push; try a larger room/\n2 cairn-gen: WIDTH needs a whole number from 2 "
        "to 78, not '5x'/\n2 cairn-gen: HEIGHT needs a whole number from 1 to 21, not '22'/\n"
        "2 cairn-gen: a climb takes 4 to 6 arguments/\n2 cairn-gen: --lines needs a level file/\n"
        "2 cairn-gen: --lines takes no value/\n2 cairn-gen: --limit goes with --lines/\n"
        "2 cairn-gen: --limit needs a whole number of areas, not '0'/\n"
        "1 /levels/1.txt: gave up: more than 1 area; raise the limit with --limit\n"
        "2 Could not open nowhere!/\n0 /cairn-gen 1.0.0\n"
        "0 /usage: cairn-gen WIDTH HEIGHT ROUNDS SEED [POSITIONS [START]]\n"),
    # The search by lines ends at an exit: with the boulder stuck beside it, the player walks four
    # cells, where the checker counts a fifth position, on the exit. A boulder pushed once, as far
    # as it goes, walls the exit off: two cells before the push and three after it, all dead.
    Row("GenLinesEndAtTheExit",
        levels={"1.txt": "#####\n#PoE#\n#   #\n#####\n", "2.txt": "#P o E#"},
        command="$GEN --lines levels/1.txt levels/2.txt",
        output="levels/1.txt: 0 lines, 4 positions, 0 dead ends\n"
        "levels/2.txt: no solution, 5 positions, 5 dead ends\n"),
    # A climb from a crowded room it draws, and one from a START level that needs no push, which
    # keeps its own size whatever size is asked for; on this seed the climb moves its exit.
    Row("GenClimbsInARoom", levels={}, command="$GEN 6 3 3000 5 40", judge=climbed(8, 5, 40)),
    Row("GenClimbsFromStart", levels=one("#######\n#P    #\n#  o  #\n# o  E#\n#######\n"),
        command="$GEN 2 1 3000 4 300 levels/1.txt", judge=climbed(7, 5, 300)),
    # Where nothing can be installed, ./play and ./run-tests stop with one line that names what is
    # missing.
    Row("InstallHelperRefuses", levels={},
        command=f"mkdir bin && ln -s \"$(command -v id)\" bin && PATH=$PWD/bin "
        f"\"$(command -v bash)\" -c \". '{SOURCE}/scripts/need.sh' && need cairn-missing\"",
        errors="cairn: please install these Debian packages first: cairn-missing\n", status=1),
    # A newcomer's ./play, then the install, which must build what ./play did not. Installed, the
    # game prefers levels where it is run, and plays its own anywhere else.
    Row("InstalledAfterPlay", levels=one("PE"),
        command=f"mkdir src && tar -C '{SOURCE}' --exclude='./build*' --exclude=./.git -c . | "
        "tar -x -C src && echo d | src/play --levels levels && "
        "cmake --install src/build --prefix prefix > log && g=prefix/games/cairn && echo d | $g && "
        "mkdir l && mv levels/1.txt l && echo d | $g --levels l && "
        "test -e prefix/share/man/man6/cairn-check.6.gz && echo q | $g",
        output=(frames("PE", " P") + "Gratz, you won!\n") * 3 +
        frames((SOURCE / "levels/1.txt").read_text().partition("\n\n")[0]) + "Bye!\n"),
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
        judged = row.judge(folder, got[0]) if row.judge else []
    wanted = [got[0] if row.judge else row.output, row.errors, row.status]
    return judged + [f"{field}: {g!r:.600}\n  wanted {w!r:.600}"
                     for field, g, w in zip(["output", "errors", "status"], got, wanted) if g != w]


rows = CAMPAIGNS + ([] if WINDOWS else SURROUNDINGS)
failed = 0
for row in rows:
    differs = play(row)
    print("FAIL" if differs else "ok  ", row.name)
    print("".join(f"  {line}\n" for line in differs), end="")
    failed += bool(differs)
print(f"{len(rows) - failed} passed, {failed} failed")
sys.exit(failed > 0)
