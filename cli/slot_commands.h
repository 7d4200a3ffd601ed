#pragma once

#include "cli/commands.h"

namespace palvex::cli {

// show MODEL SLOT, check MODEL SLOT PICTURE, change MODEL SLOT PICTURE.
int runShow(CommandContext& context);
int runCheck(CommandContext& context);
int runChange(CommandContext& context);

} // namespace palvex::cli
