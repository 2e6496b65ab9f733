#include "core/action_log.h"

namespace courseeval {

ActionLog::ActionLog(const std::string& path) : file_(path) {}

void ActionLog::logAction(std::string_view text) {
    file_.writeLine(text);
    file_.flush();
}

void ActionLog::logOpened(std::string_view folderPath, std::string_view fileName, OpenedFor mode,
                          int channel) {
    std::string entry(folderPath);
    entry.append(fileName)
        .append(mode == OpenedFor::input ? " opened For Input As #" : " opened For Output As #")
        .append(std::to_string(channel));
    logAction(entry);
}

void ActionLog::close() {
    file_.close();
}

} // namespace courseeval
