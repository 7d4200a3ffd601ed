#pragma once

#include "cli/commands.h"

namespace palvex::cli {

// verify MODEL [ARCHIVE]: every slot against the model's catalogue and, with ARCHIVE, the
// archive itself; 0 when all pass.
int runVerify(CommandContext& context);

// sheet MODEL OUT.png [ARCHIVE]: a contact sheet of every slot.
int runSheet(CommandContext& context);

} // namespace palvex::cli
