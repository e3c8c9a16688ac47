#pragma once
// The macro library commands that the "macro" command forwards to.

#include "Commands.h"

// macro import FILE.mck | macro export NAME FILE.mck (with --data-dir).
int CmdMacroFile(const Options& opts, const Args& args);
