#pragma once

#include <cstdint>
#include <string>

struct stat;

namespace palvex::platform {

// The attribute word of a file, in the bit layout the archive engine and the editor test
// against. On POSIX it is derived from the file's mode and name.
namespace attr {
inline constexpr std::uint32_t ReadOnly = 0x1;
inline constexpr std::uint32_t Hidden = 0x2;
inline constexpr std::uint32_t System = 0x4;
inline constexpr std::uint32_t Directory = 0x10;
inline constexpr std::uint32_t Archive = 0x20;
inline constexpr std::uint32_t Normal = 0x80;
inline constexpr std::uint32_t Temporary = 0x100;
inline constexpr std::uint32_t ReparsePoint = 0x400; // a symbolic link
inline constexpr std::uint32_t Compressed = 0x800;
inline constexpr std::uint32_t NotContentIndexed = 0x2000;
inline constexpr std::uint32_t Encrypted = 0x4000;
inline constexpr std::uint32_t NoEntry = 0xFFFFFFFF;
} // namespace attr

// Folder or regular file, read-only when the owner may not write, hidden when the name
// begins with "."; a symbolic link also carries ReparsePoint. NoEntry when nothing is there.
std::uint32_t attributeWord(const std::string& path);

// The attribute word from what lstat() gave for an entry of that name; a link is looked
// through once to tell a folder from a file.
std::uint32_t attributeWordFromStat(const std::string& path, const struct stat& own);

// Gives the owner write permission back. A link is left alone: it has no mode of its own.
bool setNormalAttributes(const std::string& path);

// True for an existing entry that is not a folder; false for a folder, nothing, or "".
bool existsAsFile(const std::string& path);

} // namespace palvex::platform
