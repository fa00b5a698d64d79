#!/usr/bin/env python3
# The shipped levels: every one keeps the marks of a designed level and can be finished as the
# table in docs/levels.md, which names them as their files do, says; from level 6 on the pack
# climbs in the lines it needs, and the search by lines, written apart from the solver, finds the
# same fewest lines and dead ends, in fewer positions: it leaves out the player on an exit. From
# level 6 on every boulder can move, and from level 9 on a player who does not plan jams. The
# browser test plays their solutions in the real game.
#   tests/pack.py CHECK GEN
import os
import subprocess
import sys

CHECK, GEN = map(os.path.abspath, sys.argv[1:3])
os.chdir(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


# Walls of '#' only, and every open cell enclosed: all eight neighbours exist.
def enclosed(rows):
    for y, row in enumerate(rows):
        for x, cell in enumerate(row):
            edge = y in (0, len(rows) - 1) or x == 0 or x + 1 >= min(map(len, rows[y - 1:y + 2]))
            if edge if cell in " oEP" else cell != "#":
                return False
    return True


files = []
while os.path.exists(f"levels/{len(files) + 1}.txt"):
    files.append(f"levels/{len(files) + 1}.txt")
# The columns are named in the table's first line.
report = subprocess.run(f"timeout 900 {CHECK} --table {' '.join(files)} && "
                        f"timeout 300 {GEN} --lines {' '.join(files)}", shell=True,
                        stdout=subprocess.PIPE, text=True, check=True).stdout.splitlines()
readme = open("docs/levels.md").read()
broken = [] if len(files) >= 25 else ["fewer than 25 levels"]
before = 0
for level, file in enumerate(files, 1):
    f = report[level].split("\t")
    lines, last = int(f[11]), len(files)
    row = readme.partition(f"\n| {level} | ")[2].partition("\n")[0]
    w = report[last + level].split()  # FILE: LINES lines, POSITIONS positions, DEAD dead ends
    # At most 20 x 60, a tenth dead wall, no floor that no play reaches; and the climb: from 6 on
    # a push at least and no fewer lines than the one before, half dead ends from 10 on, at least
    # 20 lines in each of the last five and 25 in the last.
    marks = {
        "enclosed": enclosed(open(file).read().split("\n\n")[0].splitlines()),
        "table row": f[18] and row == f"{f[18]} | {f[8]} | {f[10]} | {f[11]} | {f[13]}% | "
                      f"{f[16]} | " + ("jams |" if f[17] == "jams" else f"finishes in {f[17]} |"),
        "search by lines": w[:2] == [f"{f[0]}:", str(lines)] and int(w[3]) < int(f[12]) and
                           f"{100 * int(w[5]) / int(f[12]):.1f}" == f[13],
        "size": int(f[1]) <= 20 and int(f[2]) <= 60 and float(f[6]) <= 10 and f[14] == "0",
        "climb": level < 6 or (f[10] != "0" and lines >= before),
        "dead ends": level < 10 or float(f[13]) >= 50,
        "no boulder that never moves": level < 6 or f[16] == "0",
        "not straight": level < 9 or f[17] == "jams",
        "lines": (level + 5 <= last or lines >= 20) and (level < last or lines >= 25),
    }
    before = lines
    broken += [f"level {level}: {mark}" for mark, kept in marks.items() if not kept]
print("\n".join(broken + [f"{len(files)} levels, {len(broken)} marks broken"]))
sys.exit(len(broken) > 0)
