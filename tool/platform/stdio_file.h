// A C file that closes itself.
#pragma once

#include <cstdio>
#include <memory>

namespace platform {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

using StdioFile = std::unique_ptr<std::FILE, FileCloser>;

} // namespace platform
