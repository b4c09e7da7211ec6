#include "frame/ConfigFileCheck.h"

#include <OgreException.h>

#include <filesystem>
#include <fstream>

void checkConfigFile(const std::string& path)
{
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    if (status.type() == std::filesystem::file_type::not_found) return;
    const bool readable = std::filesystem::is_regular_file(status) && std::ifstream(path).good();
    if (!readable)
        OGRE_EXCEPT(Ogre::Exception::ERR_INVALIDPARAMS, "'" + path + "' is not a regular file that can be read",
                    "checkConfigFile");
}
