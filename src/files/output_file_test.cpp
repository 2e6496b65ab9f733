#include "common/run_error.h"
#include "files/data_folder.h"
#include "files/host.h"
#include "files/output_file.h"
#include "testing/file_bytes.h"
#include "testing/small_disk.h"
#include "testing/temp_folder.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace courseeval {
namespace {

using ::testing::HasSubstr;
using testing::readBytes;
using testing::TempFolder;

TEST(OutputFileTest, WritesPiecesAndCrLfLinesByteForByteAndTruncates) {
    TempFolder folder;
    const std::string path = folder.file("out.txt");
    testing::writeBytes(path, "old content that must disappear");
    OutputFile file = DataFolder(folder.folderPath()).create("out.txt");
    file.writePiece("a\tb");
    file.writeLine("");
    file.writeLine("\xE9\n");
    file.close();
    EXPECT_EQ(readBytes(path), "a\tb\r\n\xE9\n\r\n");
}

TEST(OutputFileTest, NumberTextsGoOutOneAfterTheOther) {
    TempFolder folder;
    OutputFile file = DataFolder(folder.folderPath()).create("out.txt");
    file.writeNumber(2147483647);
    file.writeNumber(7);
    file.close();
    EXPECT_EQ(readBytes(folder.file("out.txt")), " 2147483647 7");
}

TEST(OutputFileTest, StoredLineHasATabBetweenPiecesWhetherShortOrLong) {
    TempFolder folder;
    const std::string longPiece(5000, 'l');
    OutputFile file = DataFolder(folder.folderPath()).create("out.txt");
    file.writeStoredLine(std::array<std::string_view, 3>{"", "b", ""});
    file.writeStoredLine(std::array<std::string_view, 3>{"a", longPiece, ""});
    file.writeStoredLine(std::array<std::string_view, 1>{"z"});
    file.close();
    EXPECT_EQ(readBytes(folder.file("out.txt")), "\tb\t\r\na\t" + longPiece + "\t\r\nz\r\n");
}

TEST(OutputFileTest, PiecesLongerThanTheBufferALineOneByteTooLongForItAndAStoredPieceArriveWhole) {
    TempFolder folder;
    const std::string huge(std::size_t{200} * 1024, 'h');
    const std::string filler(OutputFile::bufferCapacity - 2, 'f');
    const std::string stored(2000, 's');
    OutputFile file = DataFolder(folder.folderPath()).create("out.txt");
    file.writePiece("a");
    file.writePiece(huge);
    file.flush();
    // A line of 3 bytes where the buffer has 2 left.
    file.writePiece(filler);
    file.writeStoredLine(std::array<std::string_view, 1>{"z"});
    file.flush();
    // One copied piece and one stored: a flush of two pieces.
    file.writePiece("c");
    file.writeStored(stored);
    file.close();
    EXPECT_EQ(readBytes(folder.file("out.txt")), "a" + huge + filler + "z\r\nc" + stored);
}

TEST(OutputFileTest, CreateFailureNamesTheFileAndTheCause) {
    TempFolder folder;
    const std::string path = folder.file("out.txt");
    std::filesystem::create_directory(path);
    try {
        OutputFile file = DataFolder(folder.folderPath()).create("out.txt");
        FAIL() << "creating a file over a folder succeeded";
    } catch (const RunError& error) {
        EXPECT_EQ(std::string(error.what()),
                  "cannot create '" + path + "': is a directory, not a regular file");
    }
}

#ifndef _WIN32
TEST(OutputFileTest, FullDiskFailsWhenTheBufferIsHandedOnAndNamesTheFile) {
    TempFolder folder;
    const testing::FullDiskAfter disk(folder.path(), 4096);
    OutputFile file = DataFolder(folder.folderPath()).create("full.txt");
    file.writeLine(std::string(8192, 'x'));
    try {
        file.close();
        FAIL() << "closing a file on a full disk succeeded";
    } catch (const RunError& error) {
        EXPECT_THAT(error.what(), HasSubstr("'" + folder.file("full.txt") + "': No space left on device"));
    }
    EXPECT_EQ(readBytes(folder.file("full.txt")), std::string(4096, 'x'));
}
#endif

TEST(OutputFileTest, StoredLineOneByteLongerThanWhatTheBufferHasLeftGoesOutWhole) {
    TempFolder folder;
    const std::string filler(OutputFile::bufferCapacity - 4, 'x');
    {
        OutputFile file = DataFolder(folder.folderPath()).create("out.txt");
        file.writePiece(filler);
        // "a\tb\r\n" is 5 bytes, where 4 are left.
        const std::string_view pieces[] = {"a", "b"};
        file.writeStoredLine(pieces);
        file.close();
    }
    EXPECT_EQ(readBytes(folder.file("out.txt")), filler + "a\tb\r\n");
}

TEST(OutputFileTest, FileLeftOpenByAnErrorKeepsWhatWasWritten) {
    TempFolder folder;
    try {
        OutputFile file = DataFolder(folder.folderPath()).create("partial.txt");
        file.writeLine("written before the error");
        throw RunError("an error ends the run");
    } catch (const RunError&) {
    }
    EXPECT_EQ(readBytes(folder.file("partial.txt")), "written before the error\r\n");
}

#ifndef _WIN32
// A system that writes the first piece and one byte of the next a call, and is interrupted at every other
// call.
int mostPiecesGathered = 0;
ssize_t shortWritev(int descriptor, const iovec* vectors, int count) {
    mostPiecesGathered = std::max(mostPiecesGathered, count);
    static bool interrupted = false;
    interrupted = !interrupted;
    if (interrupted) {
        errno = EINTR;
        return -1;
    }
    std::string bytes;
    for (int vector = 0; vector < count && vector < 2; ++vector) {
        bytes.append(static_cast<const char*>(vectors[vector].iov_base), vectors[vector].iov_len);
    }
    return ::write(descriptor, bytes.data(), std::min(bytes.size(), vectors[0].iov_len + 1));
}

TEST(OutputFileTest, StoredPiecesGoOutInTheOrderWrittenThroughShortAndInterruptedWrites) {
    TempFolder folder;
    const std::string stored = std::string(1500, 's') + "|";
    std::string expected;
    {
        struct Restored {
            ~Restored() { hostCalls = HostCalls(); }
        } restored;
        hostCalls.writev = shortWritev;
        OutputFile file = DataFolder(folder.folderPath()).create("out.txt");
        // A stored piece first, then more than one gathered write takes, each after a copied one: so one
        // gathered write is as full as it can be.
        file.writeStored(stored);
        expected = stored;
        for (int piece = 0; piece < 40; ++piece) {
            file.writePiece("c");
            file.writeStored(stored);
            expected += "c" + stored;
        }
        file.writeLine("end");
        file.close();
    }
    expected += "end\r\n";
    EXPECT_EQ(readBytes(folder.file("out.txt")), expected);
    // The pieces are handed on in as few calls as the system takes.
    EXPECT_EQ(mostPiecesGathered, static_cast<int>(host::maxGatheredPieces));
}
#endif

} // namespace
} // namespace courseeval
