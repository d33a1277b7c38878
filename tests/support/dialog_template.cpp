#include "dialog_template.h"

#include <cstring>

namespace keystead_test {
namespace {

class Reader {
  public:
    Reader(const BYTE* data, std::size_t size) : data_(data), size_(size) {}
    bool ok() const { return ok_; }

    template <typename T> T Get() {
        T value{};
        if (at_ + sizeof(T) > size_) {
            ok_ = false;
            return value;
        }
        std::memcpy(&value, data_ + at_, sizeof(T));
        at_ += sizeof(T);
        return value;
    }
    std::wstring String() {
        std::wstring text;
        for (;;) {
            wchar_t c = static_cast<wchar_t>(Get<WORD>());
            if (!ok_ || c == 0)
                return text;
            text.push_back(c);
        }
    }
    // A name or an ordinal; predefined control classes come as ordinals.
    std::wstring NameOrOrdinal() {
        WORD first = Get<WORD>();
        if (first == 0)
            return std::wstring();
        if (first == 0xFFFF) {
            switch (WORD atom = Get<WORD>()) {
            case 0x80:
                return L"Button";
            case 0x81:
                return L"Edit";
            case 0x82:
                return L"Static";
            case 0x83:
                return L"ListBox";
            case 0x84:
                return L"ScrollBar";
            case 0x85:
                return L"ComboBox";
            default:
                return L"#" + std::to_wstring(atom);
            }
        }
        at_ -= sizeof(WORD);
        return String();
    }
    void AlignDword() { at_ = (at_ + 3) & ~static_cast<std::size_t>(3); }
    void Skip(std::size_t n) {
        if (at_ + n > size_)
            ok_ = false;
        else
            at_ += n;
    }

  private:
    const BYTE* data_;
    std::size_t size_;
    std::size_t at_ = 0;
    bool ok_ = true;
};

} // namespace

const DialogItem* DialogTemplate::Find(DWORD id) const {
    for (const DialogItem& item : items)
        if (item.id == id)
            return &item;
    return nullptr;
}

bool LoadDialogTemplate(HMODULE module, WORD id, DialogTemplate* out) {
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), reinterpret_cast<LPCWSTR>(RT_DIALOG));
    if (!found)
        return false;
    HGLOBAL loaded = LoadResource(module, found);
    const BYTE* data = loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
    if (!data)
        return false;
    Reader r(data, SizeofResource(module, found));
    DialogTemplate t;
    WORD count = 0;
    if (r.Get<WORD>() == 1 && r.Get<WORD>() == 0xFFFF) {
        t.extended = true;
        r.Get<DWORD>(); // help id
        t.exStyle = r.Get<DWORD>();
        t.style = r.Get<DWORD>();
    } else {
        r = Reader(data, SizeofResource(module, found));
        t.style = r.Get<DWORD>();
        t.exStyle = r.Get<DWORD>();
    }
    count = r.Get<WORD>();
    t.x = r.Get<short>();
    t.y = r.Get<short>();
    t.cx = r.Get<short>();
    t.cy = r.Get<short>();
    r.NameOrOrdinal(); // menu
    r.NameOrOrdinal(); // class
    t.caption = r.String();
    if (t.style & (DS_SETFONT | DS_SHELLFONT)) {
        t.pointSize = r.Get<WORD>();
        if (t.extended) {
            r.Get<WORD>(); // weight
            r.Get<BYTE>(); // italic
            r.Get<BYTE>(); // charset
        }
        t.font = r.String();
    }
    for (WORD i = 0; i < count && r.ok(); ++i) {
        r.AlignDword();
        DialogItem item;
        if (t.extended) {
            r.Get<DWORD>(); // help id
            item.exStyle = r.Get<DWORD>();
            item.style = r.Get<DWORD>();
        } else {
            item.style = r.Get<DWORD>();
            item.exStyle = r.Get<DWORD>();
        }
        item.x = r.Get<short>();
        item.y = r.Get<short>();
        item.cx = r.Get<short>();
        item.cy = r.Get<short>();
        item.id = t.extended ? r.Get<DWORD>() : r.Get<WORD>();
        if (!t.extended && item.id == 0xFFFF)
            item.id = static_cast<DWORD>(-1);
        item.className = r.NameOrOrdinal();
        item.text = r.NameOrOrdinal();
        r.Skip(r.Get<WORD>());
        t.items.push_back(item);
    }
    if (!r.ok())
        return false;
    *out = t;
    return true;
}

std::string Utf8(const std::wstring& text) {
    if (text.empty())
        return std::string();
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], n, nullptr,
                        nullptr);
    return out;
}

} // namespace keystead_test
