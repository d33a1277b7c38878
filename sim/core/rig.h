// The rig folder: one "<serial>.token" file per virtual token, plus the fault table and the
// call log. Every token change replaces its file in one rename, so a reader in any process sees
// either the old or the new state, never a half-written one.
#pragma once

#include "token_record.h"

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
// Writes a sibling temporary file and renames it over path.
bool ReplaceFileAtomically(const std::string& path, const std::string& text);

} // namespace zqsim
