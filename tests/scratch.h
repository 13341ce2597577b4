#pragma once
// A scratch folder for tests that write files, and reading a file back.

#include <stdlib.h>  // NOLINT(modernize-deprecated-headers): mkdtemp is POSIX, not in <cstdlib>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace scratch {

namespace fs = std::filesystem;

// A fresh directory, removed with everything in it at the end of its scope.
class ScratchDirectory {
public:
    ScratchDirectory() {
        std::string pattern = (fs::temp_directory_path() / "pandemie-test.XXXXXX").string();
        path_ = ::mkdtemp(pattern.data());
    }
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;
    ~ScratchDirectory() { fs::remove_all(path_); }
    [[nodiscard]] const fs::path& path() const { return path_; }
    [[nodiscard]] fs::path operator/(const std::string& name) const { return path_ / name; }
    [[nodiscard]] std::vector<std::string> entries() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(path_))
            names.push_back(entry.path().filename().string());
        std::ranges::sort(names);
        return names;
    }
    [[nodiscard]] std::size_t entryCount() const { return entries().size(); }

private:
    fs::path path_;
};

[[nodiscard]] inline std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void writeFile(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

}  // namespace scratch
