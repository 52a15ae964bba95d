#pragma once

#include <ostream>

namespace velmorra {

// The process's standard output and standard error as streams of the program's 8-bit text
// (UTF-8). On Windows a console gets the text as UTF-16 (WriteConsoleW), so that every letter
// shows whatever the console's code page; a pipe or a file gets the UTF-8 bytes, with each line
// ending in CR LF as Windows programs expect (on Linux, as written). Standard error
// is written at once; standard output when flushed, and at the latest when the program ends.
std::ostream& StandardOutput();
std::ostream& StandardError();

}  // namespace velmorra
