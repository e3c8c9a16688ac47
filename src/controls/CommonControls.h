#pragma once
// comctl32, loaded on first need rather than at start-up: the program's own
// windows need none of it, and loading it costs more than the first paint's
// buttons. Tool tips call this before they make their window.

// Loads comctl32 and registers its classes; true when they can be used. The
// first call does the work (and logs a failure), later ones return its answer.
bool LoadCommonControls();
