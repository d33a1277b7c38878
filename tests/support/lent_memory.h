// Memory lent in another process, for the messages whose pointers must point into the
// receiver's own address space (tree items, tooltip tools): written, sent, read back, freed.
#pragma once

#include <windows.h>

namespace keystead_test {

class LentMemory {
  public:
    LentMemory(DWORD pid, SIZE_T size);
    ~LentMemory();
    LentMemory(const LentMemory&) = delete;
    LentMemory& operator=(const LentMemory&) = delete;

    bool ok() const { return base_ != nullptr; }
    // The address, in the other process, of a place in the lent block.
    BYTE* at(SIZE_T offset) const { return base_ + offset; }
    bool Write(SIZE_T offset, const void* data, SIZE_T size) const;
    bool Read(SIZE_T offset, void* out, SIZE_T size) const;

  private:
    bool Fits(SIZE_T offset, SIZE_T size) const;

    HANDLE process_ = nullptr;
    BYTE* base_ = nullptr;
    SIZE_T size_ = 0;
};

} // namespace keystead_test
