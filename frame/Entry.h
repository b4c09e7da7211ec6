#pragma once
// The programs' entry: builds the application on the stack, runs it, and turns an
// Ogre exception into the error report and exit code 1. A normal end, and a
// refused configuration, give 0.
#include <OgreException.h>

// Makes the allocator keep the memory that is freed, in place of handing it back
// to the system at once (see Entry.cpp). Called first, before Ogre's plug-ins
// and the GL driver are loaded.
void keepFreedMemory();

// Standard output carries the programs' own lines (the seed, the random drops):
// written line by line also into a file or a pipe, so that whoever reads it sees
// each line when it is printed, not when the program ends.
void writeOutputByLines();

// Writes the error report (caption and the exception's full description) to
// standard error, in place of a message box.
void reportException(const Ogre::Exception& e);

// Runs an application made by the caller: 0 after a normal end, 1 after an
// Ogre exception, which is reported.
template <class Application>
int runApplication(Application& app)
{
    try {
        app.run();
    } catch (const Ogre::Exception& e) {
        reportException(e);
        return 1;
    }
    return 0;
}

template <class Application>
int runApplication()
{
    keepFreedMemory();
    writeOutputByLines();
    Application app;
    return runApplication(app);
}
