#include "run/action_log.h"

namespace courseeval {

ActionLog::ActionLog(std::string path) : file_(std::move(path)) {}

void ActionLog::logAction(std::string_view text) {
    file_.writeLine(text);
    file_.flush();
}

void ActionLog::close() {
    file_.close();
}

} // namespace courseeval
