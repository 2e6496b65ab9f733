// End-to-end: the built course-eval program, driven through its standard input as a script would.
#include "common/file_names.h"
#include "files/host.h"
#include "testing/file_bytes.h"
#include "testing/temp_folder.h"
#include "tests/program_run.h"

#include <algorithm>
#include <filesystem>
#include <gmock/gmock.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <acl/libacl.h>
#include <fcntl.h>
#include <sys/acl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace courseeval {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using testing::ProgramRun;
using testing::readBytes;
using testing::runProgram;
using testing::splitCrLfLines;

namespace fs = std::filesystem;

constexpr const char* folderPrompt =
    "Enter path for folder in which the file 'sampleEvalData.txt' is stored\n";
constexpr const char* confirmPrompt =
    "Whatever you do don't enter 999 here.  That will overwrite your existing data file.\n";

std::size_t countOf(const std::string& text, char c) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), c));
}

class ProgramTest : public ::testing::Test {
protected:
    ProgramTest() { fs::copy(COURSE_EVAL_EXAMPLES_DIR, data); }

    std::string bytesOf(std::string_view name) const { return readBytes((data / name).string()); }
    std::vector<std::string> linesOf(std::string_view name) const { return splitCrLfLines(bytesOf(name)); }

    testing::TempFolder folder;
    const fs::path data = folder.path() / "data";
};

