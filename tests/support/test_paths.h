// Where the built programs are, seen from a test program in build/windows-tests/tests (or
// build/windows64-tests/tests, which drives the 64-bit build of the same sources).
#pragma once

#include <string>

namespace keystead_test {

std::string ThisProgramDir();
std::string BinDir(); // the test tree's bin: the simulator and copies of the programs
std::string TestBinDir();
// The 32-bit programs that ship: build/windows/bin.
std::string ShippedBinDir();
// A new empty folder under the temporary directory, for one test's rig or files.
std::string MakeTempDir(const char* tag);
void RemoveTree(const std::string& dir);

} // namespace keystead_test
