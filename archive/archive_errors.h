#pragma once

#include "platform/exception.h"

#include <string>

namespace palvex::archive {

// Every error an archive component reports, by its number.
namespace error_code {
inline constexpr int WriteError = 25136;
inline constexpr int CloseError = 25138;
inline constexpr int CrcError = 25151;
inline constexpr int InvalidDirectory = 25158;
inline constexpr int DiskFull = 25160;
inline constexpr int NotAccessible = 25170;
inline constexpr int WriteProtected = 25171;
inline constexpr int FileNotFound = 25192;
inline constexpr int OpenError = 25235;
inline constexpr int UnsupportedType = 25244;
inline constexpr int NothingToAdd = 25268;
inline constexpr int EventNotAssigned = 25270;
inline constexpr int PropertyNotAssigned = 25271;
inline constexpr int UserCanceled = 25443;
inline constexpr int NothingToDo = 26859;
inline constexpr int CreateFolderQuestion = 26899;
} // namespace error_code

// The text of a code, exactly as the user is shown it; empty for an unknown code.
std::string errorText(int code);

// What RaiseError raises: its message is the code's text.
class E_RAISE : public Exception {
public:
    E_RAISE(int code) : Exception(errorText(code)), code_(code) {}
    int code() const { return code_; }

private:
    int code_;
};

} // namespace palvex::archive
