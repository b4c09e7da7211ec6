#include "programs/tumbleshow/tumbleshow.h"

#include "frame/Entry.h"

int main()
{
    return runApplication<tumbleshow::Test>();
}
