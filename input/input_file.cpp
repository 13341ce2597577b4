#include "input/input_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <utility>

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
    ~InputFile() { ::close(fd_); }

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
};

}  // namespace

std::string readInputFile(const std::string& path, const std::string& shown, std::size_t maxBytes,
                          InputKind kind) {
    return InputFile(path, shown, kind).read(maxBytes);
}

}  // namespace pandemie::input
