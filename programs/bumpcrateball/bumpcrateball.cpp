#include "programs/bumpcrateball/bumpcrateball.h"

#include "frame/Entry.h"

int main()
{
    return runApplication<bumpcrateball::Test>();
}
