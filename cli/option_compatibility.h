#pragma once
// Which output files go with a request: the tool's rules about its files.
// The request's own rules are the application layer's (app/request.h).

#include "app/request.h"
#include "cli/option_parser.h"
#include "cli/options.h"

namespace pandemie::cli {

// Throws input::UsageError, naming an option, for the first output file that
// makes no sense with the request (`request` before its files are read).
void checkOutputs(const CliOptions& options, const app::Request& request, const GivenOptions& given,
                  bool standardOutputIsTerminal);

}  // namespace pandemie::cli
