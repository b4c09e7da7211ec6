#include "programs/floatball/floatball.h"

#include "frame/Entry.h"

int main()
{
    return runApplication<floatball::Test>();
}
