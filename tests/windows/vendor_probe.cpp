// A vendor library for testing the forwarding library: at each provider ordinal it records the
// raw arguments it received, then answers with the result and last-error value a test chose.
// The arities are the published interface's, written out here independently of ZQ_CSP's own
// table.
#include <windows.h>

#include <cstring>

struct ProbeCall {
    int ordinal;
    int count;
    DWORD_PTR args[8];
};

namespace {

ProbeCall g_last = {};
BOOL g_result = TRUE;
DWORD g_error = 0;
BOOL g_setError = FALSE;

template <typename... Args> BOOL Answer(int ordinal, Args... args) {
    const DWORD_PTR values[] = {static_cast<DWORD_PTR>(args)...};
    g_last.ordinal = ordinal;
    g_last.count = static_cast<int>(sizeof...(args));
    std::memcpy(g_last.args, values, sizeof values);
    if (g_setError)
        SetLastError(g_error);
    return g_result;
}

} // namespace

using A = DWORD_PTR;
#define PROBE2(n)                                                                                  \
    BOOL WINAPI Probe##n(A a, A b) {                                                               \
        return Answer(n, a, b);                                                                    \
    }
#define PROBE3(n)                                                                                  \
    BOOL WINAPI Probe##n(A a, A b, A c) {                                                          \
        return Answer(n, a, b, c);                                                                 \
    }
#define PROBE4(n)                                                                                  \
    BOOL WINAPI Probe##n(A a, A b, A c, A d) {                                                     \
        return Answer(n, a, b, c, d);                                                              \
    }
#define PROBE5(n)                                                                                  \
    BOOL WINAPI Probe##n(A a, A b, A c, A d, A e) {                                                \
        return Answer(n, a, b, c, d, e);                                                           \
    }
#define PROBE6(n)                                                                                  \
    BOOL WINAPI Probe##n(A a, A b, A c, A d, A e, A f) {                                           \
        return Answer(n, a, b, c, d, e, f);                                                        \
    }
#define PROBE7(n)                                                                                  \
    BOOL WINAPI Probe##n(A a, A b, A c, A d, A e, A f, A g) {                                      \
        return Answer(n, a, b, c, d, e, f, g);                                                     \
    }
#define PROBE8(n)                                                                                  \
    BOOL WINAPI Probe##n(A a, A b, A c, A d, A e, A f, A g, A h) {                                 \
        return Answer(n, a, b, c, d, e, f, g, h);                                                  \
    }

extern "C" {

// clang-format off
PROBE4(1) PROBE2(2) PROBE4(3) PROBE5(4) PROBE2(5) PROBE5(6) PROBE6(7) PROBE7(8) PROBE6(9)
PROBE8(11) PROBE7(12) PROBE5(13) PROBE5(14) PROBE4(15) PROBE2(16) PROBE7(17) PROBE7(18)
PROBE3(19) PROBE3(20) PROBE4(21) PROBE5(22) PROBE5(23) PROBE6(24) PROBE5(25) PROBE5(26)

void WINAPI ProbeConfigure(BOOL result, DWORD error, BOOL setError) {
    g_result = result;
    g_error = error;
    g_setError = setError;
}
// clang-format on

void WINAPI ProbeLastCall(ProbeCall* out) {
    *out = g_last;
    g_last = ProbeCall{};
}

} // extern "C"
