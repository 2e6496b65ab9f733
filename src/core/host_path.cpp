#include "core/host_path.h"

#include <algorithm>

namespace courseeval {

std::string hostPath(std::string_view folderPath, std::string_view fileName) {
    std::string path;
    path.reserve(folderPath.size() + fileName.size());
    path.append(folderPath).append(fileName);
#ifndef _WIN32
    std::replace(path.begin(), path.end(), '\\', '/');
#endif
    return path;
}

std::string folderPartOf(std::string_view path) {
#ifdef _WIN32
    const std::size_t split = path.find_last_of("/\\:");
#else
    const std::size_t split = path.rfind('/');
#endif
    return std::string(path.substr(0, split == std::string_view::npos ? 0 : split + 1));
}

} // namespace courseeval
