#pragma once
// Writing files as the shell's > would, but never leaving one half-written:
// a regular file is replaced atomically by a complete new one beside it; a
// device, a named pipe, standard output or a file with several hard links is
// written in place, and so is a file whose owner a new file could not keep;
// symbolic links are followed and stay links.

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "input/usage_error.h"

namespace pandemie::output {

// A file that cannot be written; one line naming the option (if any) and the path.
class WriteError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The path that stands for standard output in an OutputBatch.
inline constexpr std::string_view standardOutput = "-";

// The files of one call, committed together: each named by the option that
// asked for it. Everything is checked, prepared and written to temporary files
// first; only then are the files put in place, one after the other.
class OutputBatch {
public:
    // Throws input::UsageError if path is the file of an earlier option, however
    // spelled, or if both are standardOutput.
    void add(std::string option, std::string path);
    void add(const std::string& option, std::string path, std::string contents);

    // A file the call reads, named by its option: no output may be that file.
    // Throws UsageError if an earlier output is; add the inputs first. Only
    // a regular file counts; a pipe or a terminal read is not overwritten.
    void addInput(std::string option, std::string path);

    // Fails early, before a long computation, for a file the user may not
    // write or a folder that does not take a new file. Throws WriteError.
    void checkWritable() const;

    void setContents(std::string_view option, std::string contents);

    // Writes every file that has contents. On a failure before the first file
    // is put in place no file is touched and no temporary file remains.
    // Throws WriteError.
    void commit();

private:
    struct Target {
        std::string option;
        std::string path;
        std::string contents;
        bool hasContents = false;
    };
    struct Input {
        std::string option;
        std::string path;
    };
    std::vector<Target> targets_;
    std::vector<Input> inputs_;
};

// The window's saves: one file, "-" being a file of that name. Throws WriteError.
void writeFile(const std::string& path, std::string_view contents);

}  // namespace pandemie::output
