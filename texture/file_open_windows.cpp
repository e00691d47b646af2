// SPDX-License-Identifier: MIT
// file_open_windows.cpp - the same guard with the C run-time's descriptors. Opening a console or
// a pipe name never waits there, but reading from it would, so only regular files are kept.
#include "texture/file_open.h"

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

FILE* openRegularFile(const char* path, int64_t* length) {
    const int fd = _open(path, _O_RDONLY | _O_BINARY | _O_NOINHERIT);
    if (fd < 0) return nullptr;
    struct _stat64 status;
    if (_fstat64(fd, &status) != 0 || (status.st_mode & _S_IFMT) != _S_IFREG) {
        _close(fd);
        return nullptr;
    }
    FILE* file = _fdopen(fd, "rb");
    if (!file) _close(fd);
    *length = int64_t(status.st_size);
    return file;
}
