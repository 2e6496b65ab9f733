#include "common/file_names.h"
#include "common/run_error.h"
#include "files/data_folder.h"
#include "files/file_rules.h"
#include "testing/error_of.h"
#include "testing/file_bytes.h"
#include "testing/temp_folder.h"

#include <cstring>
#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
// After windows.h, which it needs.
#include <sddl.h>
#else
#include <acl/libacl.h>
#include <fcntl.h>
#include <sys/acl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace courseeval {
namespace {

namespace fs = std::filesystem;
using testing::errorOf;
using ::testing::HasSubstr;
using testing::readBytes;
using testing::writeBytes;

class DataFolderTest : public ::testing::Test {
protected:
    std::string readEvaluationFile() {
        InputFile input = folder.openEvaluationFile();
        std::string bytes(static_cast<std::size_t>(input.size()), '\0');
        bytes.resize(input.read(bytes.data(), bytes.size()));
        input.close();
        return bytes;
    }

    testing::TempFolder temp;
    DataFolder folder{temp.folderPath()};
    const std::string evaluationFile = temp.file(std::string(evaluationFileName));
};

TEST_F(DataFolderTest, EvaluationFileMissingOrNotARegularFileFailsAtOpen) {
    const std::string missing = "cannot open '" + evaluationFile + "': No such file or directory";
    // The run's own files, hidden files and folders are no near miss of the file's name.
    writeBytes(temp.file(std::string(fieldEchoFileName)), "");
    writeBytes(temp.file(".sampleEvalData.txt.k3x9qa"), "");
    fs::create_directory(temp.file("sampleEvalData.d"));
    EXPECT_EQ(errorOf([&] { folder.openEvaluationFile(); }), missing);
    writeBytes(temp.file("sampleEvalData.txt.txt"), "");
    EXPECT_EQ(errorOf([&] { folder.openEvaluationFile(); }),
              missing + "; the folder holds 'sampleEvalData.txt.txt': rename it sampleEvalData.txt");
    writeBytes(temp.file("sampleEvalData (1).csv"), "");
    EXPECT_EQ(errorOf([&] { folder.openEvaluationFile(); }),
              missing +
                  "; the folder holds 'sampleEvalData (1).csv' and 'sampleEvalData.txt.txt': rename the "
                  "one that is the export sampleEvalData.txt");
#ifndef _WIN32
    // Where letter case counts.
    fs::remove(temp.file("sampleEvalData (1).csv"));
    fs::rename(temp.file("sampleEvalData.txt.txt"), temp.file("SampleEvalData.txt"));
    EXPECT_EQ(errorOf([&] { folder.openEvaluationFile(); }),
              missing + "; the folder holds 'SampleEvalData.txt': rename it sampleEvalData.txt");
#endif
    fs::create_directory(evaluationFile);
    EXPECT_EQ(errorOf([&] { folder.openEvaluationFile(); }),
              "cannot read '" + evaluationFile + "': is a directory, not a regular file");
}

TEST_F(DataFolderTest, EvaluationFileOverTheSizeLimitIsRefusedBeforeItIsRead) {
    writeBytes(evaluationFile, "");
    fs::resize_file(evaluationFile, evaluationFileSizeLimit + 1);
    EXPECT_EQ(
        errorOf([&] { folder.openEvaluationFile(); }),
        "cannot read '" + evaluationFile +
            "': holds 67108865 bytes, more than the 64 MiB (67108864 bytes) an evaluation file may hold");
}

TEST_F(DataFolderTest, FileWithOtherNamesIsNotWrittenButIsRead) {
    writeBytes(temp.file("thesis.txt"), "years of work");
    fs::create_hard_link(temp.file("thesis.txt"), temp.file(std::string(fieldEchoFileName)));
    EXPECT_EQ(errorOf([&] { folder.create(fieldEchoFileName); }),
              "cannot create '" + temp.file(std::string(fieldEchoFileName)) +
                  "': has 2 hard links; a run writes no file that has other names");
    EXPECT_EQ(readBytes(temp.file("thesis.txt")), "years of work");
    fs::create_hard_link(temp.file("thesis.txt"), evaluationFile);
    EXPECT_EQ(readEvaluationFile(), "years of work");
}

#ifndef _WIN32
TEST_F(DataFolderTest, SymbolicLinkOfAnotherUserIsNotFollowedEvenInTheirOwnFolder) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "giving a link to another user needs root";
    }
    constexpr uid_t coworker = 2002;
    writeBytes(temp.file("real.txt"), "a\t\r\n");
    fs::create_symlink("real.txt", evaluationFile);
    ASSERT_EQ(lchown(evaluationFile.c_str(), coworker, coworker), 0);
    // In a folder the co-worker owns, their link is exactly how they would get at a file of the user's.
    ASSERT_EQ(chown(temp.path().c_str(), coworker, coworker), 0);
    const std::string refused =
        "': is a symbolic link of user 2002; only links of your own or of root are followed";
    EXPECT_EQ(errorOf([&] { folder.openEvaluationFile(); }), "cannot open '" + evaluationFile + refused);
    EXPECT_EQ(errorOf([&] { folder.replaceEvaluationFile("new\t\r\n"); }),
              "cannot replace '" + evaluationFile + refused);
    EXPECT_EQ(readBytes(temp.file("real.txt")), "a\t\r\n");

    // Nor anywhere on the way: the user's own link leads through a folder name that is the co-worker's link.
    fs::remove(evaluationFile);
    fs::create_directory(temp.file("exports"));
    fs::create_symlink(temp.file("exports"), temp.file("private"));
    fs::create_symlink("private/real.txt", evaluationFile);
    fs::rename(temp.file("real.txt"), temp.file("exports/real.txt"));
    ASSERT_EQ(lchown(temp.file("private").c_str(), coworker, coworker), 0);
    EXPECT_EQ(errorOf([&] { folder.replaceEvaluationFile("new\t\r\n"); }),
              "cannot replace '" + evaluationFile + "': leads to '" + temp.file("private") +
                  "', which is a symbolic link of user 2002; only links of your own or of root are followed");
    EXPECT_EQ(readBytes(temp.file("exports/real.txt")), "a\t\r\n");
    fs::remove(evaluationFile);
    fs::create_symlink("private", evaluationFile);
    EXPECT_EQ(errorOf([&] { folder.openEvaluationFile(); }),
              "cannot open '" + evaluationFile + "': leads to '" + temp.file("private") +
                  "', which is a symbolic link of user 2002; only links of your own or of root are followed");
    // Nor is the folder itself reached through it.
    EXPECT_EQ(errorOf([&] { DataFolder(temp.file("private") + "/"); }),
              "cannot use the folder '" + temp.file("private") + "/': '" + temp.file("private") +
                  "' is a symbolic link of user 2002; only links of your own or of root are followed");
}

