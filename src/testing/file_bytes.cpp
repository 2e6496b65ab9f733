#include "testing/file_bytes.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace courseeval::testing {

std::string readBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        const std::u8string name = path.u8string();
        throw std::runtime_error("cannot open " + std::string(name.begin(), name.end()));
    }
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return std::move(bytes).str();
}

void writeBytes(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        throw std::runtime_error("cannot write " + path);
    }
}

std::vector<std::string> splitCrLfLines(std::string_view bytes) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end = bytes.find("\r\n"); end != std::string_view::npos;
         end = bytes.find("\r\n", start)) {
        lines.emplace_back(bytes.substr(start, end - start));
        start = end + 2;
    }
    if (start < bytes.size()) {
        lines.emplace_back(bytes.substr(start));
    }
    return lines;
}

std::string recordLine(const std::vector<std::string>& fields) {
    std::string line;
    for (const std::string& field : fields) {
        line.append(field).append("\t");
    }
    return line + "\r\n";
}

} // namespace courseeval::testing
