#include "frame/ConfigFileCheck.h"

#include <OgreException.h>

#include <filesystem>
#include <fstream>

#include "platform/FileCheck.h"

void checkConfigFile(const std::string& path)
{
    std::error_code error;
    if (std::filesystem::status(path, error).type() == std::filesystem::file_type::not_found) return;
    // A FIFO must not be opened to find out: that would wait for a writer.
    std::string problem = platform::irregularFile(path);
    if (problem.empty() && !std::ifstream(path).good()) problem = "is a file that cannot be read";
    if (!problem.empty()) OGRE_EXCEPT(Ogre::Exception::ERR_INVALIDPARAMS, "'" + path + "' " + problem, "checkConfigFile");
}
