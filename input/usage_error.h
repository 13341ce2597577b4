#pragma once
// The error of everything a user typed or gave to read: one line, shown as
// the tool's message or raised as the module's ValueError.

#include <stdexcept>

namespace pandemie::input {

class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace pandemie::input
