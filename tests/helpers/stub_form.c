/* A form library without the About entry point. */
#include "CompanionApi.h"

SONABRIX_COMPANION_EXPORT int ShowSomethingElse(void)
{
    return 0;
}
