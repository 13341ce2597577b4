// The file layer's writing, target by target, in scratch folders. Device
// nodes are made there with mknod; no test writes a real device.

#include <fcntl.h>
#include <grp.h>
#include <signal.h>  // NOLINT(modernize-deprecated-headers): with the POSIX names
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "input/usage_error.h"
#include "output/file_writing.h"
#include "tests/scratch.h"

namespace {

namespace fs = std::filesystem;
using pandemie::input::UsageError;
using pandemie::output::OutputBatch;
using pandemie::output::WriteError;
using pandemie::output::writeFile;
using scratch::readFile;
using scratch::ScratchDirectory;

constexpr uid_t nobody = 65534;

void put(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

[[nodiscard]] struct stat statusOf(const fs::path& path) {
    struct stat info {};
    EXPECT_EQ(::lstat(path.c_str(), &info), 0) << path;
    return info;
}

// The message of the WriteError that writing path throws, "" if none.
[[nodiscard]] std::string writeFailure(const fs::path& path, const std::string& contents = "new") {
    try {
        writeFile(path.string(), contents);
    } catch (const WriteError& error) {
        return error.what();
    }
    return "";
}

// Runs work in a forked child, for limits and users the test process keeps
// out of; returns its exit status, -1 when a signal ended it.
[[nodiscard]] int inChild(const std::function<int()>& work) {
    const pid_t child = ::fork();
    if (child == 0) ::_exit(work());
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(ioFiles, regularFilesAreReplacedWholeKeepingModeAndOwner) {
    const ScratchDirectory dir;
    const mode_t oldMask = ::umask(022);
    writeFile((dir / "new.csv").string(), "fresh");
    ::umask(oldMask);
    EXPECT_EQ(statusOf(dir / "new.csv").st_mode & 0777, 0644U);

    put(dir / "old.csv", "old contents, longer than the new");
    ::chmod((dir / "old.csv").c_str(), 0640);
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown((dir / "old.csv").c_str(), nobody, nobody), 0);
    }
    const ino_t oldInode = statusOf(dir / "old.csv").st_ino;
    writeFile((dir / "old.csv").string(), "new");
    const struct stat replaced = statusOf(dir / "old.csv");
    EXPECT_EQ(readFile(dir / "old.csv"), "new");
    EXPECT_NE(replaced.st_ino, oldInode) << "a new file, renamed into place";
    EXPECT_EQ(replaced.st_mode & 0777, 0640U);
    if (root) {
        EXPECT_EQ(replaced.st_uid, nobody);
        EXPECT_EQ(replaced.st_gid, nobody);
    }

    const std::string longest(255, 'n');
    writeFile((dir / longest).string(), "long name");
    EXPECT_EQ(readFile(dir / longest), "long name");
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"new.csv", longest, "old.csv"}))
        << "no temporary left";
}

TEST(ioFiles, linksAreFollowedAndStayLinks) {
    const ScratchDirectory dir;
    fs::create_directory(dir / "sub");
    put(dir / "sub" / "target", "old");
    fs::create_symlink("hop", dir / "chain");  // chain -> hop -> sub/target
    fs::create_symlink("sub/target", dir / "hop");
    fs::create_symlink(dir / "sub" / "target", dir / "absolute");
    fs::create_symlink("../other", dir / "sub" / "relative");  // from the link's folder, not ours
    fs::create_symlink("sub/created", dir / "dangling");

    writeFile((dir / "chain").string(), "1");
    EXPECT_EQ(readFile(dir / "sub" / "target"), "1");
    writeFile((dir / "absolute").string(), "2");
    EXPECT_EQ(readFile(dir / "sub" / "target"), "2");
    writeFile((dir / "sub" / "relative").string(), "3");
    EXPECT_EQ(readFile(dir / "other"), "3");
    writeFile((dir / "dangling").string(), "4");
    EXPECT_EQ(readFile(dir / "sub" / "created"), "4");
    for (const char* link : {"chain", "hop", "absolute", "sub/relative", "dangling"})
        EXPECT_TRUE(fs::is_symlink(dir / link)) << link;
    EXPECT_EQ(dir.entryCount(), 6U);

    fs::create_symlink("loop", dir / "loop");
    EXPECT_NE(writeFailure(dir / "loop").find("Too many levels of symbolic links"), std::string::npos);
}

TEST(ioFiles, hardLinkedFileIsOverwrittenInPlace) {
    const ScratchDirectory dir;
    put(dir / "a", "old contents of both names");
    fs::create_hard_link(dir / "a", dir / "b");
    const ino_t inode = statusOf(dir / "a").st_ino;
    writeFile((dir / "a").string(), "new");
    EXPECT_EQ(readFile(dir / "b"), "new");
    EXPECT_EQ(statusOf(dir / "a").st_ino, inode);
    EXPECT_EQ(statusOf(dir / "b").st_nlink, 2U);
}

