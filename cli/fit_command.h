#pragma once

#include "cli/commands.h"

namespace palvex::cli {

// palvex-theme fit: one picture into one slot (or into a file with --output), or every
// picture of a folder into the slot whose file has its base name (--folder).
int runFit(CommandContext& context);

} // namespace palvex::cli
