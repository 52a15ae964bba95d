#pragma once

namespace velmorra::testing {

// True in a copy of the test program started by RunCurrentTestWithoutLibrary.
bool RunningWithoutLibrary();

// Copies the running test program into a fresh temporary directory, where no SQLite library lies
// next to it, and runs only the current test there. Returns the copy's exit status (0 when the
// test passed there). The test body checks RunningWithoutLibrary() to tell the two runs apart.
int RunCurrentTestWithoutLibrary();

}  // namespace velmorra::testing
