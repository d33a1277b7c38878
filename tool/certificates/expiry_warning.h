// The warning before a token certificate expires: which certificates are due an announcement
// today, remembered per user so that each is announced at most once a day.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Where the day of each certificate's last announcement is kept: one value a certificate, named
// by its SHA-1 thumbprint, holding "YYYYMMDD".
constexpr char kExpiryAnnouncedKey[] = "Software\\Keystead\\ExpiryAnnounced";

struct ExpiringCertificate {
    std::string name;  // the subject's common name
    std::string until; // "YYYY-MM-DD", UTC
    std::int64_t daysLeft = 0;
};

// Of these DER certificates, the ones that have expired or expire within 30 days and were not
// announced today; they count as announced from now on. Days of other days are forgotten.
// *anyDue: whether any of them is due at all, announced today or not.
std::vector<ExpiringCertificate>
TakeDueAnnouncements(const std::vector<std::vector<unsigned char>>& certificates, bool* anyDue);

// One line a certificate, in the texts of the program's resource set.
std::string ExpiryLines(const std::vector<ExpiringCertificate>& due);
