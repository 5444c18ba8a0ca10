/* vellix: message catalogs for translating the text of programs.
   A catalog is an i18n handle holding parallel arrays of keys and values.

   Finding a catalog: vellix_open_dir(directory, name) looks in directory/<language>/ for each of
   the user's languages in turn (see below); vellix_load(path) loads one file. vellix_open(name)
   reads NLSPATH as templates separated by ';' (the only separator, so drive letters and ':' are
   fine) and loads the first expanded path that opens. In a template, %N gives `name` followed by
   ".18c", %L the locale as setlocale(LC_ALL, NULL) names it, '%' and any other character that
   character, and a trailing '%' nothing. The library never sets the locale: call
   setlocale(LC_ALL, "") first if %L should follow the environment.

   Threads: a handle may be read (vellix_get, vellix_getkeys, vellix_write) from several threads at
   once; vellix_add and vellix_free need the handle to themselves. vellix_open, vellix_open_dir and
   vellix_load may run at once, but the first two read the environment (vellix_open also the
   locale), so nothing may change them meanwhile. */
#ifndef VELLIX_H
#define VELLIX_H

#include <stdarg.h>
#include <stddef.h>
#include <stdio.h>

#include "vellix_export.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The catalog record. `index` holds the keys and `handles` the values, in entry order, each array
   ending with one null slot; entry i is (index[i], handles[i]). A fresh handle has both arrays null.
   `fp` is the catalog file the handle was loaded from (null otherwise), open until vellix_free;
   only the library sets it. The arrays are malloc memory owned by the handle. A loaded handle's
   keys and values live in one block the library allocated behind the record: never free, realloc
   or write to them (nor past their NUL); strings vellix_add appended are malloc memory of their own.
   A record you assemble yourself (with a null `fp`) is read only through its three fields. */
typedef struct i18n {
    FILE *fp;
    char **handles;
    char **index;
} i18n;

/* The library's version, "1.5B". */
extern VELLIX_API const char *const vellixVersion;

/* Searches the ';'-separated templates of NLSPATH for the catalog `name` and loads the first file
   that opens. Returns a new handle (release it with vellix_free), or null when no catalog was found,
   when the first one found is not a valid catalog, or when `name` is null. */
VELLIX_API i18n *vellix_open(const char *name);

/* Loads the catalog file at `path` (UTF-8; checked like the files vellix_open loads: a directory,
   FIFO or device is not a catalog). Returns a new handle (release it with vellix_free), or null when
   the file cannot be opened, is not a valid catalog, or `path` is null. */
VELLIX_API i18n *vellix_load(const char *path);

/* Loads `<directory>/<language>/<name>.18c` for the first of the user's languages, in order of
   preference, for which that file loads. The languages: the ':'-separated LANGUAGE, then the first
   non-empty of LC_ALL, LC_MESSAGES and LANG (on Windows, the user's preferred UI languages instead,
   "de-AT" read as "de_AT"); LANGUAGE is ignored when that locale is exactly "C" or "POSIX" (none set
   counts as "C", except on Windows). Each language is tried without its codeset and then by its
   fallbacks, most specific first: "de_AT.UTF-8@euro" tries de_AT@euro, de@euro, de_AT, de; each
   directory once; C, POSIX and C.<codeset> name no language. A file that does not open or is not a
   valid catalog is passed over, so a damaged "de_AT" catalog does not hide a good "de" one.
   `directory` may start with "$ORIGIN", which stands for the directory of the running program's
   executable, so that "$ORIGIN/../share/locale" finds catalogs installed beside the program
   (Linux and Windows only: elsewhere such a directory finds nothing). Returns a new handle, or null
   when no language has a catalog there, or when an argument is null or `directory` is empty. Reads
   the environment during the call only; may run at once with other searches while nothing changes
   the environment. */
VELLIX_API i18n *vellix_open_dir(const char *directory, const char *name);

/* Returns the value of the first entry whose key equals `key` byte for byte, or `fallback` itself
   (the very pointer, possibly null) when there is none, or when the handle or `key` is null.
   A returned value belongs to the handle and stays valid until vellix_free. */
VELLIX_API const char *vellix_get(const i18n *i18n, const char *key, const char *fallback) VELLIX_FORMAT_ARG(3);

/* The translation of `key` for the number `n`: the plural form that the catalog's rule picks for n.
   The rule is the Plural-Forms field of the catalog's header entry (the entry with the empty key),
   "nplurals=2; plural=n != 1;" without one; form 0 is stored under `key`, form k under `key`, a line
   feed, '#' and k. When the catalog has no translation for `key` in that form, returns `singular` if
   n == 1, else `plural` (the very pointers, possibly null); so also for a null handle or key. A
   returned value belongs to the handle. */
VELLIX_API const char *vellix_nget(const i18n *i18n, const char *key, unsigned long n, const char *singular,
                                   const char *plural) VELLIX_FORMAT_ARG(4) VELLIX_FORMAT_ARG(5);

/* vellix_get for a text that will be a printf format: returns the translation only when printing it
   with the arguments `fallback` takes is safe (a valid format, no %n, reading no argument `fallback`
   does not read, and each as the same type, positions included; no width or precision above 512
   unless `fallback` writes one as large); otherwise `fallback` itself. The same for a null handle
   or key; a null `fallback` gives what vellix_get gives. Judges on every call, without allocating
   for up to a dozen arguments (`fallback` when memory runs out). */
VELLIX_API const char *vellix_getf(const i18n *i18n, const char *key, const char *fallback) VELLIX_FORMAT_ARG(3);

