#include "common/file_names.h"
#include "common/run_error.h"
#include "files/data_folder.h"
#include "files/host.h"
#include "files/replacement_file.h"
#include "testing/error_of.h"
#include "testing/file_bytes.h"
#include "testing/temp_folder.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <acl/libacl.h>
#include <cerrno>
#include <grp.h>
#include <linux/fs.h>
#include <sys/acl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#endif

namespace courseeval {
namespace {

namespace fs = std::filesystem;
using testing::errorOf;
using ::testing::HasSubstr;
using testing::readBytes;

// The replacement of "data.txt" in a folder of its own, and 999's of the evaluation file.
class ReplacementFileTest : public ::testing::Test {
protected:
    ReplacementFileTest() {
        testing::writeBytes(target, "old");
        testing::writeBytes(evaluationFile, "old");
    }

    // Replaces "data.txt" with "new\r\n", doing `meanwhile` once the new file is written.
    void replaceWithNew(const ReplacementFile::Prepare& meanwhile = [](const Handle&, const FileStatus&) {}) {
        const ErrorOr<FileStatus> old = host::statusAt(held, "data.txt");
        ReplacementFile(held, folder.folderPath(), "data.txt", target, true)
            .commit("new\r\n", old ? std::optional(*old) : std::nullopt, meanwhile);
    }
    std::vector<std::string> namesInFolder() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder.path())) {
            names.push_back(entry.path().filename().string());
        }
        return names;
    }

    testing::TempFolder folder;
    const Handle held = folder.open();
    const std::string target = folder.file("data.txt");
    const std::string evaluationFile = folder.file(std::string(evaluationFileName));
    DataFolder data{folder.folderPath()};
};

TEST_F(ReplacementFileTest, FileNotCompletedLeavesTheTargetAsItWasAndNothingBeside) {
    { const ReplacementFile abandoned(held, folder.folderPath(), "data.txt", target, true); }
    EXPECT_EQ(readBytes(target), "old");
    EXPECT_THAT(namesInFolder(),
                ::testing::UnorderedElementsAre("data.txt", std::string(evaluationFileName)));
}

TEST_F(ReplacementFileTest, ReadOnlyFileIsRefusedAndLeftAsItIs) {
#ifdef _WIN32
    SetFileAttributesA(evaluationFile.c_str(), FILE_ATTRIBUTE_READONLY);
#else
    fs::permissions(evaluationFile, fs::perms::owner_read | fs::perms::group_read);
#endif
    EXPECT_EQ(errorOf([&] { data.replaceEvaluationFile("new\r\n"); }),
              "cannot replace '" + evaluationFile + "': the file is read-only");
    EXPECT_EQ(readBytes(evaluationFile), "old");
#ifdef _WIN32
    SetFileAttributesA(evaluationFile.c_str(), FILE_ATTRIBUTE_NORMAL);
#endif
}

TEST_F(ReplacementFileTest, FileWithOtherNamesIsRefused) {
    fs::create_hard_link(evaluationFile, folder.file("copy.txt"));
    EXPECT_EQ(errorOf([&] { data.replaceEvaluationFile("new\r\n"); }),
              "cannot replace '" + evaluationFile +
                  "': has 2 hard links; a run writes no file that has other names");
    EXPECT_EQ(readBytes(folder.file("copy.txt")), "old");
}

TEST_F(ReplacementFileTest, FileSavedOverTheTargetMeanwhileIsKeptAndNothingIsReplaced) {
    // A co-worker's editor saves as editors do: a copy renamed over the file.
    const auto coworkerSaves = [&](const std::string& content) {
        return [&, content](const Handle&, const FileStatus&) {
            testing::writeBytes(folder.file("saved.tmp"), content);
            fs::rename(folder.file("saved.tmp"), target);
        };
    };
    EXPECT_EQ(errorOf([&] { replaceWithNew(coworkerSaves("a co-worker's save")); }),
              "cannot replace '" + target +
                  "': the file was changed by another program meanwhile, so nothing was replaced");
    EXPECT_EQ(readBytes(target), "a co-worker's save");
    EXPECT_THAT(namesInFolder(),
                ::testing::UnorderedElementsAre("data.txt", std::string(evaluationFileName)));

    // So is one saved where nothing stood.
    fs::remove(target);
    EXPECT_THAT(errorOf([&] { replaceWithNew(coworkerSaves("a co-worker's first")); }),
                ::testing::EndsWith("so nothing was replaced"));
    EXPECT_EQ(readBytes(target), "a co-worker's first");
}

