#include "input/input_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <utility>

#include "input/quoted.h"
#include "input/usage_error.h"

namespace pandemie::input {

namespace {

[[noreturn]] void failToRead(const std::string& shown, int error) {
    throw UsageError(shown + ": cannot read the file: " + std::strerror(error));
}

// What a file other than a regular one is, as messages name it.
[[nodiscard]] const char* kindOf(mode_t mode) {
    if (S_ISDIR(mode)) return "a directory";
    if (S_ISFIFO(mode)) return "a named pipe";
    if (S_ISSOCK(mode)) return "a socket";
    return "a device";
}

void requireRegularFile(const std::string& shown, const struct stat& info) {
    if (!S_ISREG(info.st_mode))
        throw UsageError(shown + ": " + kindOf(info.st_mode) + ", not a regular file");
}

class InputFile {
public:
    // Standard input, already open; read, never closed.
    explicit InputFile(std::string shown) : shown_(std::move(shown)), fd_(STDIN_FILENO), owned_(false) {}
    InputFile(const std::string& path, std::string shown, InputKind kind) : shown_(std::move(shown)) {
        // Opening a named pipe would wait for a writer, and opening a device
        // may act on it: the kind is known from the path first, and checked
        // again on what was opened, in case the path changed in between.
        struct stat info {};
        if (kind == InputKind::regularFile) {
            if (::stat(path.c_str(), &info) != 0) failToRead(shown_, errno);
            requireRegularFile(shown_, info);
        }
        const int flags = O_RDONLY | O_CLOEXEC | O_NOCTTY | (kind == InputKind::regularFile ? O_NONBLOCK : 0);
        fd_ = ::open(path.c_str(), flags);
        if (fd_ < 0) failToRead(shown_, errno);
        if (kind == InputKind::regularFile) {
            if (::fstat(fd_, &info) != 0) failToRead(shown_, errno);
            requireRegularFile(shown_, info);
        }
    }
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;
    ~InputFile() {
        if (owned_) ::close(fd_);
    }

    [[nodiscard]] std::string read(std::size_t maxBytes) const {
        std::string text;
        std::array<char, std::size_t{1} << 16U> piece{};
        while (text.size() <= maxBytes) {
            const ssize_t got = ::read(fd_, piece.data(), piece.size());
            if (got == 0) break;
            if (got < 0) {
                if (errno == EINTR) continue;
                failToRead(shown_, errno);  // a directory, for one
            }
            text.append(piece.data(), static_cast<std::size_t>(got));
        }
        if (text.size() > maxBytes + 1) text.resize(maxBytes + 1);
        return text;
    }

private:
    std::string shown_;
    int fd_ = -1;
    bool owned_ = true;
};

}  // namespace

std::string readInputFile(const std::string& path, const std::string& shown, std::size_t maxBytes,
                          InputKind kind) {
    if (path == standardInput) return InputFile(shown).read(maxBytes);
    return InputFile(path, shown, kind).read(maxBytes);
}

std::string shownInput(std::string_view path) {
    return path == standardInput ? "standard input" : shownPath(path);
}

std::size_t lineEndAt(std::string_view text, std::size_t& next) {
    const std::size_t end = std::min(text.find_first_of("\r\n"), text.size());
    next = end + (text.substr(end, 2) == "\r\n" ? 2 : 1);
    return end;
}

}  // namespace pandemie::input
