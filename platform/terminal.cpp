#include "platform/terminal.h"

#include <unistd.h>

namespace palvex::platform {

bool standardErrorIsTerminal() {
    return ::isatty(STDERR_FILENO) == 1;
}

} // namespace palvex::platform