#ifdef _WIN32
TEST_F(ReplacementFileTest, AttributesOfTheOldFileAreKept) {
    SetFileAttributesA(evaluationFile.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);
    data.replaceEvaluationFile("new\r\n");
    EXPECT_EQ(readBytes(evaluationFile), "new\r\n");
    EXPECT_EQ(GetFileAttributesA(evaluationFile.c_str()) & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY),
              DWORD{FILE_ATTRIBUTE_HIDDEN});
    // The new file is hidden only until it takes the old one's place.
    SetFileAttributesA(evaluationFile.c_str(), FILE_ATTRIBUTE_NORMAL);
    data.replaceEvaluationFile("new\r\n");
    EXPECT_EQ(GetFileAttributesA(evaluationFile.c_str()) & FILE_ATTRIBUTE_HIDDEN, DWORD{0});
    fs::remove(evaluationFile);
    data.replaceEvaluationFile("new\r\n");
    EXPECT_EQ(GetFileAttributesA(evaluationFile.c_str()) & FILE_ATTRIBUTE_HIDDEN, DWORD{0});
}
#else
TEST_F(ReplacementFileTest, FileBehindALinkIsReplacedWithItsPermissionsAndTheLinkStays) {
    fs::create_directory(folder.path() / "store");
    testing::writeBytes(folder.file("store/real.txt"), "old");
    fs::permissions(folder.path() / "store/real.txt",
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::remove(evaluationFile);
    fs::create_symlink("store/real.txt", evaluationFile);
    // Of a leftover's form for the file replaced, but in the data folder, which is another folder.
    testing::writeBytes(folder.file(".real.txt.k3x9qa"), "a file of the data folder");

    data.replaceEvaluationFile("new\r\n");

    EXPECT_TRUE(fs::is_symlink(evaluationFile));
    EXPECT_EQ(readBytes(folder.file("store/real.txt")), "new\r\n");
    EXPECT_EQ(fs::status(folder.path() / "store/real.txt").permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path() / "store"), fs::directory_iterator()), 1);
    EXPECT_TRUE(fs::exists(folder.file(".real.txt.k3x9qa")));
}

// Host calls that fail where a test says, or let another program act at the worst moment.
struct FaultyCalls {
    FaultyCalls() { exchanges = 0; }
    FaultyCalls(const FaultyCalls&) = delete;
    FaultyCalls& operator=(const FaultyCalls&) = delete;
    ~FaultyCalls() { hostCalls = HostCalls(); }
    static int failed(int error) {
        errno = error;
        return -1;
    }
    // The first exchange finds a co-worker's save at the target, as editors save: a copy renamed over it.
    static int exchangeAfterASave(int from, const char* fromName, int to, const char* toName,
                                  unsigned flags) {
        if (exchanges++ == 0 && std::rename(savedCopy.c_str(), savedTarget.c_str()) != 0) {
            return failed(EPERM);
        }
        return ::renameat2(from, fromName, to, toName, flags);
    }
    static inline int exchanges = 0;
    static inline std::string savedCopy;
    static inline std::string savedTarget;
};

