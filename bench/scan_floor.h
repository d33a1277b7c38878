// The floor of one scan, shared by the scan and report benchmarks: the platform calls a scan must
// make (the vendor calls, the store calls and the window calls), made directly, and the rigs and
// certificates both measure against.
#pragma once

#include "core/rig.h"
#include "keystead_driver.h"
#include "store_work.h"

#include <windows.h>
#include <commctrl.h>
#include <wincrypt.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace keystead_bench {

const wchar_t kVelq[] = L"VELQ Cryptographic Service Provider v2.0.0";

// Many distinct certificates quickly: one key pair, a new subject and serial each time.
std::vector<std::string> MakeCertificates(int count);
// The rig of one grid point; the certificates of the pool are spread over it in order.
void WriteRig(const zqsim::Rig& rig, int tokens, int containers,
              const std::vector<std::string>& pool);
double Median(std::vector<double> values);
// An empty "MY", one token of one container, and Keystead started over it, hidden as it scans
// from the notification area; the stand-in this program loads reads the same rig. False, after
// saying so, when Keystead did not start.
bool StartHiddenOverRig(keystead_test::KeysteadRun& app, const zqsim::Rig& rig,
                        const std::string& rigDir, const std::vector<std::string>& pool);
double Seconds(LARGE_INTEGER a, LARGE_INTEGER b, LARGE_INTEGER f);

