#include "key_containers.h"

namespace zqsim {
namespace {

ContainerRecord* NamedContainer(TokenRecord& token, const std::string& name) {
    if (name.empty())
        return token.containers.empty() ? nullptr : &token.containers.front();
    for (ContainerRecord& c : token.containers) {
        if (c.name == name)
            return &c;
    }
    return nullptr;
}

} // namespace

bool FindKeyContainer(const Rig& rig, const std::string& name, KeyContainerRef* found) {
    for (TokenRecord& token : rig.LoadAll()) {
        if (!token.plugged)
            continue;
        if (ContainerRecord* c = NamedContainer(token, name)) {
            found->serial = token.serial;
            found->container = c->name;
            found->signKey = c->signKey;
            found->exchKey = c->exchKey;
            return true;
        }
    }
    return false;
}

bool KeyContainerPresent(const Rig& rig, const std::string& serial, const std::string& container) {
    TokenRecord token;
    return rig.Load(serial, &token) && token.plugged && NamedContainer(token, container) &&
           !container.empty();
}

bool StoreContainerKey(const Rig& rig, RigFileLock* lock, const std::string& serial,
                       const std::string& container, int keySpec,
                       const std::vector<std::uint8_t>& blob) {
    if ((keySpec != 1 && keySpec != 2) || container.empty())
        return false;
    FileLockScope scope(lock);
    TokenRecord token;
    if (!rig.Load(serial, &token) || !token.plugged)
        return false;
    ContainerRecord* c = NamedContainer(token, container);
    if (!c)
        return false;
    (keySpec == 1 ? c->exchKey : c->signKey) = blob;
    return rig.Save(token);
}

} // namespace zqsim
