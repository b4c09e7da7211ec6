#pragma once
// Opening a FIFO to read waits for a writer that may never come, and reading a
// device or a directory may never end or never begin: a reader looks at what
// stands at the path before it opens it.
#include <string>

namespace platform {

// Empty when `path` names a regular file (through any symbolic links) or
// nothing that can be looked at (a missing file is each reader's to answer);
// otherwise why it is no file to read: "is a FIFO, not a regular file", and so
// on for a directory, a device or a socket.
std::string irregularFile(const std::string& path);

}  // namespace platform
