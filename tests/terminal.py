#!/usr/bin/env python3
# Every way out of the game on a pseudo-terminal puts the terminal back.
#   tests/terminal.py GAME
# The game runs as a shell with job control runs it: in a process group of its
# own in the foreground, its parent in the session passing on how it ended (128
# plus the signal that ended it). The test keeps the slave side open too, so it
# can read the settings after the game has gone.
import os
import select
import sys
import tempfile
import time
from signal import *
from termios import ECHO, ICANON, ISIG, tcgetattr

GAME = os.path.abspath(sys.argv[1])
FOLDER = tempfile.TemporaryDirectory()
os.mkdir(FOLDER.name + "/levels")
with open(FOLDER.name + "/levels/1.txt", "w") as level:
    level.write("#P E#\n")


# A signal the shell tells the game to ignore, as for a job in the background,
# stays ignored; the others have their usual action, whatever the test was
# started to ignore.
def job(ignored):
    if os.fork():
        code = os.waitstatus_to_exitcode(os.wait()[1])
        os._exit(code if code >= 0 else 128 - code)
    os.setpgid(0, 0)
    for number in [SIGINT, SIGQUIT, SIGHUP, SIGTERM, SIGPIPE]:
        signal(number, SIG_IGN if number == ignored else SIG_DFL)
    signal(SIGTTOU, SIG_IGN)
    os.tcsetpgrp(0, os.getpid())
    os.chdir(FOLDER.name)
    os.execv(GAME, ["cairn"])


class Game:
    def __init__(self, ignored):
        self.master, self.slave = os.openpty()
        self.before = tcgetattr(self.slave)
        self.screen, self.seen, self.ended = b"", 0, None
        self.pid = os.fork()
        if self.pid == 0:
            os.login_tty(self.slave)
            job(ignored)
        self.pidfd = os.pidfd_open(self.pid)

    # Reads the screen until text shows after what earlier waits found, within the time even
    # while output keeps coming.
    def wait_for(self, text, seconds=5):
        end = time.time() + seconds
        while (at := self.screen.find(text.encode(), self.seen)) < 0:
            if not select.select([self.master], [], [], max(0, end - time.time()))[0]:
                raise AssertionError("no " + text)
            self.screen += os.read(self.master, 4096)
        self.seen = at + len(text)

    def type(self, keys):
        os.write(self.master, keys.encode())

    def signal(self, number):
        os.killpg(os.tcgetpgrp(self.master), number)

    # The exit status once the game has ended, or None if it does not in time.
    def status(self, seconds=5):
        if self.ended is None and select.select([self.pidfd], [], [], seconds)[0]:
            self.ended = os.waitstatus_to_exitcode(os.waitpid(self.pid, 0)[1])
        return self.ended

    # Keys come singly and without echo, or do not, within a second.
    def single_keys(self, wanted=True):
        for _ in range(100):
            if (tcgetattr(self.slave)[3] & (ICANON | ECHO | ISIG) == ISIG) == wanted:
                return
            time.sleep(0.01)
        raise AssertionError("single keys" if wanted else "cooked")

    # Keys, then a closing line that shows before the last key is read; the game waits for it.
    def close_with(self, keys, message):
        self.type(keys)
        self.wait_for(message)
        assert self.status(0.2) is None, "ended without its last key"
        self.type("x")

    # Ctrl-Z: cooked while suspended; once continued, what was shown is shown again at once, and
    # single keys again.
    def stop_and_continue(self, shown):
        self.type("\x1a")
        self.single_keys(False)
        self.signal(SIGCONT)
        self.wait_for(shown)
        self.single_keys()

    def suspend(self):
        self.stop_and_continue("# PE#")
        self.type("a")
        self.wait_for("#P E#")
        self.close_with("q", "Bye!")


# Each way: what is done once the game has taken a key, the signal that ends it
# (0 for an exit with status 0), and a signal it is started to ignore.
WAYS = {
    "Quit": (lambda g: g.close_with("q", "Bye!"), 0, 0),
    # A lone Escape is a key once no sequence follows it, so the frame is drawn again.
    "LoneEscape": (lambda g: (g.type("\x1b"), g.wait_for("# PE#", 0.5), g.close_with("q", "Bye!")),
                   0, 0),
    "CtrlC": (lambda g: g.type("\x03"), SIGINT, 0),
    # The terminal drops what was typed along with Ctrl-C, so the next key comes after.
    "CtrlCIgnored": (lambda g: (g.type("\x03"), time.sleep(0.2),
                                g.close_with("d", "Gratz, you won!")), 0, SIGINT),
    "CtrlBackslash": (lambda g: g.type("\x1c"), SIGQUIT, 0),
    "Suspend": (Game.suspend, 0, 0),
    # Stopped while it waits for its last key, the game says its closing line again.
    "SuspendAtTheEnd": (lambda g: (g.type("q"), g.wait_for("Bye!"), g.stop_and_continue("Bye!"),
                                   g.type("x")), 0, 0),
}
# Signals sent by others: the end of a session, a failed assertion, a crash, a closed pipe.
for number in [SIGTERM, SIGHUP, SIGABRT, SIGSEGV, SIGPIPE]:
    WAYS[number.name] = (lambda g, n=number: g.signal(n), number, 0)


# Each game first takes a key without Enter and without echoing it.
def way_out(act, ends, ignored):
    game = Game(ignored)
    try:
        game.wait_for("#P E#")
        game.type("d")
        game.wait_for("# PE#")
        game.single_keys()
        act(game)
        assert game.status() == (128 + ends if ends else 0), "exit status"
        now = tcgetattr(game.slave)
        assert [now[i] for i in (0, 3, 6)] == [game.before[i] for i in (0, 3, 6)], "settings"
        assert not any(key in game.screen for key in b"dqx"), "a key was echoed"
    finally:
        if game.status(0) is None:
            os.kill(game.pid, SIGKILL)
        os.close(game.master), os.close(game.slave), os.close(game.pidfd)


failed = 0
for name, way in WAYS.items():
    try:
        way_out(*way)
        print("ok  ", name)
    except (AssertionError, OSError) as error:
        failed += 1
        print("FAIL", name, error)
print(f"{len(WAYS) - failed} passed, {failed} failed")
sys.exit(failed != 0)
