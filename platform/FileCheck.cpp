#include "platform/FileCheck.h"

#include <filesystem>

namespace platform {

std::string irregularFile(const std::string& path)
{
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    switch (status.type()) {
    case fs::file_type::regular:
    case fs::file_type::not_found:
    case fs::file_type::none:  // cannot be looked at: opening it fails, without waiting
        return "";
    case fs::file_type::directory:
        return "is a directory, not a regular file";
    case fs::file_type::fifo:
        return "is a FIFO, not a regular file";
    case fs::file_type::block:
    case fs::file_type::character:
        return "is a device, not a regular file";
    case fs::file_type::socket:
        return "is a socket, not a regular file";
    default:
        return "is not a regular file";
    }
}

}  // namespace platform
