#include "core/action_log.h"

namespace courseeval {

ActionLog::ActionLog(const std::string& path) : file_(path) {}

void ActionLog::logAction(std::string_view text) {
    file_.writeLine(text);
    file_.flush();
}

void ActionLog::close() {
    file_.close();
}

} // namespace courseeval
