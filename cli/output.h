#pragma once
// Writing the tool's output: to a file so that a failure never leaves a partial
// file behind, or to standard output with every error reported.

#include <stdexcept>
#include <string>
#include <string_view>

namespace pandemie::cli {

class WriteError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Fails early, before a long computation, if path is a directory or its
// directory does not accept new files. Throws WriteError.
void checkWritable(const std::string& path);

// Afterwards path holds either its previous contents or all of contents: the
// text goes to a temporary file beside path, is flushed to disk and renamed
// over path. The temporary is removed on any failure. Throws WriteError.
void writeFileAtomically(const std::string& path, std::string_view contents);

// Writes all of contents to standard output. Throws WriteError.
void writeStandardOutput(std::string_view contents);

}  // namespace pandemie::cli
