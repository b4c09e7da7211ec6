#include "programs/ripplehill/ripplehill.h"

#include "frame/Entry.h"

int main()
{
    return runApplication<ripplehill::Test>();
}
