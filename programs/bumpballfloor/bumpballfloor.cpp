#include "programs/bumpballfloor/bumpballfloor.h"

#include "frame/Entry.h"

int main()
{
    return runApplication<bumpballfloor::Test>();
}
