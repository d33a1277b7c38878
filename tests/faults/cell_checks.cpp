#include "cell_checks.h"

#include <wincrypt.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace fault_campaign {
namespace {

const wchar_t kTokenProvider[] = L"VELQ Cryptographic Service Provider v2.0.0";

bool TouchesToken(const std::string& function) {
    return function != "LockUKey" && function != "UnlockUKey" && function != "ClearPinFromMem";
}

} // namespace

CallFindings CheckCalls(const std::vector<keystead_test::LogLine>& log) {
    CallFindings f;
    std::map<DWORD, int> depth, open;
    for (const keystead_test::LogLine& line : log) {
        ++f.calls;
        int& d = depth[line.tid];
        if (line.function == "LockUKey") {
            ++d;
        } else if (line.function == "UnlockUKey") {
            if (--d < 0 && f.bracket.empty())
                f.bracket = "UnlockUKey without LockUKey";
        } else if (d < 1 && TouchesToken(line.function) && f.bracket.empty()) {
            f.bracket = line.function + " outside the lock bracket";
        }
        if (line.function == "ZQ_OpenDev" && line.result == 0)
            ++open[line.tid];
        else if (line.function == "ZQ_CloseDev")
            --open[line.tid];
    }
    for (const auto& d : depth)
        if (d.second > 0 && f.bracket.empty())
            f.bracket = "a bracket left open on thread " + std::to_string(d.first);
    for (const auto& o : open)
        if (o.second != 0 && f.handles.empty())
            f.handles = std::to_string(o.second) + " token(s) left open on thread " +
                        std::to_string(o.first);
    return f;
}

std::string ReadWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool WriteWhole(const std::string& path, const std::string& bytes) {
    const std::string temp = path + ".new";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out << bytes;
        if (!out)
            return false;
    }
    return MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
}

int AccessViolations(const std::string& trace, DWORD pid) {
    char prefix[16];
    std::snprintf(prefix, sizeof prefix, "%04lx:", static_cast<unsigned long>(pid));
    int count = 0;
    std::istringstream lines(trace);
    std::string line;
    while (std::getline(lines, line))
        if (line.compare(0, std::string(prefix).size(), prefix) == 0 &&
            line.find(":trace:seh:dispatch_exception code=c0000005") != std::string::npos)
            ++count;
    return count;
}

std::string StoreFault(const std::vector<keystead_test::StoredCert>& my,
                       const std::vector<keystead_test::StoredCert>& unrelated,
                       const std::vector<std::string>& held,
                       const std::vector<std::string>* expected) {
    for (const keystead_test::StoredCert& u : unrelated) {
        bool kept = false;
        for (const keystead_test::StoredCert& m : my)
            kept = kept || (m.der == u.der && m.provider == u.provider);
        if (!kept)
            return "an unrelated certificate was lost or changed";
    }
    std::map<std::string, int> registered;
    for (const keystead_test::StoredCert& m : my)
        if (m.provider == kTokenProvider)
            ++registered[m.der];
    for (const auto& r : registered) {
        bool known = false;
        for (const std::string& id : held)
            known = known || id == r.first;
        if (!known)
            return "a certificate no token holds is registered";
    }
    if (expected) {
        std::map<std::string, int> wanted;
        for (const std::string& id : *expected)
            ++wanted[id];
        if (registered != wanted)
            return "the tokens' certificates are not registered exactly once each";
    }
    return "";
}

} // namespace fault_campaign