TEST_F(DataFolderTest, ChainOfFortyLinksIsFollowedAndOneMoreIsALoopEitherWayLeavingNothingOpen) {
    const auto openDescriptors = [] {
        return std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator());
    };
    const auto before = openDescriptors();
    writeBytes(temp.file("link40"), "a\t\r\n");
    for (int link = 39; link >= 0; --link) {
        fs::create_symlink("link" + std::to_string(link + 1), temp.file("link" + std::to_string(link)));
    }
    fs::create_symlink("link0", evaluationFile);
    EXPECT_EQ(errorOf([&] { folder.openEvaluationFile(); }),
              "cannot open '" + evaluationFile + "': Too many levels of symbolic links");
    EXPECT_EQ(openDescriptors(), before);
    fs::remove(evaluationFile);
    fs::create_symlink("link1", evaluationFile);
    EXPECT_EQ(readEvaluationFile(), "a\t\r\n");
    EXPECT_EQ(openDescriptors(), before);
}

TEST_F(DataFolderTest, ReadErrorEndsTheReadingAtOnce) {
    // Reading a process's memory at address 0 fails with EIO.
    fs::create_symlink("/proc/self/mem", evaluationFile);
    InputFile input = folder.openEvaluationFile();
    char byte = 0;
    EXPECT_EQ(errorOf([&] { input.read(&byte, 1); }),
              "cannot read '" + evaluationFile + "': Input/output error");
}

TEST_F(DataFolderTest, FileSavedOverTheEvaluationFileWhileItIsReadIsNotTakenForIt) {
    writeBytes(evaluationFile, "old\t\r\n");
    InputFile input = folder.openEvaluationFile();
    std::string bytes(8, '\0');
    input.read(bytes.data(), bytes.size());
    writeBytes(temp.file("saved.tmp"), "new\t\r\n");
    fs::rename(temp.file("saved.tmp"), evaluationFile);
    EXPECT_EQ(errorOf([&] { input.close(); }),
              "cannot read '" + evaluationFile + "': the file changed while it was read");
}

