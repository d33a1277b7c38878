// The rig's fault table as any text: parsing never fails badly, and every rule parsed comes
// back the same through FormatFaultRule and ParseFaultRules, alone and as a whole table.
#include "core/faults.h"
#include "fuzz_input.h"

namespace {

bool SameRule(const zqsim::FaultRule& a, const zqsim::FaultRule& b) {
    return a.function == b.function && a.threads == b.threads && a.nth == b.nth &&
           a.from == b.from && a.hasStatus == b.hasStatus && a.status == b.status &&
           a.delayMs == b.delayMs && a.pull == b.pull && a.hasCount == b.hasCount &&
           a.count == b.count && a.unterminated == b.unterminated && a.longName == b.longName &&
           a.hasSize == b.hasSize && a.size == b.size;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    const std::string text = in.Rest();
    std::vector<zqsim::FaultRule> rules;
    std::string error;
    if (!zqsim::ParseFaultRules(text, &rules, &error)) {
        FUZZ_CHECK(!error.empty());
        FUZZ_CHECK(rules.empty());
        return 0;
    }
    std::string table;
    for (const zqsim::FaultRule& rule : rules) {
        FUZZ_CHECK(!rule.function.empty() && rule.function[0] != '#');
        FUZZ_CHECK(rule.nth >= 0 && rule.from >= 0 && rule.delayMs >= 0 && rule.longName >= 0);
        const std::string line = zqsim::FormatFaultRule(rule);
        std::vector<zqsim::FaultRule> one;
        FUZZ_CHECK(zqsim::ParseFaultRules(line, &one, &error));
        FUZZ_CHECK(one.size() == 1 && SameRule(one[0], rule));
        table += line + "\n";
    }
    std::vector<zqsim::FaultRule> again;
    FUZZ_CHECK(zqsim::ParseFaultRules(table, &again, &error));
    FUZZ_CHECK(again.size() == rules.size());
    for (std::size_t i = 0; i < rules.size(); ++i)
        FUZZ_CHECK(SameRule(again[i], rules[i]));
    return 0;
}
