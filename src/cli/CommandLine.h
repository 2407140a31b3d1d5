// The command line of ombrane-batch: the commands, the usage and the help, the parsing of a
// command's options and operands, and the run of a whole command line (the files of a list, a
// shard of them, a result table written to standard output or to a file and resumed).
#pragma once

#include <string_view>
#include <vector>

#include "Batch.h"

namespace ombrane::batch {

// The command named `name`; nullptr for none.
const Command* FindCommand(std::string_view name);

// The command (args[0]) and its options and operands; UsageError for anything it does not accept.
// An argument after "--", "-" (standard input) and a negative number are operands.
const Command& ParseCommandLine(const std::vector<std::string_view>& args, Invocation& invocation);

// Runs the command line `args` (without the program's name) and returns the exit status.
int RunBatch(const std::vector<std::string_view>& args);

}  // namespace ombrane::batch
