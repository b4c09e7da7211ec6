#include "programs/floatshell/floatshell.h"

#include "frame/Entry.h"

int main()
{
    return runApplication<floatshell::Test>();
}
