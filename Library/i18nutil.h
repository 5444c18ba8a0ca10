/* String helpers of the vellix library. Each result is a new malloc block owned by the caller,
   who releases it with free(); a null argument, or exhausted memory, gives null. */
#ifndef VELLIX_I18NUTIL_H
#define VELLIX_I18NUTIL_H

#include "vellix_export.h"

#ifdef __cplusplus
extern "C" {
#endif

/* A copy of `str`. */
VELLIX_API char *__vellix_strdup(const char *str);

/* `str1` immediately followed by `str2`. */
VELLIX_API char *__vellix_concat(const char *str1, const char *str2);

/* `str1`, `str2` and `str3` joined. */
VELLIX_API char *__vellix_concat3(const char *str1, const char *str2, const char *str3);

#ifdef __cplusplus
}
#endif

#endif /* VELLIX_I18NUTIL_H */
