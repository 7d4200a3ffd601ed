#pragma once

#include <stdexcept>
#include <string>

namespace palvex {

// The one exception type the system raises; its message is what the user is shown.
class Exception : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace palvex
