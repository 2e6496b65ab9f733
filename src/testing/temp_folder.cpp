#include "testing/temp_folder.h"

#include <random>
#include <stdexcept>
#include <system_error>

namespace courseeval::testing {

TempFolder::TempFolder() {
    std::random_device seed;
    std::mt19937_64 names(seed());
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::filesystem::path candidate =
            base / ("course-eval-test-" + std::to_string(names() % 1000000000));
        std::error_code error;
        if (std::filesystem::create_directory(candidate, error)) {
            path_ = candidate;
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary folder in " + base.string());
}

Handle TempFolder::open() const {
    ErrorOr<host::Start> start = host::openStart(path_.string());
    ErrorOr<Handle> folder =
        start ? host::open(start->folder, start->rest, {OpenRequest::Access::folder}) : start.error();
    if (!folder) {
        throw std::system_error(folder.error(), "cannot open " + path_.string());
    }
    return std::move(*folder);
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

} // namespace courseeval::testing
