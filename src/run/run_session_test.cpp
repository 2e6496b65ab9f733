#include "common/file_names.h"
#ifndef _WIN32
#include "files/host.h"
#endif
#include "common/run_error.h"
#include "files/host.h"
#include "run/run_session.h"
#include "testing/file_bytes.h"
#include "testing/scripted_dialogue.h"
#include "testing/stage_fixture.h"
#include "testing/tables_as_new.h"
#include "testing/temp_folder.h"

#include <filesystem>
#include <functional>
#include <gmock/gmock.h>
#include <new>
#include <sstream>

namespace courseeval {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testing::readBytes;
using testing::splitCrLfLines;

constexpr const char* folderPrompt =
    "ask: Enter path for folder in which the file 'sampleEvalData.txt' is stored";
constexpr const char* confirmPrompt =
    "ask: Whatever you do don't enter 999 here.  That will overwrite your existing data file.";

TEST(FolderPathFromAnswerTest, SeparatorAddedOnlyWhenMissingAndAlwaysABackslash) {
    EXPECT_EQ(folderPathFromAnswer(""), "h:\\tarnholm_2\\");
    EXPECT_EQ(folderPathFromAnswer("C:\\data"), "C:\\data\\");
    EXPECT_EQ(folderPathFromAnswer("C:\\data\\"), "C:\\data\\");
    EXPECT_EQ(folderPathFromAnswer("C:/data/"), "C:/data/");
    EXPECT_EQ(folderPathFromAnswer("C:/data"), "C:/data\\");
    EXPECT_EQ(folderPathFromAnswer("x"), "x\\");
    EXPECT_EQ(folderPathFromAnswer(" spaced "), " spaced \\");
}

TEST(FolderAnswerHintTest, SaysWhatToDoForTheAnswersMostOftenGivenByMistake) {
    EXPECT_EQ(folderAnswerHint("/srv/evals/fall"), "");
    EXPECT_EQ(folderAnswerHint(""), "");
    EXPECT_EQ(
        folderAnswerHint("4100017\this 121 Section40.\t"),
        "the answer holds TABs, as a record of the evaluation file does: the answers are read from "
        "standard input, so give the folder there, and not the file (course-eval < sampleEvalData.txt)");
    EXPECT_EQ(folderAnswerHint("\"H:\\evals\""), "the folder name is in quotes; give it without them");
    EXPECT_EQ(folderAnswerHint("'/srv/evals'"), "the folder name is in quotes; give it without them");
    EXPECT_EQ(folderAnswerHint("~/evals"),
              "'~' stands for the home folder only in a shell; give the folder's full path");
    EXPECT_EQ(folderAnswerHint("/srv/evals "),
              "the answer ends with a blank, which is part of the folder name as typed; give it without");
    EXPECT_EQ(folderAnswerHint(" /srv/evals"),
              "the answer starts with a blank, which is part of the folder name as typed; give it without");
    EXPECT_EQ(folderAnswerHint("data/sampleEvalData.txt"),
              "that is the evaluation file itself; give the folder that holds it");
    EXPECT_EQ(folderAnswerHint("H:\\evals\\sampleEvalData.txt\\"),
              "that is the evaluation file itself; give the folder that holds it");
    EXPECT_EQ(folderAnswerHint("data/sampleEvalData.txt.d"), "");
}

class RunSessionTest : public ::testing::Test {
protected:
    RunSessionTest() {
        testing::writeBytes(
            folder.file("sampleEvalData.txt"),
            testing::recordLine(testing::sampleRecord(1, "bio 211 Section50. Instructor: dunmoor fennick")) +
                testing::recordLine(testing::sampleRecord(2, "Section 7 lab")));
    }

    int run(std::deque<std::string> answers) {
        dialogue = std::make_unique<testing::ScriptedDialogue>(std::move(answers));
        errors.str("");
        return runSession(*dialogue, errors, [] { return 4242U; });
    }
    std::vector<std::string> logEntries() const {
        return splitCrLfLines(readBytes(folder.file(std::string(actionLogFileName))));
    }

