#pragma once
// The files of one call of the tool: each checked before the runs, all
// written together once everything is computed. "-" is standard output.

#include <string>
#include <vector>

namespace pandemie::cli {

class FileBatch {
public:
    // Throws WriteError when a named file cannot be written.
    static void checkWritable(const std::vector<std::string>& paths);

    // option names the file in messages; an empty path adds nothing.
    void add(std::string option, std::string path, std::string contents);

    // Writes every file whole or not at all, in the order added. Throws WriteError.
    void commit() const;

private:
    struct File {
        std::string option;
        std::string path;
        std::string contents;
    };
    std::vector<File> files_;
};

}  // namespace pandemie::cli