TEST_F(ReplacementFileTest, FileSystemThatCannotExchangeNamesReplacesTheFileWholeAndKeepsACoworkersSave) {
    // NFS and SMB: no exchange of names and no rename that refuses a taken name; and, as on FAT, no hard
    // links either.
    const FaultyCalls faulty;
    hostCalls.renameat2 = [](int from, const char* fromName, int to, const char* toName, unsigned flags) {
        return flags != 0 ? FaultyCalls::failed(EINVAL) : ::renameat2(from, fromName, to, toName, flags);
    };
    for (const bool hardLinks : {true, false}) {
        SCOPED_TRACE(hardLinks ? "with hard links" : "without hard links");
        hostCalls.linkat = hardLinks ? HostCalls().linkat : [](int, const char*, int, const char*, int) {
            return FaultyCalls::failed(EPERM);
        };
        testing::writeBytes(target, "old");
        replaceWithNew();
        EXPECT_EQ(readBytes(target), "new\r\n");
        fs::remove(target);
        replaceWithNew();
        EXPECT_EQ(readBytes(target), "new\r\n");
        EXPECT_THAT(namesInFolder(),
                    ::testing::UnorderedElementsAre("data.txt", std::string(evaluationFileName)));
    }

    // A co-worker's save, as editors save (a copy renamed over the file), while the new file is written or
    // once the old one is aside, is kept.
    hostCalls.linkat = HostCalls().linkat;
    FaultyCalls::savedCopy = folder.file("saved.tmp");
    FaultyCalls::savedTarget = target;
    const auto coworkerSaves = [&](const Handle&, const FileStatus&) {
        testing::writeBytes(FaultyCalls::savedCopy, "a co-worker's save");
        fs::rename(FaultyCalls::savedCopy, target);
    };
    const std::string nothingReplaced =
        "cannot replace '" + target +
        "': the file was changed by another program meanwhile, so nothing was "
        "replaced";
    testing::writeBytes(target, "old");
    EXPECT_EQ(errorOf([&] { replaceWithNew(coworkerSaves); }), nothingReplaced);
    EXPECT_EQ(readBytes(target), "a co-worker's save");
    testing::writeBytes(target, "old");
    testing::writeBytes(FaultyCalls::savedCopy, "a co-worker's save");
    // The second hard link made is the new file's, at the name the old one has left.
    static int links = 0;
    links = 0;
    hostCalls.linkat = [](int from, const char* fromName, int to, const char* toName, int flags) {
        if (++links == 2) {
            std::rename(FaultyCalls::savedCopy.c_str(), FaultyCalls::savedTarget.c_str());
        }
        return ::linkat(from, fromName, to, toName, flags);
    };
    EXPECT_EQ(errorOf([&] { replaceWithNew(); }), nothingReplaced);
    EXPECT_EQ(readBytes(target), "a co-worker's save");
    EXPECT_THAT(namesInFolder(),
                ::testing::UnorderedElementsAre("data.txt", std::string(evaluationFileName)));

    // The old name that cannot be removed once the new one is linked: the new name goes again.
    hostCalls.linkat = HostCalls().linkat;
    static int removals = 0;
    removals = 0;
    hostCalls.unlinkat = [](int at, const char* name, int flags) {
        return ++removals == 1 ? FaultyCalls::failed(EIO) : ::unlinkat(at, name, flags);
    };
    testing::writeBytes(target, "old");
    EXPECT_EQ(errorOf([&] { replaceWithNew(); }), "cannot replace '" + target + "': Input/output error");
    EXPECT_EQ(readBytes(target), "old");
    EXPECT_THAT(namesInFolder(),
                ::testing::UnorderedElementsAre("data.txt", std::string(evaluationFileName)));
}

TEST_F(ReplacementFileTest, FileThatAnotherProgramHoldsForAMomentIsReplacedOnceItIsFree) {
    // As Windows refuses to rename a file held open without sharing its removal, for a quarter second.
    const FaultyCalls faulty;
    static std::chrono::steady_clock::time_point since;
    since = std::chrono::steady_clock::now();
    hostCalls.renameat2 = [](int from, const char* fromName, int to, const char* toName, unsigned flags) {
        return flags != 0 ? FaultyCalls::failed(EINVAL) : ::renameat2(from, fromName, to, toName, flags);
    };
    hostCalls.linkat = [](int from, const char* fromName, int to, const char* toName, int flags) {
        return std::chrono::steady_clock::now() - since < std::chrono::milliseconds(250)
                   ? FaultyCalls::failed(EBUSY)
                   : ::linkat(from, fromName, to, toName, flags);
    };
    replaceWithNew();
    EXPECT_EQ(readBytes(target), "new\r\n");
    EXPECT_THAT(namesInFolder(),
                ::testing::UnorderedElementsAre("data.txt", std::string(evaluationFileName)));
}

