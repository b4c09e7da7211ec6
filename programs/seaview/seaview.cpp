#include "programs/seaview/seaview.h"

#include "frame/Entry.h"

int main()
{
    return runApplication<seaview::SampleApp>();
}