TEST(ioFiles, namedPipeIsWrittenNotReplaced) {
    const ScratchDirectory dir;
    const fs::path pipe = dir / "pipe";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const std::string contents(200'000, 'p');  // more than the pipe holds
    std::string received;
    std::thread reader([&] { received = readFile(pipe); });
    writeFile(pipe.string(), contents);
    reader.join();
    EXPECT_EQ(received, contents);
    EXPECT_TRUE(S_ISFIFO(statusOf(pipe).st_mode));
    EXPECT_EQ(dir.entryCount(), 1U);
}

TEST(ioFiles, deviceNodesAreWrittenInPlace) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "not root: no device nodes can be made, null and full devices untested";
    const ScratchDirectory dir;
    const fs::path null = dir / "null";
    const fs::path full = dir / "full";
    if (::mknod(null.c_str(), S_IFCHR | 0666, ::makedev(1, 3)) != 0 ||
        ::mknod(full.c_str(), S_IFCHR | 0666, ::makedev(1, 7)) != 0)
        GTEST_SKIP() << "mknod refused here (" << std::strerror(errno) << "): null and full devices untested";
    EXPECT_EQ(writeFailure(null), "");
    const std::string failure = writeFailure(full);
    EXPECT_NE(failure.find(full.string() + ": No space left on device"), std::string::npos) << failure;
    EXPECT_TRUE(S_ISCHR(statusOf(null).st_mode));
    EXPECT_TRUE(S_ISCHR(statusOf(full).st_mode));
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"full", "null"}));
}

TEST(ioFiles, unwritableFilesAreRefusedUntouched) {
    const ScratchDirectory dir;
    const bool root = ::geteuid() == 0;
    fs::permissions(dir.path(), fs::perms::owner_all | fs::perms::others_exec);
    fs::create_directory(dir / "shared");
    fs::permissions(dir / "shared", fs::perms::all);
    const fs::path readOnly = dir / "shared" / "read-only";
    const fs::path others = dir / "shared" / "others";
    put(readOnly, "kept");
    ::chmod(readOnly.c_str(), 0444);
    put(others, "kept");
    if (root) {
        ASSERT_EQ(::chown(readOnly.c_str(), nobody, nobody), 0);
    }

    const int status = inChild([&] {
        if (root && (::setgroups(0, nullptr) != 0 || ::setgid(nobody) != 0 || ::setuid(nobody) != 0))
            return 3;
        for (const fs::path& file : root ? std::vector{readOnly, others} : std::vector{readOnly}) {
            if (writeFailure(file).find(file.string() + ": Permission denied") == std::string::npos) return 1;
            OutputBatch batch;
            batch.add("--output", file.string());
            try {
                batch.checkWritable();
                return 2;
            } catch (const WriteError&) {
            }
        }
        return 0;
    });
    if (status == 3) GTEST_SKIP() << "cannot become user " << nobody << ": permission cases untested";
    EXPECT_EQ(status, 0);
    if (!root) std::printf("not root: another user's file untested\n");
    EXPECT_EQ(readFile(readOnly), "kept");
    EXPECT_EQ(readFile(others), "kept");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir / "shared"), fs::directory_iterator()), 2);

    if (root) {  // as the shell's > lets root write it
        writeFile(readOnly.string(), "root's");
        EXPECT_EQ(readFile(readOnly), "root's");
        EXPECT_EQ(statusOf(readOnly).st_mode & 0777, 0444U);
        EXPECT_EQ(statusOf(readOnly).st_uid, nobody);
    }
}

TEST(ioBatch, sameFileInAnySpellingIsRefused) {
    const ScratchDirectory dir;
    fs::create_directory(dir / "a");
    fs::create_symlink("x", dir / "link");
    const std::vector<std::string> spellings{(dir / "x").string(), (dir.path() / "." / "x").string(),
                                             (dir / "a/../x").string(), (dir / "link").string()};
    for (const bool exists : {false, true}) {
        if (exists) put(dir / "x", "");
        for (std::size_t i = 0; i < spellings.size(); ++i) {
            for (std::size_t j = 0; j < spellings.size(); ++j) {
                SCOPED_TRACE(spellings[i] + " and " + spellings[j]);
                OutputBatch batch;
                batch.add("--output", spellings[i]);
                try {
                    batch.add("--png", spellings[j]);
                    ADD_FAILURE() << "accepted";
                } catch (const UsageError& error) {
                    EXPECT_EQ(std::string(error.what()),
                              "--png " + spellings[j] + " is the same file as --output " + spellings[i]);
                }
            }
        }
    }
    OutputBatch batch;
    batch.add("--output", "-");
    batch.add("--png", (dir / "y").string());
    EXPECT_THROW(batch.add("--bands", "-"), UsageError);
}

