// The vendor calls that failed in this process, newest last: what bank staff need to see when a
// customer says "the token does not work". Kept in memory only, the last 50; the support report
// reads them. Recorded by tool/token, the one place that calls the vendor, from any thread.
// A failure like one already kept (same function, same status) is counted on that entry and
// becomes the newest, so one condition that recurs at every scan cannot push the others out.
#pragma once

#include <cstdint>
#include <vector>

namespace vendor_failures {

constexpr std::size_t kKept = 50;

struct Failure {
    const char* function;  // the entry point's name, a literal
    std::int32_t status;   // what it returned
    std::uint16_t time[6]; // local year, month, day, hour, minute, second, of the last one
    unsigned long count;   // how often it happened
};

void Record(const char* function, std::int32_t status);
// The kept failures, oldest first.
std::vector<Failure> Recent();

// The status handed on, recorded when it is not the one success value.
inline std::int32_t Checked(const char* function, std::int32_t status, std::int32_t success = 0) {
    if (status != success)
        Record(function, status);
    return status;
}

} // namespace vendor_failures
