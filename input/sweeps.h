#pragma once
// The axes of a sweep (--sweep): NAME=FROM..TO[:STEP] or NAME=V1,V2,....
// Bad input throws UsageError with a one-line message that follows the
// option's name, as in "--sweep: \"x\": expected NAME=VALUE, got \"x\"".

#include <string>

#include "model/scenario.h"

namespace pandemie::input {

// The axis of text, its values ascending.
[[nodiscard]] SweepAxis parseSweep(const std::string& text);

}  // namespace pandemie::input