TEST_F(ProgramTest, ArgumentsGiveHelpOrTheVersionOrAnErrorBeforeAnythingIsAsked) {
    const ProgramRun help = runProgram(folder.path(), "", {"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_THAT(help.out, ::testing::StartsWith("Usage: course-eval\n"));
#ifndef _WIN32
    EXPECT_EQ(help.out,
              "Usage: course-eval\n"
              "       course-eval --help | --version\n\n"
              "Analyses a course-evaluation export. course-eval asks for the data folder that holds\n"
              "sampleEvalData.txt, then for a confirmation: Enter analyses the file, 999 first replaces it\n"
              "with 200 generated sample records. It writes the derived files and the action log\n"
              "tracking_eval_program_actions.txt beside it, in the same folder.\n\n"
              "  -h, --help     show this help and exit\n"
              "      --version  show the version and exit\n\n"
              "Exit status: 0 when the run ends with \"done\"; 1 after an error, whose message is on\n"
              "standard error; 2 for a wrong argument.\n\n"
              "More in the manual: man course-eval\n");
#endif
    EXPECT_EQ(help.err, "");
    const ProgramRun version = runProgram(folder.path(), "", {"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "course-eval " COURSE_EVAL_PROJECT_VERSION "\n");
    // A folder given as an argument is refused, not ignored: the run would use another folder.
    const ProgramRun folderArgument = runProgram(folder.path(), "data\n\n", {"data"});
    EXPECT_EQ(folderArgument.status, 2);
    EXPECT_EQ(folderArgument.out, "");
    EXPECT_EQ(folderArgument.err, "course-eval: unknown argument 'data': course-eval takes no arguments and "
                                  "asks for the data folder (see course-eval --help)\n");
    EXPECT_FALSE(fs::exists(data / actionLogFileName));
}

TEST_F(ProgramTest, AnalysisOfTheShippedExampleWritesAllEightFiles) {
    const std::string original = bytesOf(evaluationFileName);
    const ProgramRun run = runProgram(folder.path(), "data\n\n");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, std::string(folderPrompt) + "your path is data\\\n" + confirmPrompt + "done\n");
    // What is true of the example: two of its descriptions hold no keyword.
    EXPECT_EQ(run.err,
              "course-eval: warning: " + host::folderName("data\\").append(evaluationFileName) +
                  ": lines 20 and 27 hold neither \"section\" nor \"instructor:\" in the description "
                  "(column 2), so course name, section and instructor are empty there\n");
    EXPECT_EQ(bytesOf(evaluationFileName), original);

    const std::size_t records = splitCrLfLines(original).size();
    ASSERT_GE(records, 50U);
    // The example is well formed: 43 TAB-terminated fields per line, CR LF after each.
    EXPECT_EQ(bytesOf(reconstructionFileName), original);
    EXPECT_EQ(linesOf(fieldCountsFileName).size(), records);
    EXPECT_EQ(linesOf(fieldCountsFileName).front(), "line  1 includes  43 fields.");
    std::string echo;
    for (const std::string& line : splitCrLfLines(original)) {
        std::string fields = line;
        for (std::size_t tab = fields.find('\t'); tab != std::string::npos;
             tab = fields.find('\t', tab + 2)) {
            fields.replace(tab, 1, "xx");
        }
        echo += "\r\n" + fields;
    }
    EXPECT_EQ(bytesOf(fieldEchoFileName), echo);
    EXPECT_EQ(linesOf(instructorListingFileName).size(), records);
    EXPECT_EQ(linesOf(numbersOnlyFileName).size(), records);
    for (const std::string& line : linesOf(numbersOnlyFileName)) {
        EXPECT_EQ(countOf(line, '\t'), 18U) << line;
    }
    // Every record with a description is regrouped once; each cross-check line names its record.
    const auto grouped = linesOf(groupedReportFileName);
    const auto crossCheck = linesOf(crossCheckFileName);
    ASSERT_EQ(grouped.size(), crossCheck.size());
    std::vector<std::string> sortedOriginal = splitCrLfLines(original);
    std::vector<std::string> sortedGrouped = grouped;
    std::erase_if(sortedOriginal,
                  [](const std::string& line) { return line.find("\t\t") == line.find('\t'); });
    std::sort(sortedOriginal.begin(), sortedOriginal.end());
    std::sort(sortedGrouped.begin(), sortedGrouped.end());
    EXPECT_EQ(sortedGrouped, sortedOriginal);
    for (std::size_t n = 0; n < grouped.size(); ++n) {
        const std::string description = grouped[n].substr(grouped[n].find('\t') + 1);
        EXPECT_EQ(crossCheck[n].substr(crossCheck[n].find('\t') + 1),
                  description.substr(0, description.find('\t')));
    }
    const auto log = linesOf(actionLogFileName);
    ASSERT_EQ(log.size(), 15U);
    EXPECT_EQ(log.front(), "the Path Is data\\");
    EXPECT_EQ(log.back(), "numbersOnly file should be written");
}

TEST_F(ProgramTest, SampleDataRunReplacesTheFileAndAnalysesIt) {
    const ProgramRun run = runProgram(folder.path(), "data/\r\n999\r\n");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out,
              std::string(folderPrompt) + "your path is data/\n" + confirmPrompt +
                  "OK, here we are where we shouldn't be.\nSample data should have been overwritten\ndone\n");
    EXPECT_EQ(linesOf(evaluationFileName).size(), 200U);
    EXPECT_EQ(bytesOf(reconstructionFileName), bytesOf(evaluationFileName));
    const auto log = linesOf(actionLogFileName);
    EXPECT_EQ(log.front(), "went where we shouldn't; how could this have happened????");
    EXPECT_THAT(log, ::testing::Contains("number of nonempty fields written totals  8600"));
    const auto crossCheck = linesOf(crossCheckFileName);
    ASSERT_EQ(crossCheck.size(), 200U);
    EXPECT_LE(std::stoi(crossCheck.back().substr(0, crossCheck.back().find("  ", 1))), 10);
}

#ifndef _WIN32
TEST_F(ProgramTest, APipedRunLoadsNoLineEditor) {
    // The dynamic loader names each library it looks for on standard error.
    ASSERT_EQ(setenv("LD_DEBUG", "libs", 1), 0);
    const ProgramRun run = runProgram(folder.path(), "data\n\n");
    unsetenv("LD_DEBUG");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_THAT(run.err, HasSubstr("find library=libacl.so.1"));
    EXPECT_THAT(run.err, Not(HasSubstr("libedit")));
}

TEST_F(ProgramTest, SampleDataOfAGroupMemberKeepTheFilesGroup) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "running as other users needs root";
    }
    // A folder of group 3000; the evaluation file is a co-worker's (2002), writable by the group.
    constexpr unsigned member = 2001;
    constexpr unsigned coworker = 2002;
    constexpr unsigned sharedGroup = 3000;
    const std::string evaluationFile = (data / evaluationFileName).string();
    ASSERT_EQ(chown(data.c_str(), 0, sharedGroup), 0);
    ASSERT_EQ(chmod(data.c_str(), 0775), 0);
    ASSERT_EQ(chown(evaluationFile.c_str(), coworker, sharedGroup), 0);
    ASSERT_EQ(chmod(evaluationFile.c_str(), 0664), 0);

    const testing::ProgramConditions asMember{0, 0, member, member, {member, sharedGroup}};
    if (!testing::canRun(folder.path(), asMember)) {
        GTEST_SKIP() << "the build or the temporary folder is closed to other users here";
    }
    const ProgramRun run = runProgram(folder.path(), "data\n999\n", asMember);
    ASSERT_EQ(run.status, 0) << run.err;
    struct stat status {};
    ASSERT_EQ(stat(evaluationFile.c_str(), &status), 0);
    // Only root may give a file away; the group, and with it the co-worker's right to write, stays.
    EXPECT_EQ(status.st_uid, member);
    EXPECT_EQ(status.st_gid, sharedGroup);
    EXPECT_EQ(status.st_mode & 0777, 0664U);
}

