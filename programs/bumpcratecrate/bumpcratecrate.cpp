#include "programs/bumpcratecrate/bumpcratecrate.h"

#include "frame/Entry.h"

int main()
{
    return runApplication<bumpcratecrate::Test>();
}
