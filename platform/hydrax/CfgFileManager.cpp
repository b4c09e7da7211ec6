#include "platform/hydrax/CfgFileManager.h"

#include <OgreResourceGroupManager.h>
#include <OgreStringConverter.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <sstream>

#include "platform/ResourceFileCheck.h"
#include "platform/hydrax/Log.h"

namespace Hydrax {

bool CfgFileManager::load(const Ogre::String& file, Ogre::ConfigFile& config)
{
    Ogre::ResourceGroupManager& groups = Ogre::ResourceGroupManager::getSingleton();
    Ogre::DataStreamPtr stream;
    for (const Ogre::String& group : groups.getResourceGroups()) {
        if (groups.resourceExists(group, file)) {
            // Its stream would wait on a FIFO for good.
            const std::string irregular = platform::irregularResource(group, file);
            if (!irregular.empty()) {
                log("Configuration file " + file + " " + irregular + "; it is not read.");
                return false;
            }
            stream = groups.openResource(file, group, nullptr, false);
            break;
        }
    }
    if (!stream) {
        log("Configuration file " + file + " not found in the resources.");
        return false;
    }
    config.clear();
    config.load(stream, "=", true);
    log("Configuration file " + file + " loaded.");
    return true;
}

Ogre::String CfgFileManager::_getCfgString(const Ogre::String& key, int value)
{
    return key + "=" + Ogre::StringConverter::toString(value) + "\n";
}

Ogre::String CfgFileManager::_getCfgString(const Ogre::String& key, const Size& value)
{
    return key + "=" + Ogre::StringConverter::toString(value.Width) + "x" +
           Ogre::StringConverter::toString(value.Height) + "\n";
}

Ogre::String CfgFileManager::_getCfgString(const Ogre::String& key, float value)
{
    return key + "=" + Ogre::StringConverter::toString(value) + "\n";
}

Ogre::String CfgFileManager::_getCfgString(const Ogre::String& key, bool value)
{
    return key + "=" + (value ? "true" : "false") + "\n";
}

Ogre::String CfgFileManager::_getCfgString(const Ogre::String& key, const Ogre::Vector3& value)
{
    return key + "=" + Ogre::StringConverter::toString(value.x) + " " + Ogre::StringConverter::toString(value.y) +
           " " + Ogre::StringConverter::toString(value.z) + "\n";
}

namespace {

// The key's text in the unnamed section (the files have no sections); false
// when the key is absent.
bool findSetting(Ogre::ConfigFile& config, const Ogre::String& key, Ogre::String& text)
{
    const Ogre::ConfigFile::SettingsBySection_& sections = config.getSettingsBySection();
    auto section = sections.find(Ogre::BLANKSTRING);
    if (section == sections.end()) return false;
    auto setting = section->second.find(key);
    if (setting == section->second.end()) return false;
    text = setting->second;
    return true;
}

void logBadValue(const Ogre::String& key, const Ogre::String& text, const char* kind)
{
    log("The value '" + text + "' of " + key + " is not " + kind + "; it is ignored.");
}

// Whole text as an int, nothing else on it.
bool parseInt(const Ogre::String& text, int& value)
{
    if (text.empty()) return false;
    errno = 0;
    char* end = nullptr;
    const long parsed = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || parsed < -2147483647L - 1 || parsed > 2147483647L) return false;
    value = int(parsed);
    return true;
}

// Whole text as a finite float.
bool parseFloat(const Ogre::String& text, float& value)
{
    if (text.empty()) return false;
    errno = 0;
    char* end = nullptr;
    const float parsed = std::strtof(text.c_str(), &end);
    if (errno != 0 || *end != '\0' || !std::isfinite(parsed)) return false;
    value = parsed;
    return true;
}

bool parseBool(const Ogre::String& text, bool& value)
{
    Ogre::String lower = text;
    Ogre::StringUtil::toLowerCase(lower);
    if (lower == "true" || lower == "yes" || lower == "1") value = true;
    else if (lower == "false" || lower == "no" || lower == "0") value = false;
    else return false;
    return true;
}

// "<n>" (a square) or "<width>x<height>".
bool parseSize(const Ogre::String& text, Size& size)
{
    const Ogre::String::size_type x = text.find_first_of("xX");
    if (x == Ogre::String::npos) {
        if (!parseInt(text, size.Width)) return false;
        size.Height = size.Width;
        return true;
    }
    return parseInt(text.substr(0, x), size.Width) && parseInt(text.substr(x + 1), size.Height);
}

bool parseVector3(const Ogre::String& text, Ogre::Vector3& value)
{
    const Ogre::StringVector parts = Ogre::StringUtil::split(text, " \t");
    return parts.size() == 3 && parseFloat(parts[0], value.x) && parseFloat(parts[1], value.y) &&
           parseFloat(parts[2], value.z);
}

// The setting's value, or `missing` when there is none or it does not parse
// (then logged as not being `kind`).
template <class T, class Parse>
T readSetting(Ogre::ConfigFile& config, const Ogre::String& key, const T& missing, Parse parse, const char* kind)
{
    Ogre::String text;
    if (!findSetting(config, key, text)) return missing;
    T value = missing;
    if (parse(text, value)) return value;
    logBadValue(key, text, kind);
    return missing;
}

}  // namespace

int CfgFileManager::_getIntValue(Ogre::ConfigFile& config, const Ogre::String& key, int missing)
{
    return readSetting(config, key, missing, parseInt, "a whole number");
}

float CfgFileManager::_getFloatValue(Ogre::ConfigFile& config, const Ogre::String& key, float missing)
{
    return readSetting(config, key, missing, parseFloat, "a finite number");
}

bool CfgFileManager::_getBoolValue(Ogre::ConfigFile& config, const Ogre::String& key, bool missing)
{
    return readSetting(config, key, missing, parseBool, "true or false");
}

Size CfgFileManager::_getSizeValue(Ogre::ConfigFile& config, const Ogre::String& key, const Size& missing)
{
    return readSetting(config, key, missing, parseSize, "a size (width x height)");
}

Ogre::Vector3 CfgFileManager::_getVector3Value(Ogre::ConfigFile& config, const Ogre::String& key,
                                               const Ogre::Vector3& missing)
{
    return readSetting(config, key, missing, parseVector3, "three numbers");
}

}  // namespace Hydrax
