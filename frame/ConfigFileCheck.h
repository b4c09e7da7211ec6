#pragma once
// Ogre's configuration reader never ends on a directory or a device: it waits for
// an end of file that never comes, with no window and no message. The frame looks
// at "plugins.cfg", "resources.cfg" and "ogre.cfg" before Ogre reads them.
#include <string>

// Throws an Ogre::Exception naming the path when something is there that is not a
// regular file that can be read. A missing file is left to Ogre, which answers
// each of the three in its own way (no plug-ins, an error, the configuration dialog).
void checkConfigFile(const std::string& path);
