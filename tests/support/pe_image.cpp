#include "pe_image.h"

#include <windows.h>

#include <cstring>
#include <fstream>
#include <iterator>

namespace keystead_test {
namespace {

class Image {
  public:
    explicit Image(std::vector<char> bytes) : bytes_(std::move(bytes)) {}

    template <typename T> bool Read(std::size_t offset, T* out) const {
        if (offset > bytes_.size() || bytes_.size() - offset < sizeof(T))
            return false;
        std::memcpy(out, bytes_.data() + offset, sizeof(T));
        return true;
    }
    std::string Text(std::size_t offset) const {
        std::string s;
        while (offset < bytes_.size() && bytes_[offset] && s.size() < 4096)
            s += bytes_[offset++];
        return s;
    }
    bool Load(PeImage* pe) {
        IMAGE_DOS_HEADER dos;
        DWORD signature = 0;
        IMAGE_FILE_HEADER file;
        WORD magic = 0;
        if (!Read(0, &dos) || dos.e_magic != IMAGE_DOS_SIGNATURE || dos.e_lfanew < 0)
            return false;
        const std::size_t headers = static_cast<std::size_t>(dos.e_lfanew);
        const std::size_t optional = headers + sizeof signature + sizeof file;
        if (!Read(headers, &signature) || signature != IMAGE_NT_SIGNATURE ||
            !Read(headers + sizeof signature, &file) || !Read(optional, &magic))
            return false;
        // The directories sit at a different place in a 64-bit image's optional header.
        if (magic == IMAGE_NT_OPTIONAL_HDR32_MAGIC) {
            IMAGE_OPTIONAL_HEADER32 header;
            if (!Read(optional, &header))
                return false;
            pe->subsystem = header.Subsystem;
            std::memcpy(directories_, header.DataDirectory, sizeof directories_);
        } else if (magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC) {
            IMAGE_OPTIONAL_HEADER64 header;
            if (!Read(optional, &header))
                return false;
            pe->subsystem = header.Subsystem;
            wide_ = true;
            std::memcpy(directories_, header.DataDirectory, sizeof directories_);
        } else {
            return false;
        }
        pe->machine = file.Machine;
        const std::size_t at = optional + file.SizeOfOptionalHeader;
        for (int i = 0; i < file.NumberOfSections; ++i) {
            IMAGE_SECTION_HEADER s;
            if (!Read(at + i * sizeof s, &s))
                return false;
            sections_.push_back(s);
            pe->sections.push_back(
                {s.VirtualAddress, s.Misc.VirtualSize, s.PointerToRawData, s.SizeOfRawData});
        }
        return true;
    }
    // File offset of an RVA, or SIZE_MAX.
    std::size_t Offset(std::uint32_t rva) const {
        for (const IMAGE_SECTION_HEADER& s : sections_) {
            const std::uint32_t size = s.Misc.VirtualSize ? s.Misc.VirtualSize : s.SizeOfRawData;
            if (rva >= s.VirtualAddress && rva - s.VirtualAddress < size)
                return s.PointerToRawData + (rva - s.VirtualAddress);
        }
        return SIZE_MAX;
    }
    const IMAGE_DATA_DIRECTORY& Directory(int index) const { return directories_[index]; }
    bool Wide() const { return wide_; }