TEST_F(ProgramTest, SampleDataOfAFileWhoseGroupCannotBeKeptGiveThatGroupNothing) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "running as other users needs root";
    }
    // A set-group-ID folder of group 3000 holds the user's file of group 2002, which they are not in: the
    // new file comes out of group 3000, which must not read what only group 2002 read; nor may everybody
    // else, where the file keeps group 2002 out of what everybody else may do (2002's members would be
    // everybody else for the new file).
    constexpr unsigned user = 2001;
    const std::string evaluationFile = (data / evaluationFileName).string();
    ASSERT_EQ(chown(data.c_str(), user, 3000), 0);
    ASSERT_EQ(chmod(data.c_str(), 02775), 0);
    const testing::ProgramConditions asUser{0, 0, user, user, {user}};
    if (!testing::canRun(folder.path(), asUser)) {
        GTEST_SKIP() << "the build or the temporary folder is closed to other users here";
    }
    for (const unsigned mode : {0640U, 0604U, 0606U}) {
        SCOPED_TRACE(mode);
        ASSERT_EQ(chown(evaluationFile.c_str(), user, 2002), 0);
        ASSERT_EQ(chmod(evaluationFile.c_str(), mode), 0);
        const ProgramRun run = runProgram(folder.path(), "data\n999\n", asUser);
        ASSERT_EQ(run.status, 0) << run.err;
        struct stat status {};
        ASSERT_EQ(stat(evaluationFile.c_str(), &status), 0);
        EXPECT_EQ(status.st_gid, 3000U);
        EXPECT_EQ(status.st_mode & 0777, 0600U);
        ASSERT_EQ(stat((data / reconstructionFileName).c_str(), &status), 0);
        EXPECT_EQ(status.st_mode & 0777, 0600U);
    }
}

