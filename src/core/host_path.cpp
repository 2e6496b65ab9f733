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

} // namespace courseeval
