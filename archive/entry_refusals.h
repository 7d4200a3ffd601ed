#pragma once

// Why the writer leaves a gathered entry out. Each goes out as the ExtendedMsg of the error
// that names the entry, so that the user learns which file is missing and why.
namespace palvex::archive::refusal {

inline constexpr const char* Link = "a symbolic link is never followed nor stored";
inline constexpr const char* Special = "a FIFO, socket or device is no file to store";
inline constexpr const char* UnreadableFolder = "the folder cannot be read";
inline constexpr const char* SizeChanged = "the file changed size while it was packed";
inline constexpr const char* NameNotOem = "the name has characters the OEM code page cannot hold";
inline constexpr const char* NameBackslash =
    "the name holds \"\\\", which readers take for a folder separator";
inline constexpr const char* NameTooLong = "the stored name is longer than 100 bytes";
inline constexpr const char* TooLarge = "files over 4 GiB - 1 byte cannot be stored";

} // namespace palvex::archive::refusal