TEST(ioBatch, failureBeforePlacingLeavesEveryTargetAndNoTemporary) {
    const ScratchDirectory dir;
    const fs::path first = dir / "first";
    const fs::path second = dir / "second";
    put(first, "old first");
    put(second, "old second");
    // A file size limit makes the second file fail while it is written.
    const int status = inChild([&] {
        const rlimit limit{100, 100};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ::signal(SIGXFSZ, SIG_IGN);
        OutputBatch batch;
        batch.add("--summary", first.string(), "new first");
        batch.add("--bands", second.string(), std::string(1000, 'b'));
        try {
            batch.commit();
        } catch (const WriteError& error) {
            return std::string(error.what()) ==
                           "--bands: cannot write " + second.string() + ": File too large"
                       ? 0
                       : 1;
        }
        return 2;
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(readFile(first), "old first");
    EXPECT_EQ(readFile(second), "old second");
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"first", "second"}));
}

// A kill while a reader holds up the writing leaves the old file and no temporary.
TEST(ioBatch, interruptionLeavesNoTemporary) {
    const ScratchDirectory dir;
    const fs::path file = dir / "file";
    const fs::path pipe = dir / "pipe";
    put(file, "old");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const int reader = ::open(pipe.c_str(), O_RDONLY | O_NONBLOCK);  // never reads
    ASSERT_GE(reader, 0);
    const pid_t child = ::fork();
    if (child == 0) {
        OutputBatch batch;
        batch.add("--output", file.string(), "new");
        batch.add("--png", pipe.string(), std::string(1'000'000, 'p'));
        batch.commit();
        ::_exit(0);
    }
    const auto temporaryExists = [&] { return dir.entryCount() > 2; };
    for (int wait = 0; wait < 60'000 && !temporaryExists(); ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_TRUE(temporaryExists());
    ::kill(child, SIGTERM);
    int status = 0;
    ::waitpid(child, &status, 0);
    ::close(reader);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
    EXPECT_EQ(readFile(file), "old");
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"file", "pipe"}));
}

// Another user's writable file in a folder open to all: a new file would
// belong to the writer, so it is written in place and keeps its owners.
TEST(ioFiles, fileWhoseOwnerCannotBeKeptIsWrittenInPlace) {
    if (::geteuid() != 0) GTEST_SKIP() << "not root: no file of another user to write";
    const ScratchDirectory dir;
    fs::permissions(dir.path(), fs::perms::all);
    const fs::path file = dir / "shared.csv";
    put(file, "old contents, longer than the new");
    ASSERT_EQ(::chmod(file.c_str(), 0666), 0);
    ASSERT_EQ(::chown(file.c_str(), nobody, nobody), 0);
    const ino_t inode = statusOf(file).st_ino;
    constexpr uid_t writer = 54321;
    const int status = inChild([&] {
        if (::setgroups(0, nullptr) != 0 || ::setgid(writer) != 0 || ::setuid(writer) != 0) return 3;
        return writeFailure(file).empty() ? 0 : 1;
    });
    if (status == 3) GTEST_SKIP() << "cannot become user " << writer;
    EXPECT_EQ(status, 0);
    EXPECT_EQ(readFile(file), "new");
    EXPECT_EQ(statusOf(file).st_ino, inode);
    EXPECT_EQ(statusOf(file).st_uid, nobody);
    EXPECT_EQ(statusOf(file).st_gid, nobody);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"shared.csv"});
}

// Only a regular file read counts: a pipe read is not overwritten by writing.
TEST(ioBatch, noOutputMayBeAFileRead) {
    const ScratchDirectory dir;
    put(dir / "in.toml", "");
    fs::create_hard_link(dir / "in.toml", dir / "hard");
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
    OutputBatch batch;
    batch.addInput("--scenarios", (dir / "in.toml").string());
    batch.addInput("--observed", (dir / "pipe").string());
    batch.add("--png", (dir / "pipe").string());
    try {
        batch.add("--summary", (dir / "hard").string());
        ADD_FAILURE() << "accepted";
    } catch (const UsageError& error) {
        EXPECT_EQ(std::string(error.what()), "--summary " + (dir / "hard").string() +
                                                 " is the same file as --scenarios " +
                                                 (dir / "in.toml").string());
    }
    OutputBatch later;  // an input added after the output
    later.add("--output", (dir / "hard").string());
    EXPECT_THROW(later.addInput("--scenarios", (dir / "in.toml").string()), UsageError);
}

}  // namespace
