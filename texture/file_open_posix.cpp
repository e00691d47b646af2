// SPDX-License-Identifier: MIT
// file_open_posix.cpp - a non-blocking open, a look at what was opened, then a plain stream.
#include "texture/file_open.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

FILE* openRegularFile(const char* path, int64_t* length) {
    // O_NONBLOCK: opening a pipe for reading would otherwise wait for a writer.
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat status;
    const int flags = fcntl(fd, F_GETFL);
    if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || flags < 0 ||
        fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        close(fd);
        return nullptr;
    }
    FILE* file = fdopen(fd, "rb");
    if (!file) close(fd);
    *length = int64_t(status.st_size);
    return file;
}
