// The rig folder: one "<serial>.token" file per virtual token, plus the fault table and the
// call log. Every token change replaces its file in one rename, so a reader in any process sees
// either the old or the new state, never a half-written one.
#pragma once

#include "token_record.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zqsim {

class Rig {
  public:
    explicit Rig(std::string dir) : dir_(std::move(dir)) {}

    const std::string& dir() const { return dir_; }
    std::string TokenPath(const std::string& serial) const;
    std::string FaultsPath() const;
    std::string LogPath() const;

    bool Load(const std::string& serial, TokenRecord* token) const;
    // Every readable token, in slot order (serial breaks ties).
    std::vector<TokenRecord> LoadAll() const;
    bool Save(const TokenRecord& token) const;
    bool Remove(const std::string& serial) const;

  private:
    std::string dir_;
};

bool ReadWholeFile(const std::string& path, std::string* text);

// Tells one version of a file from the next without reading it: its size and the time of its
// last write. Every file is replaced whole, by rename, so a change shows in both or the time.
struct FileStamp {
    bool exists = false;
    std::uintmax_t size = 0;
    long long written = 0;
    bool operator==(const FileStamp& other) const {
        return exists == other.exists && size == other.size && written == other.written;
    }
    bool operator!=(const FileStamp& other) const { return !(*this == other); }
};
FileStamp StampOf(const std::string& path);
// Writes a sibling temporary file and renames it over path.
bool ReplaceFileAtomically(const std::string& path, const std::string& text);

} // namespace zqsim
