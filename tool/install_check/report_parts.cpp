#include "report_parts.h"

#include <cstring>

namespace install_check {

std::string TextInBuffer(const char* buffer, std::size_t size) {
    const void* end = std::memchr(buffer, '\0', size);
    if (!end)
        return std::string();
    return std::string(buffer, static_cast<std::size_t>(static_cast<const char*>(end) - buffer));
}

bool IsVelqProviderName(const char* name) {
    return std::strncmp(name, "VELQ", 4) == 0;
}

bool SystemFilePath(const char* directory, const char* file, char* path, std::size_t capacity) {
    const std::size_t directoryLength = std::strlen(directory), fileLength = std::strlen(file);
    if (capacity == 0)
        return false;
    path[0] = '\0';
    if (directoryLength + 1 + fileLength >= capacity)
        return false;
    std::memcpy(path, directory, directoryLength);
    path[directoryLength] = '\\';
    std::memcpy(path + directoryLength + 1, file, fileLength + 1);
    return true;
}

} // namespace install_check
