// The terminal C library's file streams. Its fopen takes a terminal path in the ANSI code page
// ("\SDMMC\rwtest.txt") and finds the file on the board's volumes; what it returns is an
// ordinary stream, written and closed with the usual calls. The namespace keeps these apart from
// this machine's own C library, whose fopen knows nothing of volumes.
#pragma once

#include <cstdio>

namespace crt {

using std::fclose;
using std::FILE;
using std::fread;
using std::fwrite;

// Null, with errno and the last error set, when the path names no volume or is refused; a name
// that holds no regular file (a link, a FIFO, a device) is refused without waiting on it, with
// ERROR_ACCESS_DENIED.
FILE* fopen(const char* device_path, const char* mode);

}  // namespace crt
