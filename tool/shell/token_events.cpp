#include "token_events.h"

#include <cctype>
#include <cstring>
#include <string>

namespace shell {

bool NameMarksToken(const char* name, std::size_t length) {
    if (!name)
        return false;
    std::string upper;
    for (std::size_t i = 0; i < length && name[i] != '\0'; ++i)
        upper.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(name[i]))));
    return std::strstr(upper.c_str(), "VELQ") != nullptr;
}

} // namespace shell
