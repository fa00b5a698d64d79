// With Asyncify, main first returns to the page when it waits for its first
// key, and only truly returns once the game is over. The program is ended
// then, as it would end on any other system, so the page hears of it.
addOnPostRun(() => {
  if (Asyncify.currData) Asyncify.whenDone().then((status) => exit(status));
});
