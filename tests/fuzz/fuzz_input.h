// What every target shares: the input read front to back as a stream of choices (so seeds can
// be written by hand: a few choice bytes, then text), and a check that stops the run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

// A broken property is a finding like a sanitizer's: libFuzzer keeps the input that broke it.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: does not hold: %s\n", __FILE__, __LINE__, #condition);    \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

class FuzzInput {
  public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : at_(data), left_(size) {}

    std::size_t Left() const { return left_; }
    // 0 once the input is used up, so a short input still makes a whole case.
    std::uint8_t Byte() {
        if (left_ == 0)
            return 0;
        --left_;
        return *at_++;
    }
    std::uint32_t U32() {
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i)
            value |= static_cast<std::uint32_t>(Byte()) << (8 * i);
        return value;
    }
    // Up to count bytes; fewer at the end of the input.
    std::string Bytes(std::size_t count) {
        if (count > left_)
            count = left_;
        std::string bytes(reinterpret_cast<const char*>(at_), count);
        at_ += count;
        left_ -= count;
        return bytes;
    }
    std::string Rest() { return Bytes(left_); }
    // The rest in place: what a target hands on must end where libFuzzer's buffer ends, so that
    // AddressSanitizer sees any read past it.
    const std::uint8_t* RestInPlace(std::size_t* size) {
        *size = left_;
        const std::uint8_t* rest = at_;
        at_ += left_;
        left_ = 0;
        return rest;
    }

  private:
    const std::uint8_t* at_;
    std::size_t left_;
};