TEST_F(ProgramTest, AnOrdinaryUserIsRefusedWhatRootWouldPassAndLeavesOthersFilesAlone) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "running as other users needs root";
    }
    constexpr unsigned user = 2001;
    constexpr unsigned coworker = 2002;
    const testing::ProgramConditions asUser{0, 0, user, user, {user}};
    if (!testing::canRun(folder.path(), asUser)) {
        GTEST_SKIP() << "the build or the temporary folder is closed to other users here";
    }
    // A folder of root's that the user may only read is named as such before anything is written.
    ASSERT_EQ(chmod(data.c_str(), 0755), 0);
    ProgramRun run = runProgram(folder.path(), "data\n\n", asUser);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err,
              "course-eval: cannot use the folder 'data\\': Permission denied; a run writes its files "
              "into the data folder, so it needs one you may write (copy the data into a folder of "
              "your own)\n");
    // One the user may write but not list is used all the same.
    ASSERT_EQ(chmod(data.c_str(), 0733), 0);
    run = runProgram(folder.path(), "data\n\n", asUser);
    EXPECT_EQ(run.status, 0) << run.err;
    // There the folder itself cannot be locked: the log's lock alone keeps a second run out.
    const int otherRun = open((data / actionLogFileName).c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(flock(otherRun, LOCK_EX), 0);
    run = runProgram(folder.path(), "data\n\n", asUser);
    close(otherRun);
    EXPECT_EQ(run.err, "course-eval: another run is using data/\n");

    // In the user's folder, a co-worker's file of a leftover's form is no leftover of the user's.
    const std::string evaluationFile = (data / evaluationFileName).string();
    const std::string coworkersFile = (data / ".sampleEvalData.txt.abc123").string();
    testing::writeBytes(coworkersFile, "a co-worker's");
    ASSERT_EQ(chown(coworkersFile.c_str(), coworker, coworker), 0);
    ASSERT_EQ(chown(data.c_str(), user, user), 0);
    ASSERT_EQ(chown(evaluationFile.c_str(), coworker, coworker), 0);
    ASSERT_EQ(chmod(evaluationFile.c_str(), 0666), 0);
    run = runProgram(folder.path(), "data\n999\n", asUser);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(readBytes(coworkersFile), "a co-worker's");

    // A file the user may not write, though its owner may, is read-only for the user.
    ASSERT_EQ(chown(evaluationFile.c_str(), coworker, coworker), 0);
    ASSERT_EQ(chmod(evaluationFile.c_str(), 0644), 0);
    run = runProgram(folder.path(), "data\n999\n", asUser);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "course-eval: cannot replace 'data/sampleEvalData.txt': the file is read-only\n");
    // One they may write but not read is not.
    ASSERT_EQ(chmod(evaluationFile.c_str(), 0662), 0);
    run = runProgram(folder.path(), "data\n999\n", asUser);
    EXPECT_EQ(run.status, 0) << run.err;

    // Private data goes into no co-worker's file at an output name, though they let the user write it.
    ASSERT_EQ(chown(evaluationFile.c_str(), user, user), 0);
    ASSERT_EQ(chmod(evaluationFile.c_str(), 0600), 0);
    const std::string coworkersEcho = (data / fieldEchoFileName).string();
    ASSERT_EQ(chown(coworkersEcho.c_str(), coworker, coworker), 0);
    ASSERT_EQ(chmod(coworkersEcho.c_str(), 0666), 0);
    run = runProgram(folder.path(), "data\n\n", asUser);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err,
              "course-eval: cannot create 'data/sampleEvalData_read.txt': belongs to user 2002, who may not "
              "read the evaluation file it would show\n");
    // One the user may not write is named with its owner, who alone can remove it.
    ASSERT_EQ(chmod(coworkersEcho.c_str(), 0644), 0);
    run = runProgram(folder.path(), "data\n\n", asUser);
    EXPECT_EQ(run.err,
              "course-eval: cannot create 'data/sampleEvalData_read.txt': Permission denied; the file "
              "belongs to user 2002\n");

    // Nor is a co-worker's link followed to a file of the user's.
    fs::rename(evaluationFile, data / "mine.txt");
    fs::create_symlink("mine.txt", evaluationFile);
    ASSERT_EQ(lchown(evaluationFile.c_str(), coworker, coworker), 0);
    run = runProgram(folder.path(), "data\n\n", asUser);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err,
              "course-eval: cannot open 'data/sampleEvalData.txt': is a symbolic link of user 2002; only "
              "links of your own or of root are followed\n");
}

