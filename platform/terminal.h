#pragma once

namespace palvex::platform {

// Whether the standard error stream is a terminal, where a person watches a progress line;
// a pipe or a file gets none, so that scripts see the same output as ever.
bool standardErrorIsTerminal();

} // namespace palvex::platform
