#pragma once
// The lines written to Ogre's default log while it lives.
#include <OgreLog.h>
#include <OgreLogManager.h>

#include <algorithm>
#include <string>
#include <vector>

namespace testsupport {

class LogCapture : public Ogre::LogListener {
public:
    LogCapture() { Ogre::LogManager::getSingleton().getDefaultLog()->addListener(this); }
    ~LogCapture() override { Ogre::LogManager::getSingleton().getDefaultLog()->removeListener(this); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    void messageLogged(const Ogre::String& message, Ogre::LogMessageLevel, bool, const Ogre::String&, bool&) override
    {
        lines.push_back(message);
    }

    bool contains(const std::string& line) const { return std::find(lines.begin(), lines.end(), line) != lines.end(); }
    // Lines that begin with the text.
    int countStartingWith(const std::string& text) const
    {
        return int(std::count_if(lines.begin(), lines.end(),
                                 [&](const std::string& l) { return l.compare(0, text.size(), text) == 0; }));
    }

    std::vector<std::string> lines;
};

}  // namespace testsupport
