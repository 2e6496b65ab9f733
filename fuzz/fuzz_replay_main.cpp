// Replays files through a fuzz target's entry point, so that builds without libFuzzer run the seed corpus
// (and any input found while fuzzing) as an ordinary test. Arguments: files or folders of files.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

int replay(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        std::cerr << "cannot read " << file << '\n';
        return 1;
    }
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    int failures = 0;
    int replayed = 0;
    for (int arg = 1; arg < argc; ++arg) {
        const std::filesystem::path path(argv[arg]);
        if (std::filesystem::is_directory(path)) {
            for (const auto& entry : std::filesystem::directory_iterator(path)) {
                if (entry.is_regular_file()) {
                    failures += replay(entry.path());
                    ++replayed;
                }
            }
        } else {
            failures += replay(path);
            ++replayed;
        }
    }
    std::cout << "replayed " << replayed << " inputs\n";
    return failures == 0 && replayed > 0 ? 0 : 1;
}
