#include "lent_memory.h"

namespace keystead_test {

LentMemory::LentMemory(DWORD pid, SIZE_T size) : size_(size) {
    process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (process_)
        base_ = static_cast<BYTE*>(
            VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
}

LentMemory::~LentMemory() {
    if (base_)
        VirtualFreeEx(process_, base_, 0, MEM_RELEASE);
    if (process_)
        CloseHandle(process_);
}

bool LentMemory::Fits(SIZE_T offset, SIZE_T size) const {
    return base_ && offset <= size_ && size <= size_ - offset;
}

bool LentMemory::Write(SIZE_T offset, const void* data, SIZE_T size) const {
    return Fits(offset, size) && WriteProcessMemory(process_, base_ + offset, data, size, nullptr);
}

bool LentMemory::Read(SIZE_T offset, void* out, SIZE_T size) const {
    return Fits(offset, size) && ReadProcessMemory(process_, base_ + offset, out, size, nullptr);
}

} // namespace keystead_test
