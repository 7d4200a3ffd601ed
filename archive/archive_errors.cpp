#include "archive/archive_errors.h"

#include <utility>

namespace palvex::archive {

namespace {
constexpr std::pair<int, const char*> kTexts[] = {
    {error_code::WriteError, "Error writing to file"},
    {error_code::CloseError, "Error closing file"},
    {error_code::CrcError, "File fails CRC check"},
    {error_code::InvalidDirectory, "Invalid directory"},
    {error_code::DiskFull, "Disk full"},
    {error_code::NotAccessible, "is not accessible"},
    {error_code::WriteProtected, "disk is write protected"},
    {error_code::FileNotFound, "File not found"},
    {error_code::OpenError, "Error opening file"},
    {error_code::UnsupportedType, "Invalid or unsupported archive type for this operation"},
    {error_code::NothingToAdd, "Nothing to do"},
    {error_code::EventNotAssigned, "Required event not assigned"},
    {error_code::PropertyNotAssigned, "Required property not assigned"},
    {error_code::UserCanceled, "User canceled"},
    {error_code::NothingToDo, "Nothing to do"},
    {error_code::CreateFolderQuestion, "Directory does not exist... Create?"},
};
} // namespace

std::string errorText(int code) {
    for (const auto& [number, text] : kTexts)
        if (number == code)
            return text;
    return {};
}

} // namespace palvex::archive
