#include "programs/bumpshellcrate/bumpshellcrate.h"

#include "frame/Entry.h"

int main()
{
    return runApplication<bumpshellcrate::Test>();
}
