#include "programs/bumpballball/bumpballball.h"

#include "frame/Entry.h"

int main()
{
    return runApplication<bumpballball::Test>();
}