TEST_F(DataFolderTest, DerivedFileHasNoAccessEntryBeyondTheEvaluationFiles) {
    // The folder hands a co-worker read access to every new file; the evaluation file does not.
    acl_t inherited = acl_from_text("u::rwx,u:2002:r--,g::r-x,m::r-x,o::---");
    const int listed = acl_set_file(temp.path().c_str(), ACL_TYPE_DEFAULT, inherited);
    acl_free(inherited);
    if (listed != 0) {
        GTEST_SKIP() << "the temporary folder's file system keeps no access lists";
    }
    writeBytes(evaluationFile, "");
    chmod(evaluationFile.c_str(), 0640);
    acl_t plain = acl_from_mode(0640);
    acl_set_file(evaluationFile.c_str(), ACL_TYPE_ACCESS, plain);
    acl_free(plain);
    readEvaluationFile();
    folder.create("new.txt");
    EXPECT_EQ(acl_extended_file(temp.file("new.txt").c_str()), 0);
}

TEST_F(DataFolderTest, DerivedFileMadeLessReadableIsANewFileThatOldReadersCannotSee) {
    writeBytes(evaluationFile, "");
    chmod(evaluationFile.c_str(), 0600);
    writeBytes(temp.file("earlier.txt"), "");
    chmod(temp.file("earlier.txt").c_str(), 0644);
    // Someone opened it while it was readable, and keeps it open.
    const int earlierReader = open(temp.file("earlier.txt").c_str(), O_RDONLY);
    readEvaluationFile();
    folder.create("earlier.txt").writeLine("private");
    char seen[16] = {};
    EXPECT_EQ(read(earlierReader, seen, sizeof seen), 0);
    close(earlierReader);
    EXPECT_EQ(readBytes(temp.file("earlier.txt")), "private\r\n");
}

TEST_F(DataFolderTest, DerivedFilesAreNoMoreReadableThanTheEvaluationFile) {
    const mode_t savedMask = umask(022);
    const auto permissionsOf = [&](const std::string& name) {
        struct stat status {};
        stat(temp.file(name).c_str(), &status);
        return status.st_mode & 0777;
    };
    // Readable by all, but in a folder of the user's alone, reached through their own link: the copies in
    // the data folder are theirs alone too.
    fs::create_directory(temp.file("private"));
    fs::permissions(temp.file("private"), fs::perms::owner_all);
    writeBytes(temp.file("private/real.txt"), "");
    chmod(temp.file("private/real.txt").c_str(), 0644);
    fs::create_symlink("private/real.txt", evaluationFile);
    readEvaluationFile();
    folder.create("private.txt");
    EXPECT_EQ(permissionsOf("private.txt"), 0600U);
    fs::remove(evaluationFile);

    // The group may change the data; what a run derives from them is written within the user's umask.
    writeBytes(evaluationFile, "");
    chmod(evaluationFile.c_str(), 0660);
    writeBytes(temp.file("earlier.txt"), "an earlier run's output");
    chmod(temp.file("earlier.txt").c_str(), 0644);
    readEvaluationFile();
    folder.create("new.txt");
    folder.create("earlier.txt");
    EXPECT_EQ(permissionsOf("new.txt"), 0640U);
    EXPECT_EQ(permissionsOf("earlier.txt"), 0640U);

    if (geteuid() == 0) {
        // Another user's file would show them data the evaluation file shows its owner alone.
        chmod(evaluationFile.c_str(), 0600);
        ASSERT_EQ(chown(temp.file("earlier.txt").c_str(), 2002, 2002), 0);
        DataFolder again(temp.folderPath());
        again.openEvaluationFile().close();
        EXPECT_EQ(errorOf([&] { again.create("earlier.txt"); }),
                  "cannot create '" + temp.file("earlier.txt") +
                      "': belongs to user 2002, who may not read the evaluation file it would show");
        // Theirs too, the evaluation file among them: their file would still show the data to others.
        ASSERT_EQ(chown(evaluationFile.c_str(), 2002, 2002), 0);
        DataFolder theirs(temp.folderPath());
        theirs.openEvaluationFile().close();
        EXPECT_EQ(errorOf([&] { theirs.create("earlier.txt"); }),
                  "cannot create '" + temp.file("earlier.txt") +
                      "': may be read by users who may not read the evaluation file, and its permissions "
                      "cannot be narrowed");
        struct stat kept {};
        ASSERT_EQ(stat(temp.file("earlier.txt").c_str(), &kept), 0);
        EXPECT_EQ(kept.st_uid, 2002U);
    }
    umask(savedMask);
}
#endif

