#pragma once
// One callable of several lambdas, for std::visit over a variant.

namespace pandemie {

template <typename... Callables>
struct Overloaded : Callables... {
    using Callables::operator()...;
};
// GCC deduces it without this; clang 14 does not deduce aggregates.
template <typename... Callables>
Overloaded(Callables...) -> Overloaded<Callables...>;

}  // namespace pandemie
