#include "programs/ripplebasic/ripplebasic.h"

#include "frame/Entry.h"

int main()
{
    return runApplication<ripplebasic::Test>();
}
