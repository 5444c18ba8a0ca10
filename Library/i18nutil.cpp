#include "i18nutil.h"

#include <cstdlib>
#include <cstring>

char *__vellix_strdup(const char *str) {
    if (!str) return nullptr;
    const std::size_t size = std::strlen(str) + 1;
    char *copy = static_cast<char *>(std::malloc(size));
    if (copy) std::memcpy(copy, str, size);
    return copy;
}

char *__vellix_concat(const char *str1, const char *str2) {
    if (!str1 || !str2) return nullptr;
    const std::size_t length1 = std::strlen(str1);
    const std::size_t length2 = std::strlen(str2);
    char *joined = static_cast<char *>(std::malloc(length1 + length2 + 1));
    if (!joined) return nullptr;
    std::memcpy(joined, str1, length1);
    std::memcpy(joined + length1, str2, length2 + 1);
    return joined;
}

char *__vellix_concat3(const char *str1, const char *str2, const char *str3) {
    if (!str3) return nullptr;
    char *first_two = __vellix_concat(str1, str2);
    if (!first_two) return nullptr;
    char *joined = __vellix_concat(first_two, str3);
    std::free(first_two);
    return joined;
}