    testing::TempFolder folder;
    // The folder answered without its final separator, as a user types it.
    const std::string answer = folder.path().string();
    const std::string folderPath = answer + "\\";
    std::unique_ptr<testing::ScriptedDialogue> dialogue;
    std::ostringstream errors;
};

#ifndef _WIN32
// The n-th call of the kind under test fails with `failure`.
int callsLeft = 0;
int failure = 0;
bool failsNow() {
    if (--callsLeft != 0) {
        return false;
    }
    errno = failure;
    return true;
}

TEST_F(RunSessionTest, HostCallFailingAnywhereEndsTheRunWithTheFileNamedAndTheDataWhole) {
    // A long field too, which goes out from the table by a gathered write.
    const std::string original = readBytes(folder.file(std::string(evaluationFileName))) +
                                 "3\tbio 211 Section50. Instructor: dunmoor fennick\tbio-211\t50\t" +
                                 std::string(2000, 'x') + std::string(39, '\t') + "\r\n";
    HostCalls opens;
    opens.openat = [](int at, const char* name, int flags, mode_t mode) {
        return failsNow() ? -1 : ::openat(at, name, flags, mode);
    };
    HostCalls reads;
    reads.read = [](int descriptor, void* bytes, std::size_t size) {
        return failsNow() ? ssize_t{-1} : ::read(descriptor, bytes, size);
    };
    HostCalls writes;
    writes.write = [](int descriptor, const void* bytes, std::size_t size) {
        return failsNow() ? ssize_t{-1} : ::write(descriptor, bytes, size);
    };
    writes.writev = [](int descriptor, const iovec* vectors, int count) {
        return failsNow() ? ssize_t{-1} : ::writev(descriptor, vectors, count);
    };
    HostCalls syncs;
    syncs.fsync = [](int descriptor) { return failsNow() ? -1 : ::fsync(descriptor); };
    HostCalls closes;
    // Closed all the same, as Linux closes a descriptor whose close reports an error.
    closes.close = [](int descriptor) { return ::close(descriptor) != 0 || failsNow() ? -1 : 0; };
    HostCalls renames;
    renames.renameat2 = [](int from, const char* fromName, int to, const char* toName, unsigned flags) {
        return failsNow() ? -1 : ::renameat2(from, fromName, to, toName, flags);
    };
    HostCalls stats;
    stats.fstat = [](int descriptor, struct stat* status) {
        return failsNow() ? -1 : ::fstat(descriptor, status);
    };
    HostCalls removes;
    removes.unlinkat = [](int at, const char* name, int flags) {
        return failsNow() ? -1 : ::unlinkat(at, name, flags);
    };
    const std::pair<int, std::string> failures[] = {{ENOSPC, "No space left on device"},
                                                    {EIO, "Input/output error"},
                                                    {EDQUOT, "Disk quota exceeded"},
                                                    {EINTR, "Interrupted system call"}};
    for (const HostCalls& calls : {opens, stats, reads, writes, syncs, closes, renames, removes}) {
        for (const auto& [error, cause] : failures) {
            for (const std::string confirmation : {"", "999"}) {
                for (int call = 1;; ++call) {
                    SCOPED_TRACE(std::string("call ")
                                     .append(std::to_string(call))
                                     .append(" failing with '")
                                     .append(cause)
                                     .append("', answer '")
                                     .append(confirmation)
                                     .append("'"));
                    testing::writeBytes(folder.file(std::string(evaluationFileName)), original);
                    callsLeft = call;
                    failure = error;
                    hostCalls = calls;
                    const int status = run({answer, confirmation});
                    hostCalls = HostCalls();
                    // Fewer calls of that kind, none failed; or an interrupted read, write or close, which
                    // is taken up again (a close is done all the same).
                    const bool interruptedAndGoneOn = error == EINTR && (calls.read != HostCalls().read ||
                                                                         calls.write != HostCalls().write ||
                                                                         calls.close != HostCalls().close);
                    if (callsLeft > 0 || interruptedAndGoneOn) {
                        EXPECT_EQ(status, 0) << errors.str();
                        EXPECT_THAT(dialogue->shown, ::testing::Contains("notice: done"));
                        if (callsLeft > 0) {
                            break;
                        }
                        continue;
                    }
                    EXPECT_EQ(status, 1);
                    EXPECT_THAT(errors.str(),
                                ::testing::MatchesRegex("course-eval: .*'.+'.*" + cause + ".*\n"));
                    EXPECT_THAT(dialogue->shown, ::testing::Not(::testing::Contains("notice: done")));
                    const std::string now = readBytes(folder.file(std::string(evaluationFileName)));
                    EXPECT_TRUE(now == original || splitCrLfLines(now).size() == 200) << now.size();
                }
            }
        }
    }
}
#endif

TEST_F(RunSessionTest, AnalysisRunShowsThePromptsAndNoticesAndLogsEveryStageInOrder) {
    ASSERT_EQ(run({answer, ""}), 0) << errors.str();
    EXPECT_THAT(dialogue->shown, ElementsAre(folderPrompt, "notice: your path is " + folderPath,
                                             confirmPrompt, "notice: done"));
    EXPECT_EQ(errors.str(), "");
    EXPECT_THAT(
        logEntries(),
        ElementsAre("the Path Is " + folderPath, folderPath + "sampleEvalData.txt opened For Input As #1",
                    folderPath + "sampleEvalData_read.txt opened For Output As #2",
                    " 2 lines read from #1 and deconstructed into rows and columns",
                    "dataArray has been written to #2, which should now contain a copy of #1",
                    "dataArray column 2 has been parsed to identify courseName and sectionNumber arrays",
                    folderPath + "sampleEvalData_instructors_courses.txt opened For Output As #2",
                    "uniqueCourses array has been identified",
                    "occurrence(p, nOccurence) array has been read",
                    folderPath + "sampleEvalData_sorted_by_unique_info.txt opened For Output As #2",
                    folderPath + "checking_sampleEvalData_sorted_by_unique_info.txt opened For Output As #3",
                    "files have been written from dataArray(occurrence(p, j)) array",
                    "number of nonempty fields written totals  86",
                    folderPath + "sampleEvalData_numbers_only.txt opened For Output As #2",
                    "numbersOnly file should be written"));
    // A description starting with its keyword no longer ends the run: its course name is empty.
    EXPECT_EQ(readBytes(folder.file(std::string(instructorListingFileName))),
              "bio 211-50 instructor: dunmoor fennickxxxx\r\n- 7 instructor: xxxx\r\n");
}

TEST_F(RunSessionTest, WarningsAboutTheFileComeBeforeDoneAndAfterTheErrorTheyExplain) {
    const std::string evaluationFile = folder.file(std::string(evaluationFileName));
    testing::writeBytes(evaluationFile, "a,b,c\r\n");
    ASSERT_EQ(run({answer, ""}), 0) << errors.str();
    EXPECT_EQ(errors.str(),
              "course-eval: warning: " + evaluationFile +
                  ": no line holds a TAB: the file looks comma- or semicolon-separated; save it "
                  "as \"Text (Tab delimited)\", every field ended by a TAB\n");
    // A run that cannot use the folder says what in the answer most likely stands behind it.
    EXPECT_EQ(run({evaluationFile, ""}), 1);
    EXPECT_EQ(errors.str(), "course-eval: cannot use the folder '" + evaluationFile +
                                "\\': Not a directory; that is the evaluation file itself; give the folder "
                                "that holds it\n");
    // Read as one line, records with LF line ends hold more than 50 fields.
    std::string lineFeeds;
    for (int record = 0; record < 2; ++record) {
        lineFeeds += testing::recordLine(testing::sampleRecord(1, "bio 211 Section50. Instructor: a b"));
        lineFeeds.erase(lineFeeds.size() - 2, 1);
    }
    testing::writeBytes(evaluationFile, lineFeeds);
    EXPECT_EQ(run({answer, ""}), 1);
    EXPECT_THAT(errors.str(), ::testing::MatchesRegex(
                                  "course-eval: .*sampleEvalData.txt:1: more than 50 fields\n"
                                  "course-eval: warning: .*sampleEvalData.txt: line 1 holds an LF without "
                                  "a CR before it: .*\n"));
    EXPECT_THAT(dialogue->shown, ::testing::Not(::testing::Contains("notice: done")));
}

TEST_F(RunSessionTest, OnlyExactly999GeneratesSampleData) {
    const std::string original = readBytes(folder.file("sampleEvalData.txt"));
    for (const char* notQuite : {" 999", "999 ", "0999", "99", "9999"}) {
        ASSERT_EQ(run({answer, notQuite}), 0);
        EXPECT_EQ(readBytes(folder.file("sampleEvalData.txt")), original) << "answer '" << notQuite << "'";
        EXPECT_EQ(logEntries().front(), "the Path Is " + folderPath);
    }

    ASSERT_EQ(run({answer, "999"}), 0) << errors.str();
    EXPECT_THAT(dialogue->shown,
                ElementsAre(folderPrompt, "notice: your path is " + folderPath, confirmPrompt,
                            "notice: OK, here we are where we shouldn't be.",
                            "notice: Sample data should have been overwritten", "notice: done"));
    const auto entries = logEntries();
    ASSERT_GE(entries.size(), 2U);
    EXPECT_EQ(entries[0], "went where we shouldn't; how could this have happened????");
    EXPECT_EQ(entries[1], "the Path Is " + folderPath);
    EXPECT_THAT(entries,
                ::testing::Contains(" 200 lines read from #1 and deconstructed into rows and columns"));
    EXPECT_THAT(entries, ::testing::Contains("number of nonempty fields written totals  8600"));
    EXPECT_EQ(splitCrLfLines(readBytes(folder.file(std::string(groupedReportFileName)))).size(), 200U);
}

TEST_F(RunSessionTest, UncreatableSampleFileEndsTheRunAfterTheSampleEntry) {
    // A folder standing where the evaluation file belongs cannot be replaced by a file.
    std::filesystem::remove(folder.file("sampleEvalData.txt"));
    std::filesystem::create_directory(folder.file("sampleEvalData.txt"));
    EXPECT_EQ(run({answer, "999"}), 1);
    EXPECT_THAT(errors.str(), HasSubstr("cannot replace '" + folder.file("sampleEvalData.txt") +
                                        "': is a directory, not a regular file"));
    EXPECT_THAT(logEntries(), ElementsAre("went where we shouldn't; how could this have happened????"));
    EXPECT_EQ(dialogue->shown.back(), "notice: OK, here we are where we shouldn't be.");
}

TEST_F(RunSessionTest, TablesResetAfterARunAreAsNew) {
    const auto used = std::make_unique<EvaluationTables>();
    testing::ScriptedDialogue complete({answer, ""});
    runSequence(
        complete, [] { return 1U; }, *used);
    used->reset();
    EXPECT_EQ(testing::firstCellNotAsNew(*used), "");

    // A run that ends inside a line leaves that line's fields stored beyond nLines.
    testing::writeBytes(folder.file("sampleEvalData.txt"),
                        "a\tb\t\r\n" + testing::recordLine(std::vector<std::string>(51, "x")));
    testing::ScriptedDialogue failing({answer, ""});
    EXPECT_THROW(runSequence(
                     failing, [] { return 1U; }, *used),
                 RunError);
    used->reset();
    EXPECT_EQ(testing::firstCellNotAsNew(*used), "");
}

TEST_F(RunSessionTest, EachRunReplacesTheLogOfTheRunBefore) {
    ASSERT_EQ(run({answer, ""}), 0);
    const auto firstLog = logEntries();
    ASSERT_EQ(run({answer, ""}), 0);
    EXPECT_EQ(logEntries(), firstLog);
}

TEST_F(RunSessionTest, MissingFolderFailsAtTheLogRightAfterTheFolderNotice) {
    const std::string missing = answer + "/missing";
    EXPECT_EQ(run({missing, ""}), 1);
    EXPECT_THAT(dialogue->shown, ElementsAre(folderPrompt, "notice: your path is " + missing + "\\"));
    EXPECT_THAT(errors.str(), HasSubstr("course-eval: cannot use the folder '" + missing + "\\'"));
    EXPECT_FALSE(std::filesystem::exists(missing));
}

TEST_F(RunSessionTest, MissingEvaluationFileFailsAfterThePathEntryWithoutDone) {
    std::filesystem::remove(folder.file("sampleEvalData.txt"));
    EXPECT_EQ(run({answer, ""}), 1);
    EXPECT_THAT(errors.str(), HasSubstr("cannot open '" + folder.file("sampleEvalData.txt") + "'"));
    EXPECT_THAT(logEntries(), ElementsAre("the Path Is " + folderPath));
    EXPECT_THAT(dialogue->shown, ::testing::Not(::testing::Contains("notice: done")));
}

TEST_F(RunSessionTest, ErrorInALaterStageKeepsTheFilesAndLogOfTheStagesBefore) {
    std::filesystem::create_directory(folder.file(std::string(numbersOnlyFileName)));
    EXPECT_EQ(run({answer, ""}), 1);
    EXPECT_THAT(errors.str(), HasSubstr(std::string(numbersOnlyFileName) + "': is a directory"));
    EXPECT_EQ(logEntries().back(), "number of nonempty fields written totals  86");
    EXPECT_EQ(splitCrLfLines(readBytes(folder.file(std::string(groupedReportFileName)))).size(), 2U);
    EXPECT_THAT(dialogue->shown, ::testing::Not(::testing::Contains("notice: done")));
}

// A dialogue that does `beforeConfirmation`, as someone else would meanwhile, just before the confirmation
// prompt.
class ActingDialogue : public testing::ScriptedDialogue {
public:
    using ScriptedDialogue::ScriptedDialogue;
    std::string askText(const std::string& prompt, AnswerKind kind) override {
        if (!shown.empty()) {
            beforeConfirmation();
        }
        return ScriptedDialogue::askText(prompt, kind);
    }
    std::function<void()> beforeConfirmation;
};

TEST_F(RunSessionTest, MemoryRunningOutOutsideANamedStepIsReportedToo) {
    ActingDialogue failing({answer, ""});
    failing.beforeConfirmation = [] { throw std::bad_alloc(); };
    EXPECT_EQ(runSession(failing, errors, [] { return 1U; }), 1);
    EXPECT_EQ(errors.str(), "course-eval: not enough memory\n");
}

// The evaluation file moved into the data folder "fall", to be renamed with it.
class FolderRenamedTest : public RunSessionTest {
protected:
    FolderRenamedTest() {
        std::filesystem::create_directory(data);
        std::filesystem::rename(folder.file("sampleEvalData.txt"), data / "sampleEvalData.txt");
    }
    const std::filesystem::path data = folder.path() / "fall";
};

#ifndef _WIN32
TEST_F(FolderRenamedTest, FolderSwappedForALinkWhileTheRunWaitsIsNotWhereTheRunWrites) {
    // A co-worker who may write the folder above renames the data folder at the confirmation prompt and
    // puts a link to a private folder of the user's in its place.
    testing::TempFolder privateFolder;
    testing::writeBytes(privateFolder.file("sampleEvalData.txt"), "private\t\r\n");
    ActingDialogue swapping({data.string(), "999"});
    swapping.beforeConfirmation = [&] {
        std::filesystem::rename(data, data.string() + ".old");
        std::filesystem::create_directory_symlink(privateFolder.path(), data);
    };

    EXPECT_EQ(runSession(swapping, errors, [] { return 1U; }), 0) << errors.str();
    EXPECT_EQ(readBytes(privateFolder.file("sampleEvalData.txt")), "private\t\r\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(privateFolder.path()),
                            std::filesystem::directory_iterator()),
              1);
    EXPECT_EQ(splitCrLfLines(readBytes(data.string() + ".old/" + std::string(numbersOnlyFileName))).size(),
              200U);
}
#else
TEST_F(FolderRenamedTest, FolderHeldByARunCannotBeRenamedUnderIt) {
    std::error_code renamed;
    ActingDialogue renaming({data.string(), ""});
    renaming.beforeConfirmation = [&] { std::filesystem::rename(data, data.string() + ".old", renamed); };
    EXPECT_EQ(runSession(renaming, errors, [] { return 1U; }), 0) << errors.str();
    EXPECT_TRUE(renamed) << "the folder was renamed while the run held it";
    EXPECT_TRUE(std::filesystem::exists(data / numbersOnlyFileName));
}
#endif

} // namespace
} // namespace courseeval
