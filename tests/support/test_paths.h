// Where the built programs are, seen from a test program in build/windows/tests.
#pragma once

#include <string>

namespace keystead_test {

std::string ThisProgramDir();
std::string BinDir(); // build/windows/bin
std::string TestBinDir();
// A new empty folder under the temporary directory, for one test's rig or files.
std::string MakeTempDir(const char* tag);
void RemoveTree(const std::string& dir);

} // namespace keystead_test