/* vellix_nget for printf formats: the form vellix_nget picks, when it reads what `plural` reads (a
   form may leave arguments out: "one file" for "%lu files"), else `singular` if n == 1 and
   `plural` otherwise. */
VELLIX_API const char *vellix_ngetf(const i18n *i18n, const char *key, unsigned long n, const char *singular,
                                    const char *plural) VELLIX_FORMAT_ARG(4) VELLIX_FORMAT_ARG(5);

/* snprintf with positional arguments on every platform: ISO C's conversions, flags, widths,
   precisions and length modifiers, "%n$" and "*m$" included, writing at most `size` bytes (the last
   a NUL) and returning the length of the whole text, as snprintf does. A format printf could
   misread writes nothing (an empty string when `size` > 0) and returns -1: a '%' that starts no
   conversion, arguments named both by position and in turn, a position skipped, one argument read
   as two types, or %n; so does a null `format`, and a text longer than INT_MAX. Integers,
   characters, strings and pointers print as glibc prints them, on every platform; floating point
   and wide characters as the C library's snprintf prints them. A null `buffer` counts only.
   Reads nothing but its arguments: may run on several threads at once. */
VELLIX_API int vellix_snprintf(char *buffer, size_t size, const char *format, ...) VELLIX_PRINTF_FORMAT(3, 4);
VELLIX_API int vellix_vsnprintf(char *buffer, size_t size, const char *format, va_list args)
    VELLIX_PRINTF_FORMAT(3, 0);

/* vellix_snprintf's text written to `stream` (vellix_printf: stdout). On Windows, when the stream
   is a console, the UTF-8 text is written through the console's wide API (after flushing the
   stream), so that it shows whatever the console's code page; otherwise the bytes as they are.
   Returns the number of bytes of the text, or -1 when the format is refused (nothing is written),
   the stream is null or writing fails. */
VELLIX_API int vellix_printf(const char *format, ...) VELLIX_PRINTF_FORMAT(1, 2);
VELLIX_API int vellix_fprintf(FILE *stream, const char *format, ...) VELLIX_PRINTF_FORMAT(2, 3);

/* A value for vellix_format_values, which the C++ layer (vellix.hpp) builds from its arguments so
   that each conversion can be checked against the real type of what it prints. */
enum {
    VELLIX_VALUE_SIGNED = 1,      /* as.integer; size: its type's bytes */
    VELLIX_VALUE_UNSIGNED = 2,    /* as.uinteger; size: its type's bytes */
    VELLIX_VALUE_CHAR = 3,        /* as.integer: a char, for %c */
    VELLIX_VALUE_DOUBLE = 4,      /* as.number (a float as well) */
    VELLIX_VALUE_LONG_DOUBLE = 5, /* as.long_number */
    VELLIX_VALUE_STRING = 6,      /* as.text (may be null): size bytes of it, or up to its NUL when size is (size_t)-1 */
    VELLIX_VALUE_POINTER = 7      /* as.pointer, for %p */
};
typedef struct vellix_value {
    int kind;
    /* For integers, the C type: 1 char, 2 short, 3 int, 4 long, 5 long long; 0 for another (a
       typedef'd or extended type), which is then judged by size alone. */
    int rank;
    size_t size;
    union {
        long long integer;
        unsigned long long uinteger;
        double number;
        long double long_number;
        const char *text;
        const void *pointer;
    } as;
} vellix_value;

/* vellix_snprintf with `count` typed values in place of a va_list: value i is argument i + 1.
   Each conversion must fit the value it reads: %d and %i a signed integer, %u %o %x %X an
   unsigned one, of the conversion's C type (%ld a long, even where int is as large; up to int a
   smaller type too, which C promotes; %zu, %jd and %td, and values of rank 0, by size); %c a char
   or an integer up to int; '*' a signed integer up to int; %f and the others a double (%Lf a long
   double); %s a string; %p a pointer or a string. Values beyond what the format reads are
   ignored. Returns what vellix_snprintf returns; -1 (an empty `buffer` when `size` > 0) for a
   format it refuses, a conversion that does not fit its value, or one reading beyond `count`. Then,
   when `error` is not null and `error_size` > 0, `error` holds why, naming the conversion (cut to
   fit, NUL-terminated); else it holds "". May run on several threads at once. */
VELLIX_API int vellix_format_values(char *buffer, size_t size, const char *format, const vellix_value *values,
                                    size_t count, char *error, size_t error_size);

/* Returns a new handle without entries and without a file, or null when memory is exhausted. */
VELLIX_API i18n *vellix_empty(void);

/* Closes the handle's file and releases every string, both arrays and the record. Null does
   nothing. */
VELLIX_API void vellix_free(i18n *i18n);

/* Returns the handle's own null-terminated key array (null for a fresh handle or a null handle).
   It belongs to the handle: do not change or release it; vellix_add replaces it. */
VELLIX_API char **vellix_getkeys(const i18n *i18n);

/* Appends a copy of (`key`, `value`) as the last entry. Does nothing when the handle, `key` or
   `value` is null, when the handle already holds 2147483646 entries, or when memory is exhausted. */
VELLIX_API void vellix_add(i18n *i18n, const char *key, const char *value);

/* Writes the handle's entries to `path` as a catalog file, replacing any file there.
   Returns 0 on success and -1 when the handle is null, the file cannot be opened (it is then left
   unchanged), or any write, flush or the close fails (a partial file may then remain). */
VELLIX_API int vellix_write(const i18n *i18n, const char *path);

#ifdef __cplusplus
}
#endif

#endif /* VELLIX_H */
