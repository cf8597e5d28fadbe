#include "program_folder.h"

#include <unistd.h>

#include <vector>

#include "paths.h"

std::string ProgramFolder;

std::string ExecutableFolder() {
    // /proc/self/exe names the running program even when it was started through a link or
    // from another working folder.
    std::vector<char> buffer(4096);
    const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (length <= 0) return std::string();
    const std::string path(buffer.data(), static_cast<std::size_t>(length));
    return ExtractFileDir(path);
}
