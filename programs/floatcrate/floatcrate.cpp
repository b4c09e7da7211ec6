#include "programs/floatcrate/floatcrate.h"

#include "frame/Entry.h"

int main()
{
    return runApplication<floatcrate::Test>();
}
