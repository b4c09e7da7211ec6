#include "programs/bumpshellshell/bumpshellshell.h"

#include "frame/Entry.h"

int main()
{
    return runApplication<bumpshellshell::Test>();
}
