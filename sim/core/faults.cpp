#include "faults.h"

#include <cstdlib>
#include <sstream>

namespace zqsim {
namespace {

bool ParseNumber(const std::string& text, long long lo, long long hi, long long* out) {
    if (text.empty())
        return false;
    char* end = nullptr;
    long long value = std::strtoll(text.c_str(), &end, 0);
    if (*end != '\0' || value < lo || value > hi)
        return false;
    *out = value;
    return true;
}

bool ApplyField(const std::string& key, const std::string& value, FaultRule* rule) {
    long long n = 0;
    if (key == "nth" && ParseNumber(value, 1, 1 << 30, &n)) {
        rule->nth = static_cast<int>(n);
    } else if (key == "from" && ParseNumber(value, 1, 1 << 30, &n)) {
        rule->from = static_cast<int>(n);
    } else if (key == "status" && ParseNumber(value, -2147483648LL, 0xFFFFFFFFLL, &n)) {
        rule->hasStatus = true;
        rule->status = static_cast<std::int32_t>(static_cast<std::uint32_t>(n));
    } else if (key == "threads" && (value == "main" || value == "workers")) {
        rule->threads = value == "main" ? FaultThreads::kMain : FaultThreads::kWorkers;
    } else if (key == "delay" && ParseNumber(value, 0, 600000, &n)) {
        rule->delayMs = static_cast<int>(n);
    } else if (key == "serve" && (value == "0" || value == "1")) {
        rule->serve = value == "1";
    } else if (key == "pull" && (value == "0" || value == "1")) {
        rule->pull = value == "1";
    } else if (key == "count" && ParseNumber(value, 0, 0xFFFFFFFFLL, &n)) {
        rule->hasCount = true;
        rule->count = static_cast<std::uint32_t>(n);
    } else if (key == "unterminated" && (value == "0" || value == "1")) {
        rule->unterminated = value == "1";
    } else if (key == "long_name" && ParseNumber(value, 1, 65536, &n)) {
        rule->longName = static_cast<int>(n);
    } else if (key == "size" && ParseNumber(value, 0, 0xFFFFFFFFLL, &n)) {
        rule->hasSize = true;
        rule->size = static_cast<std::uint32_t>(n);
    } else if (key == "ref_len" && ParseNumber(value, -2147483648LL, 0xFFFFFFFFLL, &n)) {
        rule->hasRefLength = true;
        rule->refLength = static_cast<std::uint32_t>(n);
    } else {
        return false;
    }
    return true;
}

} // namespace

bool FaultRule::AppliesTo(int callIndex) const {
    if (nth != 0 && callIndex != nth)
        return false;
    if (from != 0 && callIndex < from)
        return false;
    return true;
}

bool ParseFaultRules(const std::string& text, std::vector<FaultRule>* rules, std::string* error) {
    std::vector<FaultRule> parsed;
    std::istringstream in(text);
    std::string line;
    int lineNo = 0;
    while (std::getline(in, line)) {
        ++lineNo;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::istringstream words(line);
        std::string word;
        if (!(words >> word) || word[0] == '#')
            continue;
        FaultRule rule;
        rule.function = word;
        while (words >> word) {
            std::size_t eq = word.find('=');
            if (eq == std::string::npos ||
                !ApplyField(word.substr(0, eq), word.substr(eq + 1), &rule)) {
                *error = "line " + std::to_string(lineNo) + ": cannot use '" + word + "'";
                return false;
            }
        }
        parsed.push_back(rule);
    }
    rules->swap(parsed);
    return true;
}

std::string FormatFaultRule(const FaultRule& r) {
    std::ostringstream out;
    out << r.function;
    if (r.nth)
        out << " nth=" << r.nth;
    if (r.from)
        out << " from=" << r.from;
    if (r.threads != FaultThreads::kAll)
        out << " threads=" << (r.threads == FaultThreads::kMain ? "main" : "workers");
    if (r.hasStatus)
        out << " status=0x" << std::hex << static_cast<std::uint32_t>(r.status) << std::dec;
    if (r.delayMs)
        out << " delay=" << r.delayMs;
    if (r.serve)
        out << " serve=1";
    if (r.pull)
        out << " pull=1";
    if (r.hasCount)
        out << " count=" << r.count;
    if (r.unterminated)
        out << " unterminated=1";
    if (r.longName)
        out << " long_name=" << r.longName;
    if (r.hasSize)
        out << " size=" << r.size;
    if (r.hasRefLength)
        out << " ref_len=" << r.refLength;
    return out.str();
}

} // namespace zqsim
