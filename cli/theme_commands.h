#pragma once

#include "cli/commands.h"

namespace palvex::cli {

// verify MODEL [ARCHIVE]: every slot against the model's catalogue and, with ARCHIVE, the
// archive itself; 0 when all pass.
int runVerify(CommandContext& context);

// sheet MODEL OUT.png [ARCHIVE]: a contact sheet of every slot, with what verify finds wrong
// and its exit status.
int runSheet(CommandContext& context);

// diff MODEL A B: two themes (archives or workspace folders) slot by slot; 0 when they are the
// same, 1 when they differ, 2 when one cannot be read.
int runDiff(CommandContext& context);

} // namespace palvex::cli
