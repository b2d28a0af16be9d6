/* "Res.dll": the splash picture and the product strings. */
#include <string.h>

#include "CompanionApi.h"
#include "ResStrings.h"

extern const unsigned char SonabrixImgFlash[];
extern const size_t SonabrixImgFlashSize;

static const char *const Strings[] = {
    RES_MAKER_NAME, RES_PRODUCT_NAME, RES_COPYRIGHT, RES_TITLE_SUFFIX, RES_HOME_PAGE, RES_SUPPORT_EMAIL,
};

SONABRIX_COMPANION_EXPORT const unsigned char *SonabrixFindResource(const char *type, const char *name, size_t *size)
{
    if (!type || !name || strcmp(type, "jpeg") != 0 || strcmp(name, "ImgFlash") != 0)
        return NULL;
    if (size)
        *size = SonabrixImgFlashSize;
    return SonabrixImgFlash;
}

SONABRIX_COMPANION_EXPORT int SonabrixLoadString(int id, char *buffer, int bufferSize)
{
    if (!buffer || bufferSize <= 0)
        return 0;
    buffer[0] = '\0';
    if (id < 0 || id >= (int)(sizeof Strings / sizeof Strings[0]))
        return 0;
    const char *text = Strings[id];
    size_t length = strlen(text);
    if (length > (size_t)bufferSize - 1) {
        length = (size_t)bufferSize - 1;
        /* A cut through a multi-byte character would leave invalid UTF-8. */
        while (length > 0 && ((unsigned char)text[length] & 0xC0) == 0x80)
            --length;
    }
    memcpy(buffer, text, length);
    buffer[length] = '\0';
    return (int)length;
}
