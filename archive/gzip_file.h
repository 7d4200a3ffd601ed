#pragma once

#include <string>

namespace palvex::archive {

// Compresses a file into a gzip file through zlib. The result goes to a new file beside the
// target that takes the target's name only when complete, so a failure leaves an existing
// target as it was. Raises palvex::Exception with the reason.
void gzipFile(const std::string& source, const std::string& target);

} // namespace palvex::archive
