#include "programs/pondshow/pondshow.h"

#include "frame/Entry.h"

int main()
{
    return runApplication<pondshow::Test>();
}
