#include "programs/bumpshellball/bumpshellball.h"

#include "frame/Entry.h"

int main()
{
    return runApplication<bumpshellball::Test>();
}
