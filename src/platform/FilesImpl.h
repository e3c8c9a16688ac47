#pragma once
// The OS-specific half of Files.h, implemented in posix/ and win32/.

#include <cstdio>
#include <string>

namespace platform {

bool FlushToDisk(FILE* f);
// Moves `from` over `to`, replacing it in one step.
bool MoveFileOver(const std::u16string& from, const std::u16string& to);

} // namespace platform