  private:
    std::vector<char> bytes_;
    IMAGE_DATA_DIRECTORY directories_[IMAGE_NUMBEROF_DIRECTORY_ENTRIES] = {};
    bool wide_ = false;
    std::vector<IMAGE_SECTION_HEADER> sections_;
};

bool ReadExports(const Image& image, PeImage* pe) {
    const IMAGE_DATA_DIRECTORY& dir = image.Directory(IMAGE_DIRECTORY_ENTRY_EXPORT);
    if (!dir.VirtualAddress)
        return true;
    IMAGE_EXPORT_DIRECTORY exports;
    if (!image.Read(image.Offset(dir.VirtualAddress), &exports) ||
        exports.NumberOfFunctions > 65536)
        return false;
    pe->moduleName = image.Text(image.Offset(exports.Name));
    pe->ordinalBase = exports.Base;
    for (DWORD i = 0; i < exports.NumberOfFunctions; ++i) {
        std::uint32_t rva = 0;
        if (!image.Read(image.Offset(exports.AddressOfFunctions) + 4 * i, &rva))
            return false;
        pe->exportRvas.push_back(rva);
    }
    for (DWORD i = 0; i < exports.NumberOfNames && i < 65536; ++i) {
        std::uint32_t nameRva = 0;
        std::uint16_t index = 0;
        if (!image.Read(image.Offset(exports.AddressOfNames) + 4 * i, &nameRva) ||
            !image.Read(image.Offset(exports.AddressOfNameOrdinals) + 2 * i, &index))
            return false;
        pe->exportNames[image.Text(image.Offset(nameRva))] =
            static_cast<std::uint16_t>(index + exports.Base);
    }
    return true;
}

bool ReadImports(const Image& image, PeImage* pe) {
    const IMAGE_DATA_DIRECTORY& dir = image.Directory(IMAGE_DIRECTORY_ENTRY_IMPORT);
    for (std::size_t at = image.Offset(dir.VirtualAddress);;
         at += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
        IMAGE_IMPORT_DESCRIPTOR d;
        if (!image.Read(at, &d))
            return false;
        if (!d.Name)
            return true;
        const std::string dll = image.Text(image.Offset(d.Name));
        const DWORD thunks = d.OriginalFirstThunk ? d.OriginalFirstThunk : d.FirstThunk;
        const std::size_t step = image.Wide() ? 8 : 4;
        for (std::size_t t = image.Offset(thunks);; t += step) {
            std::uint64_t thunk = 0;
            std::uint32_t narrow = 0;
            if (!(image.Wide() ? image.Read(t, &thunk) : image.Read(t, &narrow)))
                return false;
            if (!image.Wide())
                thunk = narrow;
            if (!thunk)
                break;
            PeImport entry;
            entry.dll = dll;
            entry.byOrdinal =
                (thunk & (image.Wide() ? IMAGE_ORDINAL_FLAG64 : IMAGE_ORDINAL_FLAG32)) != 0;
            if (entry.byOrdinal)
                entry.ordinal = static_cast<std::uint16_t>(thunk & 0xFFFF);
            else
                entry.name = image.Text(image.Offset(static_cast<std::uint32_t>(thunk)) + 2);
            pe->imports.push_back(entry);
        }
    }
}

} // namespace

PeImage ReadPeImage(const std::string& path) {
    PeImage pe;
    std::ifstream in(path, std::ios::binary);
    pe.file.assign(std::istreambuf_iterator<char>(in), {});
    Image image(pe.file);
    pe.ok = image.Load(&pe) && ReadExports(image, &pe) && ReadImports(image, &pe);
    if (pe.ok) {
        pe.tlsDirectorySize = image.Directory(IMAGE_DIRECTORY_ENTRY_TLS).Size;
        pe.securityDirectorySize = image.Directory(IMAGE_DIRECTORY_ENTRY_SECURITY).Size;
    }
    return pe;
}

std::vector<std::uint8_t> PeImage::BytesAt(std::uint32_t rva, std::size_t count) const {
    std::vector<std::uint8_t> bytes;
    for (const Section& s : sections) {
        if (rva < s.rva || rva - s.rva >= s.fileSize)
            continue;
        const std::size_t at = s.fileOffset + (rva - s.rva);
        for (std::size_t i = 0; i < count && i < s.fileSize - (rva - s.rva) && at + i < file.size();
             ++i)
            bytes.push_back(static_cast<std::uint8_t>(file[at + i]));
        break;
    }
    return bytes;
}

std::uint16_t ThisBuildsMachine() {
    return sizeof(void*) == 8 ? IMAGE_FILE_MACHINE_AMD64 : IMAGE_FILE_MACHINE_I386;
}

std::uint16_t ShippedMachine() {
    return IMAGE_FILE_MACHINE_I386;
}

} // namespace keystead_test