template <typename F> F Entry(HMODULE module, const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

// The window side of a scan, as any program's tree and buttons cost it: the token commands and
// Refresh disabled, the tree emptied and filled with each token's containers and certificates,
// each token expanded, the tree redrawn, the last token selected and the commands enabled for it.
class WindowFloor {
  public:
    WindowFloor() {
        INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_TREEVIEW_CLASSES};
        InitCommonControlsEx(&classes);
        owner_ = CreateWindowExA(0, "STATIC", "floor", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr,
                                 nullptr, nullptr, nullptr);
        tree_ = CreateWindowExA(0, WC_TREEVIEWA, "",
                                WS_CHILD | WS_VISIBLE | TVS_HASLINES | TVS_LINESATROOT |
                                    TVS_HASBUTTONS | TVS_SHOWSELALWAYS,
                                0, 0, 300, 200, owner_, nullptr, nullptr, nullptr);
        for (HWND& button : buttons_)
            button = CreateWindowExA(0, "BUTTON", "command", WS_CHILD | WS_VISIBLE, 0, 0, 80, 20,
                                     owner_, nullptr, nullptr, nullptr);
    }
    ~WindowFloor() { DestroyWindow(owner_); }
    WindowFloor(const WindowFloor&) = delete;
    WindowFloor& operator=(const WindowFloor&) = delete;

    void Begin() {
        for (HWND button : buttons_)
            EnableWindow(button, FALSE);
        TreeView_DeleteAllItems(tree_);
    }
    HTREEITEM Insert(HTREEITEM parent, const char* text) {
        TVINSERTSTRUCTA item = {};
        item.hParent = parent ? parent : TVI_ROOT;
        item.hInsertAfter = TVI_LAST;
        item.item.mask = TVIF_TEXT;
        item.item.pszText = const_cast<char*>(text);
        return reinterpret_cast<HTREEITEM>(
            SendMessageA(tree_, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    }
    void Expand(HTREEITEM token) { TreeView_Expand(tree_, token, TVE_EXPAND); }
    void End(HTREEITEM lastToken) {
        RedrawWindow(tree_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        if (lastToken)
            TreeView_SelectItem(tree_, lastToken);
        for (HWND button : buttons_)
            EnableWindow(button, TRUE);
    }

  private:
    HWND owner_ = nullptr, tree_ = nullptr;
    HWND buttons_[6] = {}; // Refresh and the token commands
};

// The platform's floor of one scan: the vendor calls, the store calls and the window calls a
// scan must make.
class Floor {
  public:
    explicit Floor(HMODULE lib)
        : lock_(Entry<Fn0>(lib, "LockUKey")), unlock_(Entry<Fn0>(lib, "UnlockUKey")),
          list_(Entry<ListFn>(lib, "ZQ_ListAllDev")), open_(Entry<OpenFn>(lib, "ZQ_OpenDev")),
          close_(Entry<HFn>(lib, "ZQ_CloseDev")), sn_(Entry<SnFn>(lib, "ZQPro_GetSn")),
          containers_(Entry<ContFn>(lib, "ZQ_TokenListContainer")),
          size_(Entry<SizeFn>(lib, "ZQ_TokenGetCertSize")),
          cert_(Entry<CertFn>(lib, "ZQ_TokenGetCert")),
          dac_(Entry<HFn>(lib, "ZQpro_IsSupportDynamicCode")) {}

    void Run() {
        window_.Begin();
        keystead_bench::RemoveProviderCertificates("MY", kVelq);

        lock_();
        std::uint32_t size = 0, count = 0;
        list_(nullptr, &size, &count);
        std::vector<char> names(size + 1);
        list_(names.data(), &size, &count);
        std::uint32_t last = 0;
        HTREEITEM lastItem = nullptr;
        std::vector<HANDLE> workers;
        for (std::size_t at = 0; at < size; at += std::strlen(names.data() + at) + 1) {
            std::uint32_t h = 0;
            const char* name = names.data() + at;
            if (open_(name, static_cast<std::int32_t>(std::strlen(name)), &h) != 0)
                continue;
            char serial[64];
            sn_(h, serial);
            lastItem = window_.Insert(nullptr, "USB_Key_1");
            char container[128];
            unsigned char info[820];
            for (std::int32_t first = 1; containers_(h, first, container, info) == 0; first = 0) {
                HTREEITEM containerItem = window_.Insert(lastItem, container);
                for (std::size_t ref : {408u, 0u}) {
                    std::int32_t idLength = 0;
                    std::memcpy(&idLength, info + ref + 128, 4);
                    std::uint32_t certSize = 0;
                    if (size_(h, info + ref, idLength, &certSize) != 0)
                        continue;
                    std::vector<unsigned char> der(certSize);
                    cert_(h, info + ref, idLength, der.data(), certSize);
                    window_.Insert(containerItem, "Signature certificate.");
                    Register(container, der, ref == 408);
                }
            }
            close_(h);
            window_.Expand(lastItem);
            last = at;
            // Each token that answered gets a worker of its own, let go after the scan.
            DWORD id = 0;
            workers.push_back(CreateThread(nullptr, 0, NoWork, nullptr, CREATE_SUSPENDED, &id));
        }
        // The selection at the end asks the last token about card binding.
        std::uint32_t h = 0;
        const char* name = names.data() + last;
        window_.End(lastItem);
        if (open_(name, static_cast<std::int32_t>(std::strlen(name)), &h) == 0) {
            dac_(h);
            close_(h);
        }
        unlock_();
        for (HANDLE worker : workers)
            ResumeThread(worker);
        workers_ = std::move(workers);
    }
    // Outside the timed part, as the benchmark waits for Keystead's monitors: a worker still
    // starting up or ending would otherwise share the platform with the next scan measured.
    void WaitForWorkers() {
        for (HANDLE worker : workers_) {
            WaitForSingleObject(worker, 5000);
            CloseHandle(worker);
        }
        workers_.clear();
    }

  private:
    static DWORD WINAPI NoWork(LPVOID) { return 0; }

    WindowFloor window_;
    std::vector<HANDLE> workers_;

    void Register(const char* container, const std::vector<unsigned char>& der, bool exchange) {
        wchar_t containerW[256] = {};
        MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, container, -1, containerW, 255);
        keystead_bench::AddWithProvider("MY", der.data(), static_cast<DWORD>(der.size()), kVelq,
                                        containerW, exchange ? AT_KEYEXCHANGE : AT_SIGNATURE);
    }

    typedef std::int32_t (*Fn0)();
    typedef std::int32_t (*HFn)(std::uint32_t);
    typedef std::int32_t (*ListFn)(char*, std::uint32_t*, std::uint32_t*);
    typedef std::int32_t (*OpenFn)(const char*, std::int32_t, std::uint32_t*);
    typedef std::int32_t (*SnFn)(std::uint32_t, char*);
    typedef std::int32_t (*ContFn)(std::uint32_t, std::int32_t, char*, unsigned char*);
    typedef std::int32_t (*SizeFn)(std::uint32_t, const unsigned char*, std::int32_t,
                                   std::uint32_t*);
    typedef std::int32_t (*CertFn)(std::uint32_t, const unsigned char*, std::int32_t,
                                   unsigned char*, std::uint32_t);
    Fn0 lock_, unlock_;
    ListFn list_;
    OpenFn open_;
    HFn close_;
    SnFn sn_;
    ContFn containers_;
    SizeFn size_;
    CertFn cert_;
    HFn dac_;
};

} // namespace keystead_bench
