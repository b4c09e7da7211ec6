#include "programs/bumpcratefloor/bumpcratefloor.h"

#include "frame/Entry.h"

int main()
{
    return runApplication<bumpcratefloor::Test>();
}
