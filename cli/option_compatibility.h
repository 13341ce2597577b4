#pragma once
// Which options go together: every rule about combinations of options, in
// one place.

#include "cli/option_parser.h"
#include "cli/options.h"

namespace pandemie::cli {

// Throws input::UsageError, naming an option, for the first combination of
// `given` options that makes no sense. options holds their values; the
// scenario file need not be read yet.
void checkCompatibility(const CliOptions& options, const GivenOptions& given, bool standardOutputIsTerminal);

}  // namespace pandemie::cli
