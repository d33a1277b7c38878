#include "fault_matrix.h"

#include "resource.h"

#include <cstdint>

namespace fault_campaign {
namespace {

struct PathCalls {
    Path path;
    std::vector<const char*> functions;
};

// What each path calls, as the token's side sees it.
const std::vector<PathCalls>& CallsOfPaths() {
    static const std::vector<const char*> selection = {
        "LockUKey", "ZQ_OpenDev", "ZQpro_IsSupportDynamicCode", "ZQ_CloseDev", "UnlockUKey"};
    static const std::vector<PathCalls> paths = {
        {Path::kScan,
         {"LockUKey", "ZQ_ListAllDev", "ZQ_OpenDev", "ZQPro_GetSn", "ZQ_TokenListContainer",
          "ZQ_TokenGetCertSize", "ZQ_TokenGetCert", "ZQ_CloseDev", "ZQpro_IsSupportDynamicCode",
          "UnlockUKey"}},
        {Path::kView, selection},
        {Path::kRegister, selection},
        {Path::kUnregister, selection},
        {Path::kChangePin,
         {"LockUKey", "ZQ_OpenDev", "ZQ_ToKenChangeUser", "ZQpro_GetPinTime", "ZQ_CloseDev",
          "UnlockUKey"}},
        {Path::kMonitor,
         {"LockUKey", "ZQ_OpenDev", "ZQPro_GetSn", "ZQ_IsDefaultPin", "ZQ_ToKenChangeUser",
          "ZQpro_GetPinTime", "ZQ_CloseDev", "UnlockUKey"}},
        {Path::kCardBinding,
         {"LockUKey", "ZQ_OpenDev", "ZQ_ToKenVerifyUser", "ZQpro_GetPinTime",
          "ZQpro_InitDynamicCode", "ZQ_CloseDev", "UnlockUKey", "ClearPinFromMem"}},
    };
    return paths;
}

struct Shape {
    const char* function;
    const char* kind;
    const char* rule;
};

// Answers that are not plain failures: inconsistent, oversized or odd outputs and results.
const Shape kShapes[] = {
    {"ZQ_ListAllDev", "count above names", "count=9"},
    {"ZQ_ListAllDev", "count below names", "count=1"},
    {"ZQ_ListAllDev", "names without count", "count=0"},
    {"ZQ_ListAllDev", "last name unterminated", "unterminated=1"},
    {"ZQ_ListAllDev", "name of 300 bytes", "long_name=300"},
    {"ZQ_ListAllDev", "name of 65536 bytes", "long_name=65536"},
    {"ZQPro_GetSn", "0 for success", "status=0"},
    {"ZQ_TokenListContainer", "name unterminated", "unterminated=1"},
    {"ZQ_TokenListContainer", "CertRef length 0", "ref_len=0"},
    {"ZQ_TokenListContainer", "CertRef length 129", "ref_len=129"},
    {"ZQ_TokenListContainer", "CertRef length 2^31-1", "ref_len=0x7FFFFFFF"},
    {"ZQ_TokenListContainer", "CertRef length -1", "ref_len=0xFFFFFFFF"},
    {"ZQ_TokenGetCertSize", "size 0", "size=0"},
    {"ZQ_TokenGetCertSize", "size 4097", "size=4097"},
    {"ZQ_TokenGetCertSize", "size 1 MiB + 1", "size=1048577"},
    {"ZQ_TokenGetCertSize", "size 0xFFFFFFFF", "size=0xFFFFFFFF"},
    {"ZQpro_IsSupportDynamicCode", "answers 1", "status=1"},
    {"ZQpro_IsSupportDynamicCode", "answers -1", "status=-1"},
    {"ZQpro_GetPinTime", "count 0", "status=0"},
    {"ZQpro_GetPinTime", "count -1", "status=-1"},
    {"ZQpro_GetPinTime", "count 2^31-1", "status=0x7FFFFFFF"},
    {"ZQ_IsDefaultPin", "answers 0", "status=0"},
    {"ZQ_IsDefaultPin", "answers -1", "status=-1"},
    {"ZQpro_InitDynamicCode", "answers 0", "status=0"},
    {"ZQpro_InitDynamicCode", "already bound", "status=0x6A89"},
};

constexpr std::int32_t kForcedError = 0x6A82;

bool Is(const Cell& c, const char* function) {
    return c.function == function;
}

Message Text(int id) {
    Message m;
    m.id = id;
    return m;
}

Message Chances(long long count) {
    Message m;
    m.id = IDS_WRONG_PIN;
    m.count = count;
    return m;
}

// The count ZQpro_GetPinTime answers in a cell that reaches it.
long long CountSeen(const Cell& c, long long real) {
    if (!Is(c, "ZQpro_GetPinTime") || c.kind == "delay")
        return real;
    if (c.kind == "error")
        return kForcedError;
    if (c.kind == "count -1")
        return -1;
    if (c.kind == "count 0")
        return 0;
    return 0x7FFFFFFF;
}

// After a refused PIN: the attempts left, or that the PIN is locked.
Message Refusal(long long count) {
    return count > 0 ? Chances(count) : Text(IDS_PIN_LOCKED);
}

std::vector<Message> ChangePinMessages(const Cell& c) {
    const bool error = c.kind == "error";
    if (c.wrongPin)
        return {Refusal(CountSeen(c, kAttempts - 1))};
    if (error && Is(c, "ZQ_OpenDev"))
        return {Text(IDS_OPEN_FAILED)};
    if (error && Is(c, "ZQ_ToKenChangeUser"))
        return {Chances(kAttempts)};
    if (error && Is(c, "ZQ_CloseDev"))
        return {Text(IDS_PIN_CHANGED), Text(IDS_CLOSE_FAILED)}; // changed all the same
    return {Text(IDS_PIN_CHANGED)};
}

std::vector<Message> MonitorMessages(const Cell& c) {
    const bool error = c.kind == "error";
    const bool notExamined = (error && (Is(c, "ZQ_OpenDev") || Is(c, "ZQPro_GetSn"))) ||
                             c.kind == "0 for success"; // the serial query's 0 is a failure
    const bool notFactory = Is(c, "ZQ_IsDefaultPin") && c.kind == "answers 0";
    if (notExamined || notFactory)
        return {}; // the token is not examined, or its PIN is not the factory one
    if (c.wrongPin) {
        const long long count = CountSeen(c, kAttempts - 1);
        if (count <= 0)
            return {Text(IDS_PIN_LOCKED)};
        return {Chances(count), Text(IDS_PIN_CHANGED)}; // asked again, then right
    }
    if (error && Is(c, "ZQ_ToKenChangeUser"))
        return {Chances(kAttempts), Text(IDS_PIN_CHANGED)};
    return {Text(IDS_PIN_CHANGED)};
}

std::vector<Message> CardMessages(const Cell& c) {
    const bool error = c.kind == "error";
    if (c.wrongPin)
        return {Refusal(CountSeen(c, kAttempts - 1))};
    if (error && Is(c, "ZQ_OpenDev"))
        return {Text(IDS_OPEN_FAILED)};
    if (error && Is(c, "ZQ_ToKenVerifyUser"))
        return {Chances(kAttempts)};
    if (Is(c, "ZQpro_InitDynamicCode") && (error || c.kind == "answers 0"))
        return {Text(IDS_BINDING_FAILED)};
    if (Is(c, "ZQpro_InitDynamicCode") && c.kind == "already bound")
        return {Text(IDS_ALREADY_BOUND)};
    if (error && Is(c, "ZQ_CloseDev"))
        return {Text(IDS_BOUND), Text(IDS_CLOSE_FAILED)};
    return {Text(IDS_BOUND)};
}

// Everything a path may say, whatever the order of events.
std::vector<Message> MessagesOfPath(Path path) {
    Message anyChances = Chances(0);
    anyChances.anyCount = true;
    switch (path) {
    case Path::kChangePin:
        return {Text(IDS_PIN_CHANGED), Text(IDS_OPEN_FAILED), Text(IDS_CLOSE_FAILED),
                Text(IDS_PIN_LOCKED), anyChances};
    case Path::kMonitor:
        return {Text(IDS_PIN_CHANGED), Text(IDS_PIN_LOCKED), anyChances};
    case Path::kCardBinding:
        return {Text(IDS_BOUND),         Text(IDS_OPEN_FAILED),
                Text(IDS_CLOSE_FAILED),  Text(IDS_PIN_LOCKED),
                Text(IDS_ALREADY_BOUND), Text(IDS_BINDING_FAILED),
                Text(IDS_NO_DEVICE),     anyChances};
    default:
        return {};
    }
}

} // namespace

const char* PathName(Path path) {
    switch (path) {
    case Path::kScan:
        return "scan";
    case Path::kView:
        return "view-cert";
    case Path::kRegister:
        return "register-cert";
    case Path::kUnregister:
        return "unregister-cert";
    case Path::kChangePin:
        return "change-pin";
    case Path::kMonitor:
        return "default-pin";
    case Path::kCardBinding:
        return "card-binding";
    case Path::kSystemInfo:
        return "system-info";
    }
    return "?";
}

const char* ThreadsOf(Path path) {
    return path == Path::kMonitor ? "threads=workers" : "threads=main";
}

std::vector<Cell> FaultMatrix() {
    const std::string error = "status=" + std::to_string(kForcedError);
    std::vector<Cell> cells;
    for (const PathCalls& p : CallsOfPaths()) {
        for (const char* f : p.functions) {
            const bool countOnly = std::string(f) == "ZQpro_GetPinTime";
            struct Kind {
                const char* name;
                std::string rule;
                bool pull;
            } kinds[] = {{"error", error + " nth=1", false},
                         {"delay", "delay=2000 nth=1", false},
                         {"pull", "pull=1 nth=1", true},
                         {"error always", error, false}};
            for (const Kind& k : kinds) {
                if (k.name == std::string("error always") && p.path != Path::kScan)
                    continue; // only the scan can meet the same failure again and again
                Cell c;
                c.path = p.path;
                c.function = f;
                c.kind = k.name;
                c.rule = k.rule;
                c.pull = k.pull;
                c.wrongPin = countOnly;
                cells.push_back(c);
            }
            for (const Shape& s : kShapes) {
                if (s.function != std::string(f))
                    continue;
                // Selection answers matter on every path that selects; once is enough.
                if (std::string(f) == "ZQpro_IsSupportDynamicCode" && p.path != Path::kView &&
                    p.path != Path::kScan)
                    continue;
                Cell c;
                c.path = p.path;
                c.function = f;
                c.kind = s.kind;
                c.rule = std::string(s.rule) + (p.path == Path::kScan ? "" : " nth=1");
                c.wrongPin = countOnly;
                cells.push_back(c);
            }
        }
    }
    // System Information touches no token, whatever every function would do.
    for (const char* kind : {"error", "delay", "pull"}) {
        Cell c;
        c.path = Path::kSystemInfo;
        c.function = "*";
        c.kind = kind;
        c.rule = kind == std::string("error")   ? error
                 : kind == std::string("delay") ? "delay=2000"
                                                : "pull=1";
        c.pull = kind == std::string("pull");
        cells.push_back(c);
    }
    return cells;
}

std::vector<Cell> SampleCells() {
    const struct {
        Path path;
        const char* function;
        const char* kind;
    } picks[] = {
        {Path::kScan, "ZQ_ListAllDev", "count above names"},
        {Path::kScan, "ZQ_OpenDev", "error"},
        {Path::kScan, "ZQ_TokenGetCertSize", "size 0xFFFFFFFF"},
        {Path::kScan, "ZQ_TokenListContainer", "CertRef length -1"},
        {Path::kView, "ZQ_OpenDev", "pull"},
        {Path::kRegister, "LockUKey", "delay"},
        {Path::kUnregister, "ZQ_CloseDev", "error"},
        {Path::kChangePin, "ZQ_CloseDev", "error"},
        {Path::kChangePin, "ZQpro_GetPinTime", "count -1"},
        {Path::kMonitor, "ZQ_ToKenChangeUser", "error"},
        {Path::kMonitor, "ZQ_IsDefaultPin", "pull"},
        {Path::kCardBinding, "ZQ_ToKenVerifyUser", "error"},
        {Path::kCardBinding, "ZQpro_InitDynamicCode", "already bound"},
        {Path::kSystemInfo, "*", "pull"},
    };
    const std::vector<Cell> all = FaultMatrix();
    std::vector<Cell> sample;
    for (const auto& pick : picks)
        for (const Cell& c : all)
            if (c.path == pick.path && c.function == pick.function && c.kind == pick.kind)
                sample.push_back(c);
    return sample;
}

Expectation Expect(const Cell& c) {
    Expectation e;
    switch (c.path) {
    case Path::kScan:
        break;
    case Path::kView:
        e.viewerStarts = true;
        break;
    case Path::kRegister:
        e.messages = {Text(IDS_REGISTERED)};
        break;
    case Path::kUnregister:
        e.messages = {Text(IDS_UNREGISTERED)};
        break;
    case Path::kChangePin:
        e.messages = ChangePinMessages(c);
        break;
    case Path::kMonitor:
        e.messages = MonitorMessages(c);
        break;
    case Path::kCardBinding:
        e.messages = CardMessages(c);
        break;
    case Path::kSystemInfo: {
        Message box = Text(IDS_SYSTEM_INFORMATION);
        box.byCaption = true;
        e.messages = {box};
        return e; // it calls nothing, so nothing is pulled
    }
    }
    if (c.pull) {
        const bool midDialog =
            c.path == Path::kChangePin || c.path == Path::kMonitor || c.path == Path::kCardBinding;
        if (midDialog) {
            e.allowed = MessagesOfPath(c.path);
            e.messages.clear();
        }
        e.messages.push_back(Text(IDS_PULLED_OUT));
    }
    return e;
}

} // namespace fault_campaign
