/* The I/O floor of a course-eval run: what any program doing the same reads and writes cannot go
 * below. It reads the evaluation file of a folder once, whole, and writes eight files beside it with
 * the given sizes in bytes (the sizes of the files a run writes), filled with the bytes it read.
 *
 *   floor FOLDER SIZE1 ... SIZE8
 *
 * Every read, write and close is checked, as course-eval checks them. A missing folder fails at the
 * first file, as a run does. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

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
    FILE* input = fopen(path, "rb");
    if (input == NULL) {
        return fail("open", path);
    }
    size_t capacity = 1 << 16;
    size_t length = 0;
    char* bytes = malloc(capacity);
    for (;;) {
        if (bytes == NULL) {
            return fail("allocate memory for", path);
        }
        length += fread(bytes + length, 1, capacity - length, input);
        if (length < capacity) {
            break;
        }
        capacity *= 2;
        bytes = realloc(bytes, capacity);
    }
    if (ferror(input) || fclose(input) != 0) {
        return fail("read", path);
    }
    if (length == 0) {
        return fail("use the empty file", path);
    }

    for (int file = 0; file < fileCount; ++file) {
        size_t remaining = strtoull(argv[2 + file], NULL, 10);
        snprintf(path, sizeof path, "%s/floor_output_%d.txt", folder, file + 1);
        FILE* output = fopen(path, "wb");
        if (output == NULL) {
            return fail("create", path);
        }
        while (remaining > 0) {
            const size_t piece = remaining < length ? remaining : length;
            if (fwrite(bytes, 1, piece, output) != piece) {
                return fail("write to", path);
            }
            remaining -= piece;
        }
        if (fclose(output) != 0) {
            return fail("close", path);
        }
    }
    free(bytes);
    return 0;
}
