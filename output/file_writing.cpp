#include "output/file_writing.h"

#include <fcntl.h>
#include <limits.h>  // NOLINT(modernize-deprecated-headers): PIPE_BUF is POSIX, not in <climits>
#include <poll.h>
#include <signal.h>  // NOLINT(modernize-deprecated-headers): pthread_sigmask and sigaddset are POSIX, not in <csignal>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <deque>
#include <filesystem>
#include <optional>
#include <random>
#include <utility>

#include "input/quoted.h"

namespace pandemie::output {

namespace {

using input::shownPath;
using input::UsageError;  // two options that name the same file

namespace fs = std::filesystem;

using FileStatus = struct stat;

// What an error message names: the option (none in the window) and the path as given.
struct Naming {
    std::string_view option;
    std::string_view path;
};

[[noreturn]] void fail(const Naming& naming, std::string_view reason) {
    std::string message;
    if (!naming.option.empty()) message.append(naming.option).append(": ");
    message.append("cannot write ").append(shownPath(naming.path)).append(": ").append(reason);
    throw WriteError(message);
}

[[noreturn]] void fail(const Naming& naming, int error) {
    fail(naming, std::strerror(error));
}

[[nodiscard]] fs::path directoryOf(const fs::path& path) {
    const auto parent = path.parent_path();
    return parent.empty() ? fs::path(".") : parent;
}

// With the effective user's rights, as open() would check them.
[[nodiscard]] bool mayAccess(const fs::path& path, int how) {
    return ::faccessat(AT_FDCWD, path.c_str(), how, AT_EACCESS) == 0;
}

[[nodiscard]] std::optional<FileStatus> statusOf(const fs::path& path) {
    FileStatus info{};
    if (::stat(path.c_str(), &info) != 0) return std::nullopt;
    return info;
}

// The links of /proc (behind /dev/stdout and /dev/fd/N) name an open file,
// which may be a pipe or a deleted file: only the kernel can follow them.
[[nodiscard]] bool inProcessFileSystem(const fs::path& directory) {
    constexpr long procSuperMagic = 0x9fa0;
    struct statfs info {};
    return ::statfs(directory.c_str(), &info) == 0 && info.f_type == procSuperMagic;
}

// The file behind the chain of symbolic links at path, the one the shell's >
// would open; a dangling link gives the file it would create. After too many
// links the result is still a link and opening it fails with ELOOP.
struct Resolved {
    fs::path file;
    bool throughOpenFile = false;  // a link of /proc: open path itself
};

[[nodiscard]] Resolved followLinks(const fs::path& path) {
    constexpr int maxLinks = 40;
    fs::path current = path;
    for (int links = 0; links < maxLinks; ++links) {
        FileStatus info{};
        if (::lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return {current};
        if (inProcessFileSystem(directoryOf(current))) return {path, true};
        std::error_code error;
        const fs::path target = fs::read_symlink(current, error);
        if (error) return {current};
        current = target.is_absolute() ? target : directoryOf(current) / target;
    }
    return {current};
}

// Two paths name the same file when they reach the same inode, or, for a
// file not there yet, the same name in the same folder.
struct Identity {
    dev_t device = 0;
    ino_t inode = 0;
    std::string path;
    bool operator==(const Identity&) const = default;
};

[[nodiscard]] Identity identityOf(const std::string& path) {
    FileStatus info{};
    if (path == standardOutput)
        return ::fstat(STDOUT_FILENO, &info) == 0 ? Identity{info.st_dev, info.st_ino, {}}
                                                  : Identity{0, 0, path};
    const fs::path file = followLinks(path).file;
    if (::stat(file.c_str(), &info) == 0) return {info.st_dev, info.st_ino, {}};
    std::error_code error;
    const fs::path folder = fs::canonical(directoryOf(file), error);
    if (!error) return {0, 0, (folder / file.filename()).string()};
    return {0, 0, fs::absolute(file, error).lexically_normal().string()};
}

// A file read is named by path as a file, "-" included.
[[nodiscard]] std::optional<Identity> inputIdentityOf(const std::string& path) {
    FileStatus info{};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
    return Identity{info.st_dev, info.st_ino, {}};
}

[[nodiscard]] std::string sameFileMessage(const std::string& option, const std::string& path,
                                          const std::string& earlierOption, const std::string& earlierPath) {
    return option + " " + path + " is the same file as " + earlierOption + " " + earlierPath;
}

enum class Way {
    standardOutput,
    replace,  // a new file renamed over the target (or into its place)
    inPlace,  // the existing file opened and overwritten
};

struct Location {
    Way way = Way::replace;
    fs::path file;
    std::optional<FileStatus> existing;
};

// A regular file is replaced only where the rename is allowed: the folder must
// be writable, and in a sticky folder such as /tmp the file or folder ours.
[[nodiscard]] bool replaceable(const fs::path& file, const FileStatus& info) {
    const fs::path folder = directoryOf(file);
    const auto folderInfo = statusOf(folder);
    if (!folderInfo || !mayAccess(folder, W_OK | X_OK)) return false;
    const uid_t user = ::geteuid();
    const bool sticky = (folderInfo->st_mode & S_ISVTX) != 0;
    return !sticky || user == 0 || info.st_uid == user || folderInfo->st_uid == user;
}

// A new file takes our user and group; it can be given the old file's where
// root writes, or a user its own file of one of its groups. Elsewhere the
// file is written in place, as the shell's > would, and keeps its owners.
[[nodiscard]] bool ownersKeepable(const FileStatus& info) {
    const uid_t user = ::geteuid();
    if (user == 0) return true;
    if (info.st_uid != user) return false;
    if (info.st_gid == ::getegid()) return true;
    const int count = ::getgroups(0, nullptr);
    std::vector<gid_t> groups(static_cast<std::size_t>(std::max(count, 0)));
    const int listed = ::getgroups(count, groups.data());
    return listed > 0 &&
           std::ranges::find(groups.begin(), groups.begin() + listed, info.st_gid) != groups.begin() + listed;
}

// Where and how path is written; refuses what the shell's > would refuse.
[[nodiscard]] Location locate(const std::string& path, const Naming& naming) {
    if (path == standardOutput) return {Way::standardOutput, {}, std::nullopt};
    const Resolved resolved = followLinks(path);
    const auto existing = statusOf(resolved.file);
    if (!existing) {
        if (errno != ENOENT || resolved.throughOpenFile) fail(naming, errno);
        const fs::path folder = directoryOf(resolved.file);
        const auto folderInfo = statusOf(folder);
        if (!folderInfo) fail(naming, errno);
        if (!S_ISDIR(folderInfo->st_mode)) fail(naming, ENOTDIR);
        if (!mayAccess(folder, W_OK | X_OK)) fail(naming, errno);
        return {Way::replace, resolved.file, std::nullopt};
    }
    if (S_ISDIR(existing->st_mode)) fail(naming, EISDIR);
    if (!mayAccess(resolved.file, W_OK)) fail(naming, errno);
    // Other names of a hard-linked file must see the new contents too, so
    // it can only be overwritten in place: not atomic, like the shell's >.
    const bool replace = !resolved.throughOpenFile && S_ISREG(existing->st_mode) && existing->st_nlink == 1 &&
                         replaceable(resolved.file, *existing) && ownersKeepable(*existing);
    return {replace ? Way::replace : Way::inPlace, resolved.file, existing};
}

// Ctrl-C, kill or a hang-up while temporary files exist would leave them
// behind; held back, they take effect once the files are in place or removed.
// A broken pipe is held back as well and ends the tool after the clean-up.
constexpr std::array<int, 4> interruptions{SIGINT, SIGTERM, SIGHUP, SIGQUIT};

class InterruptionsHeldBack {
public:
    InterruptionsHeldBack() noexcept {
        sigset_t held;
        ::sigemptyset(&held);
        for (const int signal : interruptions) ::sigaddset(&held, signal);
        ::sigaddset(&held, SIGPIPE);
        ::pthread_sigmask(SIG_BLOCK, &held, &previous_);
    }
    InterruptionsHeldBack(const InterruptionsHeldBack&) = delete;
    InterruptionsHeldBack& operator=(const InterruptionsHeldBack&) = delete;
    InterruptionsHeldBack(InterruptionsHeldBack&&) = delete;
    InterruptionsHeldBack& operator=(InterruptionsHeldBack&&) = delete;
    ~InterruptionsHeldBack() { ::pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }

private:
    sigset_t previous_{};
};

// An interruption waiting for its turn that will end the tool (one the user
// ignores, as under nohup, does not).
[[nodiscard]] bool interruptionPending() {
    sigset_t pending;
    ::sigemptyset(&pending);
    if (::sigpending(&pending) != 0) return false;
    return std::ranges::any_of(interruptions, [&](int signal) {
        struct sigaction action {};
        return ::sigismember(&pending, signal) == 1 && ::sigaction(signal, nullptr, &action) == 0 &&
               action.sa_handler != SIG_IGN;  // NOLINT(cppcoreguidelines-pro-type-union-access)
    });
}

// A pipe, terminal or device may block for as long as its reader pleases; the
// wait ends early when an interruption is pending, so that it can take effect.
void waitUntilWritable(int fd, const Naming& naming) {
    constexpr int checkMilliseconds = 100;
    for (;;) {
        if (interruptionPending()) fail(naming, "interrupted");
        pollfd request{fd, POLLOUT, 0};
        const int ready = ::poll(&request, 1, checkMilliseconds);
        if (ready > 0 || (ready < 0 && errno != EINTR)) return;  // write() reports any error
    }
}

void writeAll(int fd, std::string_view contents, const Naming& naming) {
    FileStatus info{};
    const bool mayBlock = ::fstat(fd, &info) == 0 && !S_ISREG(info.st_mode);
    while (!contents.empty()) {
        std::size_t chunk = contents.size();
        if (mayBlock) {
            waitUntilWritable(fd, naming);
            chunk = std::min<std::size_t>(chunk, PIPE_BUF);  // fits once the pipe has room
        }
        const ssize_t written = ::write(fd, contents.data(), chunk);
        if (written < 0) {
            if (errno == EINTR) continue;
            fail(naming, errno);
        }
        contents.remove_prefix(static_cast<std::size_t>(written));
    }
}

// A fixed-length name, so that any name the file system takes as a target
// leaves room for the temporary beside it.
[[nodiscard]] std::string temporaryName() {
    static constexpr std::string_view letters =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device device;
    std::uniform_int_distribution<std::size_t> pick(0, letters.size() - 1);
    std::string name = ".pandemie-";
    for (int i = 0; i < 6; ++i) name += letters[pick(device)];
    return name;
}

// A new file beside a target, removed again unless it was put in place.
class TemporaryFile {
public:
    TemporaryFile(const fs::path& target, const Naming& naming) : target_(target), naming_(naming) {
        constexpr int attempts = 100;
        for (int attempt = 0; attempt < attempts && fd_ < 0; ++attempt) {
            path_ = directoryOf(target) / temporaryName();
            // 0666 less the umask, as the shell's > creates files.
            fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd_ < 0 && errno != EEXIST) fail(naming_, errno);
        }
        if (fd_ < 0) fail(naming_, EEXIST);
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    TemporaryFile(TemporaryFile&&) = delete;
    TemporaryFile& operator=(TemporaryFile&&) = delete;
    ~TemporaryFile() {
        if (fd_ >= 0) ::close(fd_);
        if (!placed_) ::unlink(path_.c_str());
    }

    // Writes contents in full and flushes them to disk; a replaced file's
    // permissions, and its owner and group where we may keep them, carry over.
    void write(std::string_view contents, const std::optional<FileStatus>& replaced) {
        writeAll(fd_, contents, naming_);
        if (replaced) {
            const bool ownersKept = ::fchown(fd_, replaced->st_uid, replaced->st_gid) == 0 ||
                                    ::fchown(fd_, static_cast<uid_t>(-1), replaced->st_gid) == 0;
            static_cast<void>(ownersKept);  // else the file belongs to us, as a new file would
            if (::fchmod(fd_, replaced->st_mode & 0777) != 0) fail(naming_, errno);
        }
        if (::fsync(fd_) != 0) fail(naming_, errno);
        if (::close(std::exchange(fd_, -1)) != 0) fail(naming_, errno);
    }

    void putInPlace() {
        if (::rename(path_.c_str(), target_.c_str()) != 0) fail(naming_, errno);
        placed_ = true;
    }

private:
    fs::path target_;
    Naming naming_;
    fs::path path_;
    int fd_ = -1;
    bool placed_ = false;
};

// Makes renames in folder durable; the files are complete either way, so a
// failure here is not reported.
void syncFolder(const fs::path& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

// One target of a commit, from its location to its new contents in place.
class PendingFile {
public:
    // Opens a file written in place already, before any temporary file exists:
    // opening a named pipe waits for its reader, and Ctrl-C may end that wait.
    PendingFile(std::string_view option, const std::string& path, std::string_view contents)
        : naming_{option, path}, contents_(contents), location_(locate(path, naming_)) {
        if (location_.way == Way::standardOutput) fd_ = STDOUT_FILENO;
        if (location_.way != Way::inPlace) return;
        fd_ = ::open(location_.file.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
        if (fd_ < 0) fail(naming_, errno);
    }
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;
    PendingFile(PendingFile&&) = delete;
    PendingFile& operator=(PendingFile&&) = delete;
    ~PendingFile() {
        if (fd_ > STDERR_FILENO) ::close(fd_);
    }

    void writeTemporary() {
        if (location_.way != Way::replace) return;
        temporary_.emplace(location_.file, naming_);
        temporary_->write(contents_, location_.existing);
    }

    void writeInPlace() {
        if (location_.way == Way::replace) return;
        const bool regular = location_.existing && S_ISREG(location_.existing->st_mode);
        if (location_.way == Way::inPlace && regular && ::ftruncate(fd_, 0) != 0) fail(naming_, errno);
        writeAll(fd_, contents_, naming_);
        if (location_.way == Way::inPlace && regular && ::fsync(fd_) != 0) fail(naming_, errno);
    }

    // Returns the folder whose entries changed, if any.
    [[nodiscard]] std::optional<fs::path> putInPlace() {
        if (!temporary_) return std::nullopt;
        temporary_->putInPlace();
        return directoryOf(location_.file);
    }

private:
    Naming naming_;
    std::string_view contents_;
    Location location_;
    int fd_ = -1;
    std::optional<TemporaryFile> temporary_;
};

}  // namespace

void OutputBatch::add(std::string option, std::string path) {
    const Identity identity = identityOf(path);
    for (const Input& input : inputs_)
        if (inputIdentityOf(input.path) == identity)
            throw UsageError(sameFileMessage(option, path, input.option, input.path));
    for (const Target& earlier : targets_) {
        std::string conflict;
        if (path == standardOutput && earlier.path == standardOutput) {
            conflict.append(earlier.option).append(" and ").append(option);
            conflict.append(" both name standard output (-); at most one may");
        } else if (identityOf(earlier.path) == identity) {
            conflict = sameFileMessage(option, path, earlier.option, earlier.path);
        }
        if (!conflict.empty()) throw UsageError(conflict);
    }
    targets_.push_back({std::move(option), std::move(path), {}, false});
}

void OutputBatch::add(const std::string& option, std::string path, std::string contents) {
    add(option, std::move(path));
    setContents(option, std::move(contents));
}

void OutputBatch::addInput(std::string option, std::string path) {
    if (const auto identity = inputIdentityOf(path)) {
        for (const Target& output : targets_)
            if (identityOf(output.path) == *identity)
                throw UsageError(sameFileMessage(output.option, output.path, option, path));
    }
    inputs_.push_back({std::move(option), std::move(path)});
}

void OutputBatch::checkWritable() const {
    for (const Target& target : targets_) {
        const Naming naming{target.option, target.path};
        const Location location = locate(target.path, naming);
        if (location.way != Way::replace) continue;
        const InterruptionsHeldBack heldBack;
        const TemporaryFile probe(location.file, naming);  // removed again at once
    }
}

void OutputBatch::setContents(std::string_view option, std::string contents) {
    const auto target = std::ranges::find(targets_, option, &Target::option);
    if (target == targets_.end()) throw std::logic_error("no file added for " + std::string(option));
    target->contents = std::move(contents);
    target->hasContents = true;
}

void OutputBatch::commit() {
    // Declared first, so that the interruptions are let through only after
    // every temporary file is gone.
    std::optional<InterruptionsHeldBack> heldBack;
    std::deque<PendingFile> files;
    for (const Target& target : targets_)
        if (target.hasContents) files.emplace_back(target.option, target.path, target.contents);
    heldBack.emplace();
    for (PendingFile& file : files) file.writeTemporary();
    for (PendingFile& file : files) file.writeInPlace();
    std::vector<fs::path> changedFolders;
    for (PendingFile& file : files)
        if (auto folder = file.putInPlace()) changedFolders.push_back(std::move(*folder));
    for (const fs::path& folder : changedFolders) syncFolder(folder);
}

void writeFile(const std::string& path, std::string_view contents) {
    OutputBatch batch;
    batch.add({}, path == standardOutput ? "./-" : path, std::string(contents));
    batch.commit();
}

}  // namespace pandemie::output
