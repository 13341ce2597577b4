#include "output.h"

#include <fcntl.h>
#include <signal.h>  // NOLINT(modernize-deprecated-headers): pthread_sigmask and sigaddset are POSIX, not in <csignal>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

namespace pandemie::cli {

namespace {

[[noreturn]] void fail(const std::string& what, int error) {
    throw WriteError("cannot write " + what + ": " + std::strerror(error));
}

void writeAll(int fd, std::string_view contents, const std::string& what) {
    while (!contents.empty()) {
        const ssize_t written = ::write(fd, contents.data(), contents.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            fail(what, errno);
        }
        contents.remove_prefix(static_cast<std::size_t>(written));
    }
}

[[nodiscard]] std::filesystem::path directoryOf(const std::filesystem::path& path) {
    const auto parent = path.parent_path();
    return parent.empty() ? std::filesystem::path(".") : parent;
}

void refuseDirectory(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) fail(path, EISDIR);
}

// Permissions for the new file: those of the file it replaces, else the
// usual 0666 less the umask (mkstemp itself creates files as 0600).
[[nodiscard]] mode_t modeFor(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0) return info.st_mode & 07777;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return static_cast<mode_t>(0666 & ~mask);
}

// Ctrl-C, kill or a hang-up while the file is written would leave the
// temporary behind; held back, they take effect once it is renamed or removed.
class InterruptionsHeldBack {
public:
    InterruptionsHeldBack() noexcept {
        sigset_t interruptions;
        ::sigemptyset(&interruptions);
        for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) ::sigaddset(&interruptions, signal);
        ::pthread_sigmask(SIG_BLOCK, &interruptions, &previous_);
    }
    InterruptionsHeldBack(const InterruptionsHeldBack&) = delete;
    InterruptionsHeldBack& operator=(const InterruptionsHeldBack&) = delete;
    ~InterruptionsHeldBack() { ::pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }

private:
    sigset_t previous_{};
};

// A uniquely named file beside the target, removed again unless committed.
class TemporaryFile {
public:
    explicit TemporaryFile(const std::string& target) : target_(target) {
        const std::filesystem::path targetPath(target);
        std::string hiddenName(".");
        hiddenName += targetPath.filename().string();
        hiddenName += ".XXXXXX";
        const std::string pattern = (directoryOf(targetPath) / hiddenName).string();
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        fd_ = ::mkstemp(name.data());
        if (fd_ < 0) fail(target_, errno);
        path_ = name.data();
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile() {
        if (fd_ >= 0) ::close(fd_);
        if (!committed_) ::unlink(path_.c_str());
    }

    void write(std::string_view contents) const { writeAll(fd_, contents, target_); }

    // Flushes to disk, closes and renames over the target.
    void commit(mode_t mode) {
        if (::fchmod(fd_, mode) != 0) fail(target_, errno);
        if (::fsync(fd_) != 0) fail(target_, errno);
        const int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0) fail(target_, errno);
        if (::rename(path_.c_str(), target_.c_str()) != 0) fail(target_, errno);
        committed_ = true;
        syncDirectory();
    }

private:
    // Makes the rename itself durable; the file is complete either way, so a
    // failure here is not reported.
    void syncDirectory() const {
        const int dir = ::open(directoryOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dir < 0) return;
        ::fsync(dir);
        ::close(dir);
    }

    std::string target_;
    std::string path_;
    int fd_ = -1;
    bool committed_ = false;
};

}  // namespace

void checkWritable(const std::string& path) {
    refuseDirectory(path);
    const InterruptionsHeldBack heldBack;
    const TemporaryFile probe(path);  // removed again at once
}

void writeFileAtomically(const std::string& path, std::string_view contents) {
    refuseDirectory(path);
    const mode_t mode = modeFor(path);
    const InterruptionsHeldBack heldBack;  // outlives the temporary
    TemporaryFile file(path);
    file.write(contents);
    file.commit(mode);
}

void writeStandardOutput(std::string_view contents) {
    writeAll(STDOUT_FILENO, contents, "standard output");
}

}  // namespace pandemie::cli
