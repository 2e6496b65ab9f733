#pragma once

namespace courseeval {

// Whether standard input is a person at a terminal (on Windows: a console) rather than a pipe, a file
// or a device.
bool standardInputIsInteractive();

} // namespace courseeval
