#include "support_report.h"
#include "platform/format_text.h"

#include "system_facts.h"

#include "certificates/cert_facts.h"
#include "dialogkit/string_table.h"
#include "install_check/installation_probes.h"
#include "platform/library_search.h"
#include "platform/system_function.h"
#include "platform/windows_family.h"
#include "resources/resource.h"
#include "token/token_library.h"
#include "token/vendor_failures.h"

#include <windows.h>

#include <cstdio>

namespace support_report {
namespace {

// A label of the string table without the line breaks and blanks some texts carry around them.
std::string Label(UINT id) {
    const std::string text = LoadText(id);
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return std::string();
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

using platform::OneLine;

std::string Number(long long value) {
    return platform::DecimalText(value);
}

class Report {
  public:
    void Line(int indent, UINT label, const std::string& value) {
        Raw(indent, Label(label) + (value.empty() ? "" : " " + value));
    }
    void Raw(int indent, const std::string& text) {
        text_.append(static_cast<std::size_t>(indent) * 2, ' ');
        text_ += text;
        text_ += "\n";
    }
    void Blank() { text_ += "\n"; }
    std::string WithCrLf() const {
        std::string out;
        out.reserve(text_.size() + text_.size() / 16);
        for (char c : text_) {
            if (c == '\n')
                out += '\r';
            if (c != '\r')
                out += c;
        }
        return out;
    }

  private:
    std::string text_;
};

std::string Made() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    char text[32];
    platform::FormatText(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", now.wYear, now.wMonth,
                         now.wDay, now.wHour, now.wMinute, now.wSecond);
    return text;
}

void Installation(Report& report, const Setting& setting) {
    // The installation check as System Information shows it, its operating-system line included.
    report.Raw(0, Label(IDS_SYSTEM_INFORMATION));
    const std::string check = ComposeInstallationReport(false);
    std::size_t start = 0;
    while (start <= check.size()) {
        std::size_t end = check.find('\n', start);
        if (end == std::string::npos)
            end = check.size();
        if (end > start)
            report.Raw(1, check.substr(start, end - start));
        start = end + 1;
    }
    report.Blank();

    const ProviderFacts provider = ReadProviderFacts();
    report.Line(0, IDS_REPORT_PROVIDER_VALUES,
                provider.name.empty() ? Label(IDS_NO_PROVIDER) : OneLine(provider.name));
    for (const auto& value : provider.values)
        report.Raw(1,
                   value.first + ": " +
                       (value.second.empty() ? Label(IDS_REPORT_MISSING) : OneLine(value.second)));
    if (!provider.name.empty()) {
        std::string file = Label(IDS_REPORT_MISSING);
        if (!provider.imagePath.empty()) {
            file = OneLine(provider.imagePath) + ", " +
                   Label(platform::FileExists(provider.imagePath) ? IDS_REPORT_PRESENT
                                                                  : IDS_REPORT_ABSENT);
            const std::string version = FileVersion(provider.imagePath);
            if (!version.empty())
                file += ", " + Label(IDS_REPORT_FILE_VERSION) + " " + version;
        }
        report.Line(1, IDS_REPORT_PROVIDER_FILE, file);
    }

    if (setting.libraryPath.empty()) {
        report.Line(0, IDS_REPORT_LIBRARY, Label(IDS_REPORT_LIBRARY_NOT_FOUND));
    } else {
        std::string library = setting.libraryPath;
        const std::string version = FileVersion(setting.libraryPath);
        if (!version.empty())
            library += ", " + Label(IDS_REPORT_FILE_VERSION) + " " + version;
        report.Line(0, IDS_REPORT_LIBRARY, library);
        std::vector<std::string> missing;
        if (!setting.libraryBound)
            MissingVendorFunctions(setting.libraryPath, &missing);
        std::string names;
        for (const std::string& name : missing)
            names += (names.empty() ? "" : ", ") + name;
        report.Line(1, IDS_REPORT_MISSING_FUNCTIONS,
                    names.empty() ? Label(IDS_REPORT_NONE) : names);
    }

    const bool offered = FindSystemFunction("user32.dll", "RegisterDeviceNotificationA") != nullptr;
    UINT notifications = IDS_REPORT_NOT_OFFERED;
    if (setting.notifications == kNotificationsRegistered)
        notifications = IDS_REPORT_REGISTERED;
    else if (offered)
        notifications = setting.notifications == kNotificationsNoWindow ? IDS_REPORT_NO_WINDOW
                                                                        : IDS_REPORT_NOT_REGISTERED;
    report.Line(0, IDS_REPORT_NOTIFICATIONS, Label(notifications));
}

void Certificate(Report& report, const CertificateOnToken& cert) {
    report.Raw(2, Label(cert.root         ? IDS_REPORT_ROOT_CERT
                        : cert.usage != 0 ? IDS_ENCRYPTION_CERT
                                          : IDS_SIGNATURE_CERT));
    const std::int32_t length = static_cast<std::int32_t>(cert.bytes.size());
    CertificateFacts facts;
    if (!DescribeCertificate(cert.bytes.data(), length, &facts)) {
        report.Raw(3, Label(IDS_REPORT_NOT_CERT));
        return;
    }
    report.Line(3, IDS_REPORT_SUBJECT, OneLine(facts.subject));
    report.Line(3, IDS_REPORT_ISSUER, OneLine(facts.issuer));
    report.Line(3, IDS_REPORT_CERT_SERIAL, facts.serialNumber);
    report.Line(3, IDS_REPORT_VALID_FROM, facts.validFrom);
    report.Line(3, IDS_REPORT_VALID_UNTIL, facts.validUntil);
    report.Line(3, IDS_REPORT_DAYS_LEFT,
                Number(facts.daysLeft) +
                    (facts.daysLeft <= 0 ? " " + Label(IDS_REPORT_EXPIRED_MARK) : std::string()));
    report.Line(3, IDS_REPORT_THUMBPRINT, facts.thumbprint);
    const int holding =
        StoreHoldingOf(cert.bytes.data(), length, cert.container.c_str(), cert.usage, cert.root);
    if (cert.root) {
        static const UINT kTrust[] = {IDS_REPORT_ROOT_NOT_CA, IDS_REPORT_ROOT_NO_LIST,
                                      IDS_REPORT_ROOT_NOT_LISTED, IDS_REPORT_ROOT_LISTED};
        report.Line(3, IDS_REPORT_ROOT_TRUST,
                    Label(kTrust[RootTrustOf(cert.bytes.data(), length)]));
        report.Line(3, IDS_REPORT_ROOT_STORE,
                    Label(holding == kNotInStore ? IDS_REPORT_NOT_HELD : IDS_REPORT_HELD));
    } else
        report.Line(3, IDS_REPORT_MY,
                    Label(holding == kInStoreRightly     ? IDS_REPORT_HELD_RIGHTLY
                          : holding == kInStoreOtherwise ? IDS_REPORT_HELD_OTHERWISE
                                                         : IDS_REPORT_NOT_HELD));
}

void Token(Report& report, const TokenFacts& token) {
    report.Raw(0, token.label);
    report.Line(1, IDS_REPORT_DEVICE_NAME, OneLine(token.deviceName));
    if (platform::IsVistaFamily()) {
        std::string label;
        DWORD error = 0;
        if (DeviceIntegrityLabel(token.deviceName, &label, &error)) {
            report.Line(1, IDS_REPORT_LABEL,
                        label.empty() ? Label(IDS_REPORT_NOT_LABELLED) : label);
        } else {
            char text[160];
            platform::FormatText(text, sizeof text, LoadText(IDS_REPORT_LABEL_UNREAD).c_str(),
                                 static_cast<unsigned long>(error));
            report.Line(1, IDS_REPORT_LABEL, text);
        }
    }
    if (!token.answered) {
        char text[256];
        if (token.failedFunction)
            platform::FormatText(text, sizeof text, LoadText(IDS_REPORT_PASSED_OVER).c_str(),
                                 token.failedFunction, static_cast<int>(token.failedStatus));
        else
            platform::FormatText(text, sizeof text, "%s", Label(IDS_REPORT_NAME_TOO_LONG).c_str());
        report.Raw(1, text);
        return;
    }
    report.Line(1, IDS_REPORT_SERIAL, OneLine(token.serial));
    report.Line(1, IDS_REPORT_ATTEMPTS, Number(token.attemptsLeft));
    report.Line(1, IDS_REPORT_FACTORY_PIN,
                Label(token.defaultPin != 0 ? IDS_REPORT_YES : IDS_REPORT_NO));
    report.Line(
        1, IDS_REPORT_DYNAMIC_CODE,
        Number(token.dynamicCode) + " (" +
            Label(token.dynamicCode == 1 ? IDS_REPORT_DAC_NOT_OFFERED : IDS_REPORT_DAC_OFFERED) +
            ")");
    for (const std::string& container : token.containers) {
        report.Line(1, IDS_REPORT_CONTAINER, OneLine(container));
        for (const CertificateOnToken& cert : token.certificates)
            if (cert.container == container)
                Certificate(report, cert);
    }
}

void Failures(Report& report) {
    const std::vector<vendor_failures::Failure> failures = vendor_failures::Recent();
    report.Line(0, IDS_REPORT_FAILURES, Number(static_cast<long long>(failures.size())));
    for (const vendor_failures::Failure& failure : failures) {
        char text[160];
        platform::FormatText(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u  %s  %ld (0x%08lX)",
                             failure.time[0], failure.time[1], failure.time[2], failure.time[3],
                             failure.time[4], failure.time[5], failure.function,
                             static_cast<long>(failure.status),
                             static_cast<unsigned long>(failure.status));
        std::string line = text;
        if (failure.count > 1)
            line += "  x" + Number(static_cast<long long>(failure.count));
        report.Raw(1, line);
    }
}

} // namespace

std::string Compose(const Setting& setting) {
    Report report;
    report.Raw(0, Label(IDS_REPORT_TITLE));
    report.Line(0, IDS_REPORT_MADE, Made());
    report.Line(0, IDS_REPORT_VERSION, FileVersion(OwnPath()));
    report.Blank();
    Installation(report, setting);
    report.Blank();
    if (setting.lockHeld) {
        report.Line(0, IDS_REPORT_TOKENS, Label(IDS_REPORT_LOCK_HELD));
    } else if (!setting.tokens.listed) {
        report.Line(0, IDS_REPORT_TOKENS, Label(IDS_REPORT_NO_LIST));
    } else {
        report.Line(0, IDS_REPORT_TOKENS,
                    Number(static_cast<long long>(setting.tokens.tokens.size())));
        for (const TokenFacts& token : setting.tokens.tokens)
            Token(report, token);
    }
    report.Blank();
    Failures(report);
    return report.WithCrLf();
}

TokenReading ReadTokens(const std::atomic<std::int32_t>& giveUp, bool* bracket) {
    TokenSession session(giveUp);
    *bracket = session.held();
    return ReadTokenFacts(session);
}

} // namespace support_report
