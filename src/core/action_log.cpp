#include "core/action_log.h"

namespace courseeval {

ActionLog::ActionLog(OutputFile file) : file_(std::move(file)) {}

void ActionLog::logAction(std::string_view text) {
    file_.writeLine(text);
    file_.flush();
}

void ActionLog::logOpened(std::string_view logName, OpenedFor mode, int channel) {
    std::string entry(logName);
    entry.append(mode == OpenedFor::input ? " opened For Input As #" : " opened For Output As #")
        .append(std::to_string(channel));
    logAction(entry);
}

void ActionLog::close() {
    file_.close();
}

} // namespace courseeval
