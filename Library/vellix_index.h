/* An optional hash index over a vellix handle's keys, for catalogs that are large or looked up often.
   It gives exactly the answers of vellix_get, in time that does not grow with the catalog. */
#ifndef VELLIX_INDEX_H
#define VELLIX_INDEX_H

#include "vellix.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Opaque: made by vellix_index_build, released by vellix_index_free. */
typedef struct vellix_index vellix_index;

/* Builds an index over the handle's entries as they are now, or returns null for a null handle or
   when memory is exhausted. The index borrows the handle's arrays and strings (nothing is copied):
   it stays valid until the handle is freed or an entry is added to it, and must not be used after
   either. Building again after vellix_add gives a valid index. */
VELLIX_API vellix_index *vellix_index_build(const i18n *handle);

/* The answer vellix_get gives on the indexed handle: the value of the first entry whose key equals
   `key`, else `fallback` itself (possibly null); also `fallback` for a null index or key. A value
   belongs to the handle. */
VELLIX_API const char *vellix_index_get(const vellix_index *index, const char *key, const char *fallback) VELLIX_FORMAT_ARG(3);

/* The answer vellix_nget gives on the indexed handle, for every key and number; the plural rule is
   read from the handle's header when the index is built, not on every call. */
VELLIX_API const char *vellix_index_nget(const vellix_index *index, const char *key, unsigned long n,
                                         const char *singular, const char *plural) VELLIX_FORMAT_ARG(4) VELLIX_FORMAT_ARG(5);

/* Releases the index (never the handle). Null does nothing. */
VELLIX_API void vellix_index_free(vellix_index *index);

#ifdef __cplusplus
}
#endif

#endif /* VELLIX_INDEX_H */