TEST_F(ReplacementFileTest, NewFileIsTheUsersAloneUntilItIsComplete) {
    const mode_t savedMask = umask(0);
    replaceWithNew([&](const Handle&, const FileStatus& status) {
        EXPECT_EQ(status.permissions, 0600U);
        EXPECT_EQ(namesInFolder().size(), 3U);
    });
    umask(savedMask);

    // Where nothing stood before, the complete file is the user's as any file they create.
    fs::remove(evaluationFile);
    data.replaceEvaluationFile("new\r\n");
    struct stat status {};
    ASSERT_EQ(stat(evaluationFile.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0666U & ~savedMask);
}

TEST_F(ReplacementFileTest, FolderRemovedMeanwhileIsNamedAsSuch) {
    const fs::path gone = folder.path() / "gone";
    fs::create_directory(gone);
    DataFolder opened((gone / "").string());
    fs::remove(gone);
    EXPECT_THAT(errorOf([&] { opened.replaceEvaluationFile("new\r\n"); }),
                ::testing::EndsWith("': No such file or directory"));
}

TEST_F(ReplacementFileTest, AccessListAndUserAttributesOfTheOldFileAreKept) {
    acl_t acl = acl_from_text("u::rw-,u:2002:r--,g::r--,m::r--,o::---");
    const int listed = acl_set_file(evaluationFile.c_str(), ACL_TYPE_ACCESS, acl);
    acl_free(acl);
    if (listed != 0 || setxattr(evaluationFile.c_str(), "user.note", "kept", 4, 0) != 0) {
        GTEST_SKIP() << "the temporary folder's file system keeps no access lists or user attributes";
    }
    // An attribute of the system's own, which root may set, is no user's to carry over.
    const bool systemAttribute = setxattr(evaluationFile.c_str(), "trusted.note", "left", 4, 0) == 0;
    data.replaceEvaluationFile("new\r\n");
    EXPECT_TRUE(!systemAttribute || getxattr(evaluationFile.c_str(), "trusted.note", nullptr, 0) < 0);
    acl = acl_get_file(evaluationFile.c_str(), ACL_TYPE_ACCESS);
    char* text = acl_to_any_text(acl, nullptr, ',', TEXT_NUMERIC_IDS);
    EXPECT_STREQ(text, "user::rw-,user:2002:r--,group::r--,mask::r--,other::---");
    acl_free(text);
    acl_free(acl);
    char note[8] = {};
    EXPECT_EQ(getxattr(evaluationFile.c_str(), "user.note", note, sizeof note), 4);
    EXPECT_STREQ(note, "kept");
}

TEST_F(ReplacementFileTest, ImmutableFileIsRefusedWithItsCause) {
    const FaultyCalls restored;
    // The attribute as the file system reports it: setting it needs root.
    static int flags = 0;
    hostCalls.getFlags = [](int /*descriptor*/, int* given) {
        *given = flags;
        return 0;
    };
    flags = FS_IMMUTABLE_FL;
    EXPECT_EQ(errorOf([&] { data.replaceEvaluationFile("new\r\n"); }),
              "cannot replace '" + evaluationFile +
                  "': the file is immutable (its attribute i is set; see lsattr)");
    flags = FS_APPEND_FL;
    EXPECT_EQ(errorOf([&] { data.replaceEvaluationFile("new\r\n"); }),
              "cannot replace '" + evaluationFile +
                  "': the file is append-only (its attribute a is set; see lsattr)");
    EXPECT_EQ(readBytes(evaluationFile), "old");
}

TEST_F(ReplacementFileTest, NewFileThatCannotBeRemovedIsNamedInTheError) {
    // A folder of an ordinary user's (root takes the part of user 2001), which they close while 999
    // writes: the new file can be put neither in the old one's place nor away.
    const bool root = geteuid() == 0;
    const uid_t user = root ? 2001 : geteuid();
    fs::permissions(folder.path(), fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    const fs::path mine = folder.path() / "mine";
    fs::create_directory(mine);
    testing::writeBytes((mine / "data.txt").string(), "old");
    if (root) {
        ASSERT_EQ(chown(mine.c_str(), user, user), 0);
        ASSERT_EQ(chown((mine / "data.txt").c_str(), user, user), 0);
    }
    const std::string path = (mine / "").string();
    EXPECT_EXIT(
        {
            if (root && (setgroups(0, nullptr) != 0 || setresgid(user, user, user) != 0 ||
                         setresuid(user, user, user) != 0)) {
                std::exit(2);
            }
            const Handle opened = [&] {
                ErrorOr<host::Start> start = host::openStart(path);
                return std::move(*host::open(start->folder, start->rest, {OpenRequest::Access::folder}));
            }();
            const ErrorOr<FileStatus> old = host::statusAt(opened, "data.txt");
            ReplacementFile replacement(opened, path, "data.txt", path + "data.txt", false);
            try {
                replacement.commit("new\r\n", *old,
                                   [&](const Handle&, const FileStatus&) { chmod(mine.c_str(), 0555); });
            } catch (const RunError& error) {
                std::fputs(error.what(), stderr);
                std::exit(1);
            }
            std::exit(0);
        },
        ::testing::ExitedWithCode(1),
        "^cannot replace '" + path + "data.txt': Permission denied; the unfinished new file '" + path +
            "\\.data\\.txt\\.[a-z0-9]{6}' could not be removed: Permission denied$");
    fs::permissions(mine, fs::perms::owner_all);
    EXPECT_EQ(readBytes((mine / "data.txt").string()), "old");
}

TEST_F(ReplacementFileTest, NewFileWhoseStatusCannotBeHadIsRemovedAtOnce) {
    const FaultyCalls faulty;
    hostCalls.fstat = [](int, struct stat*) { return FaultyCalls::failed(EIO); };
    EXPECT_EQ(errorOf([&] { ReplacementFile(held, folder.folderPath(), "data.txt", target, false); }),
              "cannot create '" + target + "': Input/output error");
    EXPECT_THAT(namesInFolder(),
                ::testing::UnorderedElementsAre("data.txt", std::string(evaluationFileName)));
}

TEST_F(ReplacementFileTest, FailedStepSaysWhetherTheFileWasReplacedAndRemovesNoOneElsesFile) {
    FaultyCalls::savedCopy = folder.file("saved.tmp");
    FaultyCalls::savedTarget = target;
    const std::string replaced = "'" + target + "' was replaced, but ";
    struct Fault {
        void (*faulty)();
        std::string error; // how the error begins
        std::string standing;
        std::string left; // what the temporary name holds afterwards
    };
    const Fault faults[] = {
        {[] {
             hostCalls.renameat2 = [](int, const char*, int, const char*, unsigned) {
                 return FaultyCalls::failed(EPERM);
             };
         },
         "cannot replace '" + target + "': Operation not permitted", "old", ""},
        {[] { hostCalls.fsync = [](int) { return FaultyCalls::failed(EIO); }; },
         "cannot write to '" + target + "': Input/output error", "old", ""},
        {[] {
             hostCalls.renameat2 = [](int from, const char* fromName, int to, const char* toName,
                                      unsigned flags) {
                 return FaultyCalls::exchanges == 1
                            ? FaultyCalls::failed(EIO)
                            : FaultyCalls::exchangeAfterASave(from, fromName, to, toName, flags);
             };
         },
         replaced + "the file another program saved there meanwhile is now '", "new\r\n",
         "a co-worker's save"},
        {[] { hostCalls.unlinkat = [](int, const char*, int) { return FaultyCalls::failed(EIO); }; },
         replaced + "the old file is left as '", "new\r\n", "old"},
        {[] {
             hostCalls.fsync = [](int descriptor) {
                 struct stat status {};
                 return fstat(descriptor, &status) == 0 && S_ISDIR(status.st_mode) ? FaultyCalls::failed(EIO)
                                                                                   : ::fsync(descriptor);
             };
         },
         replaced + "the folder could not be synced (Input/output error), so the replacement may not survive "
                    "a power failure",
         "new\r\n", ""},
    };
    for (const Fault& fault : faults) {
        SCOPED_TRACE(fault.error);
        testing::writeBytes(target, "old");
        testing::writeBytes(FaultyCalls::savedCopy, "a co-worker's save");
        const FaultyCalls faulty;
        fault.faulty();
        const std::string error = errorOf([&] { replaceWithNew(); });
        EXPECT_THAT(error, ::testing::StartsWith(fault.error));
        EXPECT_EQ(readBytes(target), fault.standing);
        std::string left;
        for (const std::string& name : namesInFolder()) {
            if (name.starts_with(".data.txt.")) {
                left = readBytes(folder.file(name));
                EXPECT_THAT(error, HasSubstr(folder.file(name) + "': Input/output error"));
                fs::remove(folder.file(name));
            }
        }
        EXPECT_EQ(left, fault.left);
        fs::remove(FaultyCalls::savedCopy);
    }
}

TEST_F(ReplacementFileTest, InterruptionDuringTheExchangeWaitsUntilTheCoworkersSaveIsBack) {
    FaultyCalls::savedCopy = folder.file("saved.tmp");
    FaultyCalls::savedTarget = target;
    testing::writeBytes(FaultyCalls::savedCopy, "a co-worker's save");
    EXPECT_EXIT(
        {
            const FaultyCalls faulty;
            hostCalls.renameat2 = [](int from, const char* fromName, int to, const char* toName,
                                     unsigned flags) {
                const int done = FaultyCalls::exchangeAfterASave(from, fromName, to, toName, flags);
                std::raise(SIGTERM);
                return done;
            };
            replaceWithNew();
        },
        ::testing::KilledBySignal(SIGTERM), "");
    EXPECT_EQ(readBytes(target), "a co-worker's save");
    EXPECT_THAT(namesInFolder(),
                ::testing::UnorderedElementsAre("data.txt", std::string(evaluationFileName)));
}

TEST_F(ReplacementFileTest, InterruptionDuringTheExchangeEndsTheRunOnceTheNewFileIsInPlaceAndTheOldGone) {
    EXPECT_EXIT(
        {
            const FaultyCalls faulty;
            hostCalls.renameat2 = [](int from, const char* fromName, int to, const char* toName,
                                     unsigned flags) {
                const int done = ::renameat2(from, fromName, to, toName, flags);
                std::raise(SIGTERM);
                return done;
            };
            replaceWithNew();
            std::exit(0);
        },
        ::testing::KilledBySignal(SIGTERM), "^$");
    EXPECT_EQ(readBytes(target), "new\r\n");
    EXPECT_THAT(namesInFolder(),
                ::testing::UnorderedElementsAre("data.txt", std::string(evaluationFileName)));
}

TEST_F(ReplacementFileTest, InterruptionRemovesTheNewFileAndLeftoversGoWithTheNextReplacement) {
    // A run killed outright leaves its new file behind; one of the user's, of exactly that form, goes
    // with the next replacement, and a file of any other name stays.
    testing::writeBytes(folder.file(".data.txt.k3x9qa"), "left by a killed run");
    testing::writeBytes(folder.file(".data.txt.k3x9qa.keep"), "the user's own");
    EXPECT_EXIT(
        {
            const ReplacementFile replacement(held, folder.folderPath(), "data.txt", target, true);
            std::raise(SIGINT);
        },
        ::testing::KilledBySignal(SIGINT), "^$");
    EXPECT_EQ(readBytes(target), "old");
    EXPECT_THAT(namesInFolder(), ::testing::UnorderedElementsAre("data.txt", ".data.txt.k3x9qa.keep",
                                                                 std::string(evaluationFileName)));
}

TEST_F(ReplacementFileTest, InterruptionThatCannotRemoveTheNewFileNamesIt) {
    // As in a folder its user closed meanwhile (root takes the part of user 2001, whom the folder keeps out
    // of removing).
    const bool root = geteuid() == 0;
    const uid_t user = root ? 2001 : geteuid();
    const fs::path mine = folder.path() / "mine";
    fs::create_directory(mine);
    fs::permissions(folder.path(), fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    if (root) {
        ASSERT_EQ(chown(mine.c_str(), user, user), 0);
    }
    const std::string path = (mine / "").string();
    EXPECT_EXIT(
        {
            if (root && (setgroups(0, nullptr) != 0 || setresgid(user, user, user) != 0 ||
                         setresuid(user, user, user) != 0)) {
                std::exit(2);
            }
            ErrorOr<host::Start> start = host::openStart(path);
            const Handle opened =
                std::move(*host::open(start->folder, start->rest, {OpenRequest::Access::folder}));
            const ReplacementFile replacement(opened, path, "data.txt", path + "data.txt", false);
            chmod(mine.c_str(), 0555);
            std::raise(SIGTERM);
        },
        ::testing::KilledBySignal(SIGTERM),
        "^course-eval: cannot remove the unfinished file '" + path + "\\.data\\.txt\\.[a-z0-9]{6}'\n$");
    fs::permissions(mine, fs::perms::owner_all);
}

TEST_F(ReplacementFileTest, ProgramsOwnInterruptionHandlingIsBackOnceTheNewFileIsKeptOrGone) {
    struct sigaction mine {};
    mine.sa_handler = [](int /*signal*/) {};
    struct sigaction before {};
    ASSERT_EQ(sigaction(SIGTERM, &mine, &before), 0);
    const auto handler = [] {
        struct sigaction now {};
        sigaction(SIGTERM, nullptr, &now);
        return now.sa_handler;
    };
    replaceWithNew();
    EXPECT_EQ(handler(), mine.sa_handler);
    { const ReplacementFile abandoned(held, folder.folderPath(), "data.txt", target, true); }
    EXPECT_EQ(handler(), mine.sa_handler);
    sigaction(SIGTERM, &before, nullptr);
}
#endif

} // namespace
} // namespace courseeval
