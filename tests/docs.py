#!/usr/bin/env python3
# Every command shown in the documents, as a console block of "$ command" lines each followed by
# what it prints, run from the source folder with the programs of BUILD, prints that today.
#   tests/docs.py BUILD
import os
import re
import subprocess
import sys

BUILD = os.path.abspath(sys.argv[1])
os.chdir(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
failed = count = 0
for document in ["README.md", "CONTRIBUTING.md", "docs/levels.md"]:
    for block in re.findall(r"^```console\n(.*?)^```$", open(document).read(), re.M | re.S):
        for command, shown in re.findall(r"^\$ (.*)\n((?:(?!\$ ).*\n)*)", block, re.M):
            run = command.replace("build/", BUILD + "/")
            got = subprocess.run(["bash", "-c", run], stdout=subprocess.PIPE, text=True,
                                 stdin=subprocess.DEVNULL, timeout=300).stdout
            count += 1
            if got != shown:
                failed += 1
                print(f"FAIL {document}: $ {command}\n  printed {got!r:.600}\n"
                      f"  shown   {shown!r:.600}")
print(f"{count - failed} passed, {failed} failed")
sys.exit(failed > 0 or count == 0)
