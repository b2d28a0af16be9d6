// The program's start.
#include <memory>

#include "PlatformReal.h"
#include "Simple.h"

int main(int argc, char *argv[])
{
    TApplication application(argc, argv);
    SetPlatform(std::make_unique<TRealPlatform>());
    return StartSonabrix();
}
