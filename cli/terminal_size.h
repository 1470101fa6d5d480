#pragma once

namespace morsela {

// How many columns the terminal on `fd` has: 80 when it does not say.
int terminalColumns(int fd);

// From now on a change of the terminal's size (SIGWINCH) is noted for terminalResized().
void watchTerminalSize();

// True once after each change of the terminal's size since the last call.
bool terminalResized();

}  // namespace morsela
