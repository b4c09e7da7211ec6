#pragma once
// The configuration files of the water layer (".hdx"): lines of key = value,
// read with Ogre::ConfigFile from the resource groups, written one line per key
// by _getCfgString. Sizes are written "50x50", floats with six significant
// digits, booleans "true" or "false".
//
// A reader returns its `missing` value (0, 0.0, false, 0x0 unless the caller
// names another) when the key is absent, and also, with a log line naming key
// and text, when the text is not a value of its kind.
#include <OgreConfigFile.h>
#include <OgreString.h>
#include <OgreVector.h>

#include "platform/hydrax/Size.h"

namespace Hydrax {

class CfgFileManager {
public:
    // Reads `file` from the resource groups into `config`; false, with a log line,
    // when no group holds it or what the group holds is no regular file.
    static bool load(const Ogre::String& file, Ogre::ConfigFile& config);

    static Ogre::String _getCfgString(const Ogre::String& key, int value);
    static Ogre::String _getCfgString(const Ogre::String& key, const Size& value);
    static Ogre::String _getCfgString(const Ogre::String& key, float value);
    static Ogre::String _getCfgString(const Ogre::String& key, bool value);
    static Ogre::String _getCfgString(const Ogre::String& key, const Ogre::Vector3& value);

    static int _getIntValue(Ogre::ConfigFile& config, const Ogre::String& key, int missing = 0);
    static float _getFloatValue(Ogre::ConfigFile& config, const Ogre::String& key, float missing = 0.0f);
    static bool _getBoolValue(Ogre::ConfigFile& config, const Ogre::String& key, bool missing = false);
    static Size _getSizeValue(Ogre::ConfigFile& config, const Ogre::String& key, const Size& missing = Size());
    // Three numbers separated by spaces ("0 0.3 0.35").
    static Ogre::Vector3 _getVector3Value(Ogre::ConfigFile& config, const Ogre::String& key,
                                          const Ogre::Vector3& missing = Ogre::Vector3::ZERO);
};

}  // namespace Hydrax
