#include "run/terminal/folder_name_completion.h"

#include "files/host.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace courseeval {

namespace {

// The names of the folders in `folder` that start with `prefix`, sorted.
std::vector<std::string> foldersStartingWith(const std::string& folder, std::string_view prefix) {
    std::vector<std::string> matches;
    std::error_code error;
    for (std::filesystem::directory_iterator entry(folder.empty() ? "." : folder, error), end;
         !error && entry != end; entry.increment(error)) {
        std::string name = entry->path().filename().string();
        if (!name.starts_with(prefix) || (name.starts_with('.') && !prefix.starts_with('.'))) {
            continue;
        }
        // A link to a folder leads to a folder as well.
        std::error_code ignored;
        if (entry->is_directory(ignored)) {
            matches.push_back(std::move(name));
        }
    }
    std::sort(matches.begin(), matches.end());
    return matches;
}

std::size_t commonPrefixLength(const std::vector<std::string>& matches) {
    std::size_t length = matches.front().size();
    for (const std::string& match : matches) {
        const auto differ = std::mismatch(
            match.begin(), match.begin() + static_cast<std::ptrdiff_t>(std::min(length, match.size())),
            matches.front().begin());
        length = static_cast<std::size_t>(differ.first - match.begin());
    }
    return length;
}

} // namespace

FolderNameCompletion completeFolderName(std::string_view typed) {
    const std::size_t split = typed.find_last_of("/\\");
    const std::string_view folderPart =
        split == std::string_view::npos ? std::string_view{} : typed.substr(0, split + 1);
    const std::string_view prefix = typed.substr(folderPart.size());
    const std::vector<std::string> matches = foldersStartingWith(host::folderName(folderPart), prefix);

    FolderNameCompletion completion;
    if (matches.empty()) {
        return completion;
    }
    if (matches.size() == 1) {
        completion.insertion = matches.front().substr(prefix.size()) + "/";
        return completion;
    }
    completion.insertion = matches.front().substr(prefix.size(), commonPrefixLength(matches) - prefix.size());
    if (completion.insertion.empty()) {
        for (const std::string& match : matches) {
            completion.candidates.push_back(match + "/");
        }
    }
    return completion;
}

std::string inColumns(const std::vector<std::string>& names, std::size_t width) {
    constexpr std::size_t gap = 2;
    std::size_t widest = 0;
    for (const std::string& name : names) {
        widest = std::max(widest, name.size());
    }
    const std::size_t columns = std::max<std::size_t>(1, (width + gap) / (widest + gap));
    const std::size_t lines = (names.size() + columns - 1) / columns;
    std::string shown;
    for (std::size_t line = 0; line < lines; ++line) {
        for (std::size_t at = line; at < names.size(); at += lines) {
            shown += names[at];
            if (at + lines < names.size()) {
                shown.append(widest + gap - names[at].size(), ' ');
            }
        }
        shown += '\n';
    }
    return shown;
}

} // namespace courseeval
