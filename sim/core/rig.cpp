#include "rig.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <system_error>
#include <thread>

namespace fs = std::filesystem;

namespace zqsim {
namespace {

// Another process may hold the file open for a moment; on Windows that makes a replace fail,
// so both sides retry briefly.
constexpr int kRetries = 400;
constexpr auto kRetryPause = std::chrono::milliseconds(5);

std::string UniqueSuffix() {
    static std::atomic<unsigned> counter{0};
    static const unsigned seed = std::random_device{}();
    std::ostringstream s;
    s << ".tmp" << std::hex << seed << "_" << counter.fetch_add(1) << "_"
      << std::hash<std::thread::id>{}(std::this_thread::get_id());
    return s.str();
}

} // namespace

std::string Rig::TokenPath(const std::string& serial) const {
    return (fs::path(dir_) / (serial + ".token")).string();
}

std::string Rig::FaultsPath() const {
    return (fs::path(dir_) / "faults").string();
}

std::string Rig::LogPath() const {
    return (fs::path(dir_) / "calls.log").string();
}

FileStamp StampOf(const std::string& path) {
    FileStamp stamp;
    std::error_code ec;
    const fs::file_time_type written = fs::last_write_time(path, ec);
    if (ec)
        return stamp;
    const std::uintmax_t size = fs::file_size(path, ec);
    if (ec)
        return stamp;
    stamp.exists = true;
    stamp.size = size;
    stamp.written = static_cast<long long>(written.time_since_epoch().count());
    return stamp;
}

bool ReadWholeFile(const std::string& path, std::string* text) {
    for (int attempt = 0; attempt < kRetries; ++attempt) {
        std::ifstream in(path, std::ios::binary);
        if (in) {
            std::ostringstream content;
            content << in.rdbuf();
            if (in.bad())
                return false;
            *text = content.str();
            return true;
        }
        std::error_code ec;
        if (!fs::exists(path, ec))
            return false;
        std::this_thread::sleep_for(kRetryPause);
    }
    return false;
}

bool ReplaceFileAtomically(const std::string& path, const std::string& text) {
    const std::string temp = path + UniqueSuffix();
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out)
            return false;
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        out.flush();
        if (!out) {
            out.close();
            std::error_code ec;
            fs::remove(temp, ec);
            return false;
        }
    }
    for (int attempt = 0; attempt < kRetries; ++attempt) {
        std::error_code ec;
        fs::rename(temp, path, ec);
        if (!ec)
            return true;
        std::this_thread::sleep_for(kRetryPause);
    }
    std::error_code ec;
    fs::remove(temp, ec);
    return false;
}

bool Rig::Load(const std::string& serial, TokenRecord* token) const {
    if (!IsValidSerial(serial))
        return false;
    std::string text, error;
    return ReadWholeFile(TokenPath(serial), &text) && ParseToken(text, token, &error) &&
           token->serial == serial;
}

std::vector<TokenRecord> Rig::LoadAll() const {
    std::vector<TokenRecord> tokens;
    std::error_code ec;
    for (fs::directory_iterator it(dir_, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path& p = it->path();
        if (p.extension() != ".token")
            continue;
        TokenRecord t;
        if (Load(p.stem().string(), &t))
            tokens.push_back(std::move(t));
    }
    std::sort(tokens.begin(), tokens.end(), [](const TokenRecord& a, const TokenRecord& b) {
        return a.slot != b.slot ? a.slot < b.slot : a.serial < b.serial;
    });
    return tokens;
}

bool Rig::Save(const TokenRecord& token) const {
    if (!IsValidSerial(token.serial))
        return false;
    return ReplaceFileAtomically(TokenPath(token.serial), SerializeToken(token));
}

bool Rig::Remove(const std::string& serial) const {
    std::error_code ec;
    return IsValidSerial(serial) && fs::remove(TokenPath(serial), ec);
}

} // namespace zqsim
