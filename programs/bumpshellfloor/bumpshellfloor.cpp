#include "programs/bumpshellfloor/bumpshellfloor.h"

#include "frame/Entry.h"

int main()
{
    return runApplication<bumpshellfloor::Test>();
}