TEST_F(ProgramTest, DerivedFilesGiveNoOneWhatTheEvaluationFileKeepsFromThem) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "running as other users needs root";
    }
    // The usual shared folder: set-group-ID, of the group 3000 that a co-worker (2002) is in too. The
    // evaluation file is the user's and readable by their faculty group 3001 alone.
    constexpr unsigned user = 2001;
    const std::string evaluationFile = (data / evaluationFileName).string();
    const std::string reconstruction = (data / reconstructionFileName).string();
    ASSERT_EQ(chown(data.c_str(), 0, 3000), 0);
    ASSERT_EQ(chmod(data.c_str(), 02775), 0);
    ASSERT_EQ(chown(evaluationFile.c_str(), user, 3001), 0);
    ASSERT_EQ(chmod(evaluationFile.c_str(), 0640), 0);
    const testing::ProgramConditions asUser{0, 0, user, 3000, {3000, 3001}};
    if (!testing::canRun(folder.path(), asUser)) {
        GTEST_SKIP() << "the build or the temporary folder is closed to other users here";
    }
    const auto statusOf = [](const std::string& path) {
        struct stat status {};
        stat(path.c_str(), &status);
        return status;
    };
    ProgramRun run = runProgram(folder.path(), "data\n\n", asUser);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(statusOf(reconstruction).st_gid, 3001U);
    EXPECT_EQ(statusOf(reconstruction).st_mode & 0777, 0640U);

    // Of a group the user is not in, the access list's entry for the owning group goes with it.
    ASSERT_EQ(chown(evaluationFile.c_str(), user, 3005), 0);
    acl_t acl = acl_from_text("u::rw-,u:2003:r--,g::r--,m::r--,o::---");
    const int listed = acl_set_file(evaluationFile.c_str(), ACL_TYPE_ACCESS, acl);
    acl_free(acl);
    if (listed == 0) {
        fs::remove(reconstruction);
        run = runProgram(folder.path(), "data\n\n", asUser);
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(statusOf(reconstruction).st_gid, 3000U);
        acl = acl_get_file(reconstruction.c_str(), ACL_TYPE_ACCESS);
        char* text = acl_to_any_text(acl, nullptr, ',', TEXT_NUMERIC_IDS);
        EXPECT_STREQ(text, "user::rw-,user:2003:r--,group::---,mask::r--,other::---");
        acl_free(text);
        acl_free(acl);
        acl = acl_from_mode(0640);
        ASSERT_EQ(acl_set_file(evaluationFile.c_str(), ACL_TYPE_ACCESS, acl), 0);
        acl_free(acl);
    }

    // A co-worker's own file at an output name, though they let the user write it, gets none of the data.
    ASSERT_EQ(chown(evaluationFile.c_str(), user, 3001), 0);
    fs::remove(reconstruction);
    testing::writeBytes(reconstruction, "");
    ASSERT_EQ(chown(reconstruction.c_str(), 2002, 3000), 0);
    ASSERT_EQ(chmod(reconstruction.c_str(), 0620), 0);
    run = runProgram(folder.path(), "data\n\n", asUser);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "course-eval: cannot create 'data/sampleEvalData_reconstructed.txt': belongs to user "
                       "2002, who may not read the evaluation file it would show\n");
    EXPECT_EQ(readBytes(reconstruction), "");
}

TEST_F(ProgramTest, SampleDataRefusedForACoworkersFileInAStickyFolderSaysWhy) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "running as other users needs root";
    }
    constexpr unsigned user = 2001;
    const std::string evaluationFile = (data / evaluationFileName).string();
    ASSERT_EQ(chmod(data.c_str(), 01777), 0);
    ASSERT_EQ(chown(evaluationFile.c_str(), 2002, 2002), 0);
    ASSERT_EQ(chmod(evaluationFile.c_str(), 0666), 0);
    const testing::ProgramConditions asUser{0, 0, user, user, {user}};
    if (!testing::canRun(folder.path(), asUser)) {
        GTEST_SKIP() << "the build or the temporary folder is closed to other users here";
    }
    const ProgramRun run = runProgram(folder.path(), "data\n999\n", asUser);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "course-eval: cannot replace '" +
                           evaluationFile.substr(folder.path().string().size() + 1) +
                           "': the folder is sticky and the file belongs to user 2002\n");
}
#endif

