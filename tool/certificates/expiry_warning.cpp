#include "expiry_warning.h"
#include "platform/format_text.h"

#include "cert_facts.h"
#include "expiry_rules.h"

#include "dialogkit/string_table.h"
#include "platform/registry_key.h"
#include "resources/resource.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <algorithm>

namespace {

std::string Today() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return expiry::DayStamp(now.wYear, now.wMonth, now.wDay);
}

std::string StoredDay(HKEY key, const std::string& thumbprint) {
    char day[16];
    std::memset(day, 0, sizeof day);
    DWORD size = sizeof day - 1, type = 0;
    if (RegQueryValueExA(key, thumbprint.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(day),
                         &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return std::string();
    return day;
}

// Drops the days other than today, so the key holds no more than today's certificates.
void ForgetOtherDays(HKEY key, const std::string& today) {
    std::vector<std::string> stale;
    char name[64];
    for (DWORD index = 0;; ++index) {
        DWORD length = sizeof name;
        const LONG found =
            RegEnumValueA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (found == ERROR_NO_MORE_ITEMS)
            break;
        if (found == ERROR_SUCCESS && !expiry::AnnouncedToday(StoredDay(key, name), today))
            stale.push_back(name);
    }
    for (const std::string& value : stale)
        RegDeleteValueA(key, value.c_str());
}

} // namespace

std::vector<ExpiringCertificate>
TakeDueAnnouncements(const std::vector<std::vector<unsigned char>>& certificates, bool* anyDue) {
    std::vector<ExpiringCertificate> due;
    *anyDue = false;
    std::vector<CertificateFacts> dueFacts;
    std::vector<std::string> seen; // a certificate on two tokens is one announcement
    for (const std::vector<unsigned char>& der : certificates) {
        CertificateFacts facts;
        if (DescribeCertificate(der.data(), static_cast<std::int32_t>(der.size()), &facts) &&
            expiry::IsDue(facts.daysLeft) && !facts.thumbprint.empty() &&
            std::find(seen.begin(), seen.end(), facts.thumbprint) == seen.end()) {
            seen.push_back(facts.thumbprint);
            dueFacts.push_back(facts);
        }
    }
    // The key is made only when there is something to remember, and the days of other days
    // are dropped then.
    platform::RegistryKey key(HKEY_CURRENT_USER, kExpiryAnnouncedKey,
                              KEY_QUERY_VALUE | KEY_SET_VALUE, !dueFacts.empty());
    if (!key.open())
        return due; // nothing could be remembered: rather no warning than one on every scan
    const std::string today = Today();
    ForgetOtherDays(key.get(), today);
    *anyDue = !dueFacts.empty();
    for (const CertificateFacts& facts : dueFacts) {
        if (expiry::AnnouncedToday(StoredDay(key.get(), facts.thumbprint), today) ||
            RegSetValueExA(key.get(), facts.thumbprint.c_str(), 0, REG_SZ,
                           reinterpret_cast<const BYTE*>(today.c_str()),
                           static_cast<DWORD>(today.size() + 1)) != ERROR_SUCCESS)
            continue;
        ExpiringCertificate cert;
        cert.name = facts.subject.empty() ? facts.thumbprint : facts.subject;
        cert.until = facts.validUntil.substr(0, 10);
        cert.daysLeft = facts.daysLeft;
        due.push_back(cert);
    }
    return due;
}

std::string ExpiryLines(const std::vector<ExpiringCertificate>& due) {
    std::string lines;
    for (const ExpiringCertificate& cert : due) {
        const std::string format = LoadText(cert.daysLeft > 0 ? IDS_EXPIRES_IN : IDS_EXPIRED);
        // A name from a token is one line of the balloon, whatever bytes it holds.
        const std::string name = platform::OneLine(cert.name);
        char line[512];
        if (cert.daysLeft > 0)
            platform::FormatText(line, sizeof line, format.c_str(), name.c_str(),
                                 static_cast<int>(cert.daysLeft), cert.until.c_str());
        else
            platform::FormatText(line, sizeof line, format.c_str(), name.c_str(),
                                 cert.until.c_str());
        if (!lines.empty())
            lines += "\n";
        lines += line;
    }
    return lines;
}
