#pragma once
// Standard output and standard error silenced: the other processes of a job
// print nothing, as rank 0 speaks for all, and a fuzzer's millions of inputs
// would only be slowed down by their reports.

#include <iostream>
#include <streambuf>

namespace pandemie::cli {

// Discards what is written to std::cout and std::cerr while it lives.
class DiscardedOutput {
public:
    DiscardedOutput() : out_(std::cout.rdbuf(&sink_)), err_(std::cerr.rdbuf(&sink_)) {}
    ~DiscardedOutput() {
        std::cout.rdbuf(out_);
        std::cerr.rdbuf(err_);
    }
    DiscardedOutput(const DiscardedOutput&) = delete;
    DiscardedOutput& operator=(const DiscardedOutput&) = delete;
    DiscardedOutput(DiscardedOutput&&) = delete;
    DiscardedOutput& operator=(DiscardedOutput&&) = delete;

private:
    class Sink : public std::streambuf {
    protected:
        int_type overflow(int_type character) override { return traits_type::not_eof(character); }
        std::streamsize xsputn(const char_type* /*text*/, std::streamsize count) override { return count; }
    };
    Sink sink_;
    std::streambuf* out_;
    std::streambuf* err_;
};

}  // namespace pandemie::cli
