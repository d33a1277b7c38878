// ksview: prints what a running Keystead shows (its tree, which buttons are enabled and what
// other windows it has open), for the demo and for people looking at a run from a terminal.
#include "cert_stores.h"
#include "keystead_driver.h"

#include <windows.h>

#include <cstdio>

namespace {

struct Found {
    HWND main;
};

BOOL CALLBACK FindMain(HWND hwnd, LPARAM data) {
    char cls[16] = {};
    GetClassNameA(hwnd, cls, sizeof cls);
    if (keystead_test::WindowText(hwnd) == "Keystead" && lstrcmpA(cls, "#32770") == 0) {
        reinterpret_cast<Found*>(data)->main = hwnd;
        return FALSE;
    }
    return TRUE;
}

} // namespace

int main(int argc, char** argv) {
    SetProcessDPIAware(); // the window's place in the screen's own pixels, at any scale
    Found found = {nullptr};
    for (int i = 0; i < 200 && !found.main; ++i) {
        EnumWindows(FindMain, reinterpret_cast<LPARAM>(&found));
        if (!found.main)
            Sleep(100);
    }
    if (!found.main) {
        std::fprintf(stderr, "no Keystead window\n");
        return 1;
    }
    DWORD pid = 0;
    GetWindowThreadProcessId(found.main, &pid);
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, pid);
    WaitForInputIdle(process, 20000);
    CloseHandle(process);

    keystead_test::KeysteadRun view;
    view.Attach(found.main, pid);
    // --show: bring the window out of the notification area first, as message 1026 does.
    if (argc > 1 && lstrcmpA(argv[1], "--show") == 0) {
        view.Send(keystead_test::kShowRequest);
        Sleep(500);
    }
    RECT frame = {};
    GetWindowRect(found.main, &frame);
    std::printf("window: %ldx%ld+%ld+%ld\n", frame.right - frame.left, frame.bottom - frame.top,
                frame.left, frame.top);
    std::printf("tree:\n%s", view.TreeText().c_str());
    std::printf("buttons:\n");
    const struct {
        int id;
        const char* name;
    } buttons[] = {{1012, "Refresh"},
                   {1005, "Change PIN"},
                   {1010, "View Cert"},
                   {1014, "Register Cert"},
                   {1015, "Unregister Cert"},
                   {1016, "DAC Binding"},
                   {1021, "System Information"},
                   {2, "Quit"}};
    for (const auto& b : buttons)
        std::printf("  %-20s %s\n", b.name, view.ButtonEnabled(b.id) ? "enabled" : "disabled");
    // A prompt of Keystead's own, such as the default-PIN one, disables the window under it.
    if (!IsWindowEnabled(found.main))
        std::printf("the main window is disabled under:\n");
    for (HWND window : view.TopWindows())
        if (window != found.main && IsWindowVisible(window))
            std::printf("  \"%s\"\n", keystead_test::WindowText(window).c_str());
    // What the scan registered: token certificates in "MY", the bank root in "ROOT".
    for (const char* store : {"MY", "ROOT"}) {
        std::printf("registered in %s:\n", store);
        for (const auto& entry : keystead_test::ReadStore(store)) {
            const keystead_test::StoredCert& cert = entry.second;
            if (!cert.hasKeyInfo ||
                (cert.provider.find(L"VELQ") != 0 && cert.container != L"ZRB_OnLineBank_Root_Cert"))
                continue;
            PCCERT_CONTEXT context = CertCreateCertificateContext(
                X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(cert.der.data()),
                static_cast<DWORD>(cert.der.size()));
            char subject[128] = "?";
            if (context) {
                CertGetNameStringA(context, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, subject,
                                   sizeof subject);
                CertFreeCertificateContext(context);
            }
            std::printf("  %-40s container=%ls provider=%ls key=%lu\n", subject,
                        cert.container.c_str(), cert.provider.c_str(),
                        static_cast<unsigned long>(cert.keySpec));
        }
    }
    view.Detach();
    return 0;
}
