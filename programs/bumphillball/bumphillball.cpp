#include "programs/bumphillball/bumphillball.h"

#include "frame/Entry.h"

int main()
{
    return runApplication<bumphillball::Test>();
}