#ifdef _WIN32
TEST_F(ProgramTest, SampleDataOnAFileHeldByAnotherProgramLeavesNothingBesideTheData) {
    const HANDLE held = CreateFileW((data / evaluationFileName).wstring().c_str(), GENERIC_READ, 0, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const ProgramRun run = runProgram(folder.path(), "data\n999\n");
    CloseHandle(held);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(
        run.err,
        "course-eval: cannot replace 'data\\sampleEvalData.txt': the file is in use by another program\n");
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(data)) {
        names.push_back(entry.path().filename().string());
    }
    EXPECT_THAT(names, ::testing::UnorderedElementsAre(std::string(evaluationFileName),
                                                       std::string(actionLogFileName)));
}

TEST_F(ProgramTest, FolderOfAnyScriptAndBeyond260CharactersIsRun) {
    // "\u0141\u00f3d\u017a" holds characters that no Western code page has; it is piped in UTF-8, as
    // PowerShell writes it, and the log holds it in UTF-8. The second folder is over 260 characters long.
    const std::string lodz = "\xC5\x81\xC3\xB3\x64\xC5\xBA";
    const std::string deep = std::string(80, 'a') + "\\" + std::string(80, 'b') + "\\" + std::string(80, 'c');
    // A name ending in a dot, as Linux and Mac clients make them on shares, is not trimmed either.
    const std::string dotted = "fall.";
    for (const std::string& answer : {lodz, deep, dotted}) {
        SCOPED_TRACE(answer);
        const fs::path target = fs::path(L"\\\\?\\" + fs::absolute(folder.path()).wstring()) /
                                fs::path(std::u8string(answer.begin(), answer.end()));
        fs::create_directories(target);
        fs::copy_file(data / evaluationFileName, target / evaluationFileName);
        const ProgramRun run = runProgram(folder.path(), answer + "\n999\n");
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_THAT(run.out, HasSubstr("your path is " + answer + "\\\n"));
        const std::string log = readBytes(target / actionLogFileName);
        EXPECT_THAT(log, HasSubstr("the Path Is " + answer + "\\\r\n"));
        EXPECT_EQ(splitCrLfLines(readBytes(target / groupedReportFileName)).size(), 200U);
    }
}
#endif

TEST_F(ProgramTest, AbsoluteFolderIsUsedAsTyped) {
    // On Windows this is a path with a drive letter and backslashes, e.g. C:\users\...\data.
    const std::string absolute = fs::absolute(data).string();
#ifdef _WIN32
    ASSERT_EQ(absolute.substr(1, 2), ":\\");
#endif
    const ProgramRun run = runProgram(folder.path(), absolute + "\n\n");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out,
              std::string(folderPrompt) + "your path is " + absolute + "\\\n" + confirmPrompt + "done\n");
    EXPECT_EQ(linesOf(actionLogFileName).front(), "the Path Is " + absolute + "\\");
    EXPECT_EQ(bytesOf(reconstructionFileName), bytesOf(evaluationFileName));
}

TEST_F(ProgramTest, CancelledFolderPromptUsesTheDefaultFolder) {
#ifdef _WIN32
    // On Windows the default folder is on drive H:, which the test machine does not have.
    const ProgramRun run = runProgram(folder.path(), "");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, std::string(folderPrompt) + "your path is h:\\tarnholm_2\\\n");
    EXPECT_THAT(run.err, HasSubstr("cannot use the folder 'h:\\tarnholm_2\\': "));
#else
    // On POSIX hosts it is the relative folder h:/tarnholm_2/ under the working folder.
    fs::create_directories(folder.path() / "h:" / "tarnholm_2");
    fs::copy_file(data / evaluationFileName, folder.path() / "h:" / "tarnholm_2" / evaluationFileName);
    const ProgramRun run = runProgram(folder.path(), "");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out,
              std::string(folderPrompt) + "your path is h:\\tarnholm_2\\\n" + confirmPrompt + "done\n");
    EXPECT_TRUE(fs::exists(folder.path() / "h:" / "tarnholm_2" / numbersOnlyFileName));
#endif
}

} // namespace
} // namespace courseeval
