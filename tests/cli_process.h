#pragma once
// Running the built pandemie-cli as a child process, and the scratch files
// around it, for the tool's tests.

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "tests/scratch.h"

namespace cli_process {

namespace fs = std::filesystem;

using scratch::readFile;
using scratch::ScratchDirectory;

[[nodiscard]] inline std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) result.push_back(line);
    return result;
}

struct Outcome {
    int status = -1;  // the exit status, -1 when a signal ended the child
    std::string out;
    std::string err;
};

struct RunSettings {
    std::function<void()> inChild;     // runs between fork and exec
    const char* stdoutPath = nullptr;  // standard output there, not read back
};

// Runs pandemie-cli with args; standard output and error go through files, so
// large outputs cannot block the child.
inline Outcome runCli(const std::vector<std::string>& args, const RunSettings& settings = {}) {
    const ScratchDirectory streams;
    const std::string outPath = settings.stdoutPath ? settings.stdoutPath : (streams / "out").string();
    const std::string errPath = (streams / "err").string();
    std::vector<char*> argv{const_cast<char*>(PANDEMIE_CLI_PATH)};
    for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);

    const pid_t child = ::fork();
    if (child == 0) {
        const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (out < 0 || err < 0 || ::dup2(out, STDOUT_FILENO) < 0 || ::dup2(err, STDERR_FILENO) < 0)
            ::_exit(126);
        if (settings.inChild) settings.inChild();
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    int wait = 0;
    ::waitpid(child, &wait, 0);
    Outcome outcome;
    outcome.status = WIFEXITED(wait) ? WEXITSTATUS(wait) : -1;
    if (!settings.stdoutPath) outcome.out = readFile(outPath);
    outcome.err = readFile(errPath);
    return outcome;
}

}  // namespace cli_process
