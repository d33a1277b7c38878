#include "test_paths.h"

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <filesystem>

namespace keystead_test {

std::string ThisProgramDir() {
    char path[MAX_PATH + 1];
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string full(path, n < sizeof path ? n : 0);
    return full.substr(0, full.find_last_of("\\/"));
}

std::string TestBinDir() {
    return ThisProgramDir();
}

std::string BinDir() {
    return ThisProgramDir() + "\\..\\bin";
}

std::string ShippedBinDir() {
    // Every test tree sits in build/, beside build/windows, the tree of the shipped files.
    return ThisProgramDir() + "\\..\\..\\windows\\bin";
}

std::string MakeTempDir(const char* tag) {
    static std::atomic<unsigned> counter{0};
    char temp[MAX_PATH + 1];
    GetTempPathA(sizeof temp, temp);
    char name[MAX_PATH + 64];
    std::snprintf(name, sizeof name, "%sks-%s-%lu-%u", temp, tag,
                  static_cast<unsigned long>(GetCurrentProcessId()), counter.fetch_add(1));
    std::filesystem::create_directories(name);
    return name;
}

void RemoveTree(const std::string& dir) {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
}

} // namespace keystead_test
