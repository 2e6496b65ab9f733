/* The I/O floor of a course-eval run: only what any program doing the same job must do. It reads the
 * evaluation file of a folder once, whole, into one buffer sized by fstat, and writes eight files beside
 * it with the given sizes in bytes (the sizes of the files a run writes), filled with the bytes it read,
 * by plain read and write calls: no stdio buffering, no growing buffer, no copy.
 *
 *   floor FOLDER SIZE1 ... SIZE8
 *
 * Every read, write and close is checked, as course-eval checks them. A missing folder fails at the
 * first file, as a run does. */
#define _POSIX_C_SOURCE 200809L
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

enum { fileCount = 8 };

static int fail(const char* what, const char* path) {
    fprintf(stderr, "floor: cannot %s '%s'\n", what, path);
    return 1;
}

int main(int argc, char** argv) {
    if (argc != 2 + fileCount) {
        fprintf(stderr, "usage: floor FOLDER SIZE1 ... SIZE%d\n", fileCount);
        return 2;
    }
    const char* folder = argv[1];
    char path[4096];

    snprintf(path, sizeof path, "%s/sampleEvalData.txt", folder);
    const int input = open(path, O_RDONLY | O_CLOEXEC);
    struct stat status;
    if (input < 0 || fstat(input, &status) != 0) {
        return fail("open", path);
    }
    const size_t length = (size_t)status.st_size;
    char* bytes = malloc(length + 1);
    if (bytes == NULL) {
        return fail("allocate memory for", path);
    }
    size_t done = 0;
    for (;;) {
        const ssize_t got = read(input, bytes + done, length + 1 - done);
        if (got < 0) {
            return fail("read", path);
        }
        if (got == 0) {
            break;
        }
        done += (size_t)got;
    }
    if (close(input) != 0 || done != length) {
        return fail("read", path);
    }
    if (length == 0) {
        return fail("use the empty file", path);
    }

    for (int file = 0; file < fileCount; ++file) {
        size_t remaining = strtoull(argv[2 + file], NULL, 10);
        snprintf(path, sizeof path, "%s/floor_output_%d.txt", folder, file + 1);
        const int output = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (output < 0) {
            return fail("create", path);
        }
        while (remaining > 0) {
            const size_t piece = remaining < length ? remaining : length;
            const ssize_t written = write(output, bytes, piece);
            if (written <= 0) {
                return fail("write to", path);
            }
            remaining -= (size_t)written;
        }
        if (close(output) != 0) {
            return fail("close", path);
        }
    }
    free(bytes);
    return 0;
}
