// Where the built programs are, seen from a test program in build/windows/tests (or
// build/windows64/tests, the 64-bit test build of the same sources).
#pragma once

#include <string>

namespace keystead_test {

std::string ThisProgramDir();
std::string BinDir(); // build/windows/bin
std::string TestBinDir();
// The 32-bit programs that ship: BinDir() itself, unless this is the 64-bit test build.
std::string ShippedBinDir();
// A new empty folder under the temporary directory, for one test's rig or files.
std::string MakeTempDir(const char* tag);
void RemoveTree(const std::string& dir);

} // namespace keystead_test
