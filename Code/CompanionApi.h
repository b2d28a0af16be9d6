/* The plain C interface between the program and its companion libraries
 * "Res.dll" (splash picture and product strings) and "Form.dll" (About box).
 * The libraries are ELF shared objects that the program loads by path at the
 * moment it needs them and unloads right after, so only C types cross. */
#ifndef SONABRIX_COMPANION_API_H
#define SONABRIX_COMPANION_API_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

#define SONABRIX_COMPANION_EXPORT __attribute__((visibility("default")))

/* The string entries of "Res.dll". */
enum
{
    SonabrixStringMakerName = 0,
    SonabrixStringProductName = 1,
    SonabrixStringCopyright = 2,
    SonabrixStringTitleSuffix = 3,
    SonabrixStringHomePage = 4,
    SonabrixStringSupportEmail = 5
};

/* The product information handed to the About box, all texts UTF-8 and
 * never null. StructSize lets a newer library read an older program's record. */
typedef struct SonabrixProductInfo
{
    size_t StructSize;
    const char *MakerName;
    const char *ProductName;
    const char *Copyright;
    const char *TitleSuffix;
    const char *HomePage;
    const char *SupportEmail;
    const char *ProgramFolder;
} SonabrixProductInfo;

/* "Res.dll": the bytes of the resource of that type and name, which stay valid
 * while the library is loaded, or null when there is none. */
typedef const unsigned char *(*SonabrixFindResourceFn)(const char *type, const char *name, size_t *size);
/* "Res.dll": copies string entry id into buffer (at most bufferSize - 1 bytes,
 * never splitting a UTF-8 character, always terminated) and returns the number
 * of bytes copied; 0 for an unknown entry. */
typedef int (*SonabrixLoadStringFn)(int id, char *buffer, int bufferSize);
/* "Form.dll": shows the About box modally; application is the program's
 * QApplication. */
typedef void (*SonabrixShowAboutFormFn)(void *application, const SonabrixProductInfo *info);

#ifdef __cplusplus
}
#endif

#endif
