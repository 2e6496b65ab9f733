#include "common/file_names.h"
#include "common/run_error.h"
#include "files/action_log.h"
#include "files/data_folder.h"
#include "testing/error_of.h"
#include "testing/file_bytes.h"
#include "testing/temp_folder.h"

#include <filesystem>
#include <gtest/gtest.h>

#ifndef _WIN32
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace courseeval {
namespace {

namespace fs = std::filesystem;
using testing::errorOf;
using testing::readBytes;
using testing::writeBytes;

class ActionLogTest : public ::testing::Test {
protected:
    testing::TempFolder temp;
    DataFolder folder{temp.folderPath()};
    const std::string log = temp.file(std::string(actionLogFileName));
};

TEST_F(ActionLogTest, EntriesAreCrLfLinesOnTheDiskAsSoonAsWritten) {
    writeBytes(log, "an earlier run's log, longer than this one's");
    ActionLog& actionLog = folder.lock();
    actionLog.logAction("the Path Is x\\");
    actionLog.logOpened("x\\sampleEvalData.txt", OpenedFor::input, 1);
    actionLog.logOpened("x\\enumerateFields.txt", OpenedFor::output, 2);
    EXPECT_EQ(readBytes(log), "the Path Is x\\\r\nx\\sampleEvalData.txt opened For Input As #1\r\n"
                              "x\\enumerateFields.txt opened For Output As #2\r\n");
    EXPECT_EQ(actionLog.written(), readBytes(log));
    actionLog.release();
}

#ifndef _WIN32
TEST_F(ActionLogTest, LockHoldsARecordLockAndIsLostWhenTheLogHoldsWhatTheRunDidNotWrite) {
    ActionLog& actionLog = folder.lock();
    actionLog.logAction("this run's entry");
    // The record lock that network file systems carry to the server, as a run on another client asks it.
    const int otherClient = open(log.c_str(), O_WRONLY | O_APPEND);
    struct flock whole {};
    whole.l_type = F_WRLCK;
    EXPECT_NE(fcntl(otherClient, F_OFD_SETLK, &whole), 0);
    // A run that got in all the same (its client saw no lock) adds to the log.
    EXPECT_EQ(write(otherClient, "x", 1), 1);
    close(otherClient);
    EXPECT_EQ(errorOf([&] { actionLog.release(); }),
              "lost the lock on '" + log +
                  "': the file holds what this run did not write, so another run has written the folder "
                  "meanwhile");
}

TEST_F(ActionLogTest, FileSystemWithoutRecordLocksStillRuns) {
    for (const int error : {ENOLCK, EINVAL}) {
        hostCalls.recordLock = error == ENOLCK ? [](int, struct flock*) {
            errno = ENOLCK;
            return -1;
        } : [](int, struct flock*) {
            errno = EINVAL;
            return -1;
        };
        DataFolder again(temp.folderPath());
        ActionLog& actionLog = again.lock();
        actionLog.logAction("locked all the same");
        EXPECT_EQ(errorOf([&] { actionLog.release(); }), "");
        hostCalls = HostCalls();
    }
}

TEST_F(ActionLogTest, RecordLockOfARunOnAnotherClientKeepsTheRunOut) {
    // What a run on another client of a network file system holds, as the server sees it: the record lock
    // alone, its flock being local to that client.
    writeBytes(log, "");
    const int otherClient = open(log.c_str(), O_WRONLY);
    struct flock whole {};
    whole.l_type = F_WRLCK;
    ASSERT_EQ(fcntl(otherClient, F_OFD_SETLK, &whole), 0);
    EXPECT_EQ(errorOf([&] { folder.lock(); }), "another run is using " + temp.folderPath());
    close(otherClient);
}

TEST_F(ActionLogTest, RunThatLostItsLockChangesNoFileAnyMore) {
    const std::string evaluationFile = temp.file(std::string(evaluationFileName));
    const std::string lost = "lost the lock on '" + log +
                             "': the file was removed or replaced while the run held it, so another run "
                             "may have written the folder";
    // Where the folder itself cannot be locked, a removed log, or one replaced by another (as a second run
    // let in creates it anew), lets a second run in.
    for (const bool replaced : {false, true}) {
        SCOPED_TRACE(replaced ? "replaced" : "removed");
        writeBytes(evaluationFile, "old\t\r\n");
        DataFolder again(temp.folderPath());
        const ActionLog& actionLog = again.lock();
        fs::remove(log);
        if (replaced) {
            writeBytes(log, "");
        }
        EXPECT_EQ(errorOf([&] { again.replaceEvaluationFile("new\t\r\n"); }), lost);
        EXPECT_EQ(readBytes(evaluationFile), "old\t\r\n");
        EXPECT_EQ(errorOf([&] { again.create(fieldEchoFileName); }), lost);
        EXPECT_FALSE(fs::exists(temp.file(std::string(fieldEchoFileName))));
        EXPECT_EQ(errorOf([&] { actionLog.requireHeld(); }), lost);
    }
}
#endif

} // namespace
} // namespace courseeval
