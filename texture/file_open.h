// SPDX-License-Identifier: MIT
// file_open.h - opening a file that the program did not make, without ever blocking.
//
//   openRegularFile  opens path for buffered binary reading (a stream as fopen(path, "rb") gives
//                    it) only if it is a regular file. Anything else (a named pipe nobody writes
//                    to, a device, a socket, a directory) is refused with null before a byte is
//                    read: a pipe would hold the start-up in fopen for ever, before the main loop
//                    could even take Escape. The open itself never waits. Stores the file's
//                    length in bytes in *length, so that no header can ask for more than the
//                    file holds.
#pragma once

#include <cstdint>
#include <cstdio>

FILE* openRegularFile(const char* path, int64_t* length);