#ifdef _WIN32
// What Windows would tell, where Wine cannot (it keeps no access list and makes no reparse point), given
// through hostCalls.
class WindowsFactsTest : public DataFolderTest {
protected:
    ~WindowsFactsTest() override { hostCalls = HostCalls(); }

    // The security descriptor of the SDDL text `text`, as GetSecurityInfo gives it.
    static std::string descriptor(const wchar_t* text) {
        PSECURITY_DESCRIPTOR made = nullptr;
        ULONG size = 0;
        EXPECT_NE(ConvertStringSecurityDescriptorToSecurityDescriptorW(text, SDDL_REVISION_1, &made, &size),
                  0);
        std::string bytes(static_cast<const char*>(made), size);
        LocalFree(made);
        return bytes;
    }
    // Which file `file` is, whatever its name.
    static std::uint64_t identityOf(const Handle& file) {
        BY_HANDLE_FILE_INFORMATION information{};
        GetFileInformationByHandle(reinterpret_cast<HANDLE>(file.native()), &information);
        return (std::uint64_t{information.nFileIndexHigh} << 32) | information.nFileIndexLow;
    }
    static std::uint64_t identityOf(const std::string& path) {
        const ErrorOr<host::Start> start = host::openStart(path);
        return identityOf(*host::open(start->folder, start->rest, {OpenRequest::Access::name}));
    }

    // The file `identity` has the descriptor `given`; what is set on a file is kept in `set`.
    static inline std::uint64_t listedFile = 0;
    static inline std::string listed;
    static inline std::vector<std::pair<std::uint64_t, std::string>> set;
    void giveListedFile(const std::string& path, const std::string& given) {
        listedFile = identityOf(path);
        listed = given;
        set.clear();
        hostCalls.security = [](const Handle& file, unsigned long parts) -> ErrorOr<std::string> {
            return identityOf(file) == listedFile ? listed : HostCalls().security(file, parts);
        };
        hostCalls.setSecurity = [](const Handle& file, unsigned long parts, const std::string& descriptor) {
            set.emplace_back(identityOf(file), (parts & PROTECTED_DACL_SECURITY_INFORMATION) != 0
                                                   ? "protected " + descriptor
                                                   : descriptor);
            return std::error_code();
        };
    }
};

TEST_F(WindowsFactsTest, DerivedFileAndSampleDataTakeTheEvaluationFilesOwnAccessList) {
    // The evaluation file lets the Administrators and one co-worker read it, and nobody else, whatever the
    // folder passes on.
    writeBytes(evaluationFile, "old\t\r\n");
    const std::string own = descriptor(L"O:BAD:P(A;;FA;;;BA)(A;;FR;;;S-1-5-21-1-2-3-1001)");
    giveListedFile(evaluationFile, own);
    readEvaluationFile();
    folder.create("derived.txt").close();
    EXPECT_THAT(set,
                ::testing::ElementsAre(std::pair(identityOf(temp.file("derived.txt")), "protected " + own)));
    folder.replaceEvaluationFile("new\t\r\n");
    EXPECT_EQ(set.back(), std::pair(identityOf(evaluationFile), "protected " + own));
    EXPECT_EQ(readBytes(evaluationFile), "new\t\r\n");
}

TEST_F(WindowsFactsTest, ExistingFileOfWiderReadersAtAnOutputNameIsReplacedByANewOne) {
    writeBytes(evaluationFile, "");
    writeBytes(temp.file("earlier.txt"), "an earlier run's output");
    const std::string narrow = descriptor(L"O:BAD:P(A;;FA;;;BA)");
    giveListedFile(evaluationFile, narrow);
    readEvaluationFile();
    // Everybody may read the earlier file.
    const std::uint64_t earlier = identityOf(temp.file("earlier.txt"));
    static std::uint64_t wide = 0;
    wide = earlier;
    hostCalls.security = [](const Handle& file, unsigned long parts) -> ErrorOr<std::string> {
        if (identityOf(file) == wide && (parts & DACL_SECURITY_INFORMATION) != 0) {
            return descriptor(L"D:(A;;FR;;;WD)");
        }
        return identityOf(file) == listedFile ? listed : HostCalls().security(file, parts);
    };
    folder.create("earlier.txt").close();
    // A new file, given the evaluation file's list: an existing one would only be emptied.
    EXPECT_THAT(
        set, ::testing::ElementsAre(std::pair(identityOf(temp.file("earlier.txt")), "protected " + narrow)));
    EXPECT_EQ(readBytes(temp.file("earlier.txt")), "");
}

