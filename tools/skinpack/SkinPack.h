// Building, listing and extracting skin packages, for skin authors.
//
// A package written here is version 40000: the 16-byte header, an 80-byte
// name field holding the skin's name, the directory (CR LF after every name,
// names in the ANSI code page), the size table and the members: the INI
// first, then the bitmaps in name order. The reader (TSkinReader) gives each
// member back byte for byte. Every function returns "" on success or a
// message that says what is wrong.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "framework/system/StreamsAndLists.h"
#include "skin/data/Skinread.h"

struct SkinPackMember {
    std::string name;  // 8-bit, ANSI code page
    std::vector<uint8_t> data;
};

inline constexpr int32_t kSkinPackVersion = 40000;

// The expanded form of a package with these members, in this order.
std::vector<uint8_t> ExpandedSkinPackage(const std::vector<SkinPackMember>& members, const std::string& skinName);

// Packs folder's one .ini file and its .bmp files into file (stored form).
std::string BuildSkinPackage(const std::filesystem::path& folder, const std::filesystem::path& file);

// Loads a stored package and checks that every member's bytes are there.
std::string OpenSkinPackage(const std::filesystem::path& file, TSkinReader& reader);

// "version N", then one "SIZE NAME" line per directory entry (names in UTF-8).
std::string ListSkinPackage(const std::filesystem::path& file, std::string& listing);

// Writes every member into folder (created when missing). A name that occurs
// twice is written once, with the first entry's bytes, as the reader serves it.
// Names that are not plain file names are refused before anything is written.
std::string ExtractSkinPackage(const std::filesystem::path& file, const std::filesystem::path& folder);
