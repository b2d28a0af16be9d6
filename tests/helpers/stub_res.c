/* A resource library whose title suffix entry is empty and whose home page
 * entry is longer than the program's string buffer. It has no picture. */
#include <string.h>

#include "CompanionApi.h"

SONABRIX_COMPANION_EXPORT int SonabrixLoadString(int id, char *buffer, int bufferSize)
{
    static char longEntry[301];
    const char *text = "";
    switch (id) {
    case SonabrixStringMakerName: text = "Stub Maker"; break;
    case SonabrixStringProductName: text = "Stubbed"; break;
    case SonabrixStringHomePage:
        memset(longEntry, 'h', sizeof longEntry - 1);
        text = longEntry;
        break;
    default: break;
    }
    int length = (int)strlen(text);
    if (length > bufferSize - 1)
        length = bufferSize - 1;
    memcpy(buffer, text, (size_t)length);
    buffer[length] = '\0';
    return length;
}
