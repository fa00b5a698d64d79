// With Asyncify, main first returns to the page when it waits for its first
// key, and only truly returns once the game is over. The program is ended
// then, as it would end on any other system, so the page hears of it. Ending
// unwinds by throwing an ExitStatus, which is the ending itself, not an error
// for the page's console.
addOnPostRun(() => {
  if (!Asyncify.currData) return;
  Asyncify.whenDone().then((status) => {
    try {
      exit(status);
    } catch (thrown) {
      if (!(thrown instanceof ExitStatus)) throw thrown;
    }
  });
});
