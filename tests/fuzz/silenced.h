#pragma once
// The fuzz targets' parsers report bad input on standard error; the reports
// of millions of inputs would only slow the fuzzer down.

#include <iostream>
#include <streambuf>

namespace fuzz {

// Discards what is written to std::cout and std::cerr while it lives.
class Silenced {
public:
    Silenced() : out_(std::cout.rdbuf(&sink_)), err_(std::cerr.rdbuf(&sink_)) {}
    ~Silenced() {
        std::cout.rdbuf(out_);
        std::cerr.rdbuf(err_);
    }
    Silenced(const Silenced&) = delete;
    Silenced& operator=(const Silenced&) = delete;
    Silenced(Silenced&&) = delete;
    Silenced& operator=(Silenced&&) = delete;

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

}  // namespace fuzz
