// The header fields and the export and import directories of a PE file (32- or 64-bit), read
// from disk without loading it.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace keystead_test {

struct PeImport {
    std::string dll;
    bool byOrdinal = false;
    std::uint16_t ordinal = 0;
    std::string name;
};

struct PeImage {
    bool ok = false;
    std::uint16_t machine = 0;
    std::uint16_t subsystem = 0;
    std::string moduleName; // the name in the export directory
    std::uint32_t ordinalBase = 0;
    std::vector<std::uint32_t> exportRvas;            // one per slot; 0 for an empty slot
    std::map<std::string, std::uint16_t> exportNames; // name -> ordinal
    std::vector<PeImport> imports;
    // Non-zero for a static TLS directory, which Windows 95 refuses in a library loaded at run
    // time.
    std::uint32_t tlsDirectorySize = 0;
    // Non-zero when an Authenticode signature is attached.
    std::uint32_t securityDirectorySize = 0;
    std::vector<char> file; // the whole file as read
    // Up to count bytes of the image at an RVA, as the loader would map them from the file.
    std::vector<std::uint8_t> BytesAt(std::uint32_t rva, std::size_t count) const;

    struct Section {
        std::uint32_t rva, size, fileOffset, fileSize;
    };
    std::vector<Section> sections;
};

PeImage ReadPeImage(const std::string& path);

// The machine field of the images this test build makes (i386, or AMD64 in the 64-bit build),
// and that of the images that ship.
std::uint16_t ThisBuildsMachine();
std::uint16_t ShippedMachine();

} // namespace keystead_test
