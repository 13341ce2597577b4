#include "file_batch.h"

#include "output.h"

namespace pandemie::cli {

void FileBatch::checkWritable(const std::vector<std::string>& paths) {
    for (const std::string& path : paths)
        if (!path.empty() && path != "-") cli::checkWritable(path);
}

void FileBatch::add(std::string option, std::string path, std::string contents) {
    if (!path.empty()) files_.push_back({std::move(option), std::move(path), std::move(contents)});
}

void FileBatch::commit() const {
    for (const File& file : files_) {
        if (file.path == "-") {
            writeStandardOutput(file.contents);
        } else {
            writeFileAtomically(file.path, file.contents);
        }
    }
}

}  // namespace pandemie::cli