TEST_F(WindowsFactsTest, ReparsePointIsFollowedOnlyWhenItIsTheUsersOrAnAdministrators) {
    // "junction" stands for "target": a junction of a co-worker's, then of the user's own.
    fs::create_directory(temp.file("junction"));
    fs::create_directory(temp.file("target"));
    static std::uint64_t junction = 0;
    static std::wstring owner;
    static std::string data;
    junction = identityOf(temp.file("junction"));
    // A mount point's data: the tag, the data's length, a reserved word, then where the substitute and the
    // printed name stand in the names that follow.
    const std::wstring substitute = L"\\??\\" + fs::path(temp.file("target")).wstring();
    const auto length = static_cast<std::uint16_t>(substitute.size() * 2);
    const std::vector<std::uint16_t> words = {0, 0, 0, 0, 0, length, static_cast<std::uint16_t>(length + 2),
                                              0};
    data.assign(reinterpret_cast<const char*>(words.data()), words.size() * 2);
    const ULONG tag = IO_REPARSE_TAG_MOUNT_POINT;
    std::memcpy(data.data(), &tag, sizeof tag);
    data.append(reinterpret_cast<const char*>(substitute.data()), substitute.size() * 2).append(4, '\0');
    hostCalls.reparseTag = [](const Handle& file) -> ErrorOr<unsigned long> {
        return identityOf(file) == junction ? IO_REPARSE_TAG_MOUNT_POINT : HostCalls().reparseTag(file);
    };
    hostCalls.reparseData = [](const Handle&) -> ErrorOr<std::string> { return data; };
    hostCalls.security = [](const Handle& file, unsigned long parts) -> ErrorOr<std::string> {
        return identityOf(file) == junction ? descriptor(owner.c_str()) : HostCalls().security(file, parts);
    };
    owner = L"O:S-1-5-21-1-2-3-1002";
    EXPECT_EQ(errorOf([&] { DataFolder(temp.file("junction") + "\\"); }),
              "cannot use the folder '" + temp.file("junction") + "\\': '" + temp.file("junction") +
                  "' is a symbolic link of user S-1-5-21-1-2-3-1002; only links of your own or of root are "
                  "followed");
    // Nor is one on the way.
    EXPECT_EQ(errorOf([&] { DataFolder(temp.file("junction") + "\\x\\"); }),
              "cannot use the folder '" + temp.file("junction") + "\\x\\': '" + temp.file("junction") +
                  "' is a symbolic link of user S-1-5-21-1-2-3-1002; only links of your own or of root are "
                  "followed");
    // An administrator's, and the user's own, are followed.
    static std::string followedOwner;
    const ErrorOr<std::string> users = HostCalls().security(temp.open(), OWNER_SECURITY_INFORMATION);
    ASSERT_TRUE(users);
    for (const std::string& given : {descriptor(L"O:BA"), *users}) {
        followedOwner = given;
        hostCalls.security = [](const Handle& file, unsigned long parts) -> ErrorOr<std::string> {
            return identityOf(file) == junction ? followedOwner : HostCalls().security(file, parts);
        };
        DataFolder throughJunction(temp.file("junction") + "\\");
        throughJunction.create("written.txt").close();
        EXPECT_TRUE(fs::exists(temp.file("target\\written.txt")));
        fs::remove(temp.file("target\\written.txt"));
    }
}

TEST_F(WindowsFactsTest, EveryFileIsOpenedRelativeToTheFolderHeld) {
    writeBytes(evaluationFile, "a\t\r\n");
    static int opened = 0;
    static int byPath = 0;
    opened = 0;
    byPath = 0;
    hostCalls.open = [](const Handle& at, std::wstring_view name, unsigned long access, unsigned long share,
                        unsigned long disposition, unsigned long options, unsigned long attributes,
                        const std::string& security) {
        ++opened;
        byPath += at.isOpen() ? 0 : 1;
        return HostCalls().open(at, name, access, share, disposition, options, attributes, security);
    };
    DataFolder held(temp.folderPath());
    ActionLog& log = held.lock();
    InputFile input = held.openEvaluationFile();
    char bytes[8];
    input.read(bytes, sizeof bytes);
    input.close();
    held.create(fieldEchoFileName).close();
    held.replaceEvaluationFile("b\t\r\n");
    log.release();
    EXPECT_GT(opened, 10);
    EXPECT_EQ(byPath, 0);
}
#endif

} // namespace
} // namespace courseeval
