/* VELLIX_API marks what the vellix library exports. A shared build (VELLIX_SHARED) exports exactly
   the declarations so marked; a static build needs nothing. VELLIX_FORMAT_ARG marks the texts a
   lookup may give in place of a printf format. */
#ifndef VELLIX_EXPORT_H
#define VELLIX_EXPORT_H

#if defined(VELLIX_SHARED) && defined(_WIN32)
#  if defined(VELLIX_BUILDING)
#    define VELLIX_API __declspec(dllexport)
#  else
#    define VELLIX_API __declspec(dllimport)
#  endif
#elif defined(VELLIX_SHARED) && defined(__GNUC__)
#  define VELLIX_API __attribute__((visibility("default")))
#else
#  define VELLIX_API
#endif

/* VELLIX_FORMAT_ARG(N) marks a function that returns a text taking the same printf arguments as
   its N-th parameter (a translation of it), so that -Wformat checks
   printf(vellix_get(h, "files", "%d files"), n) against the literal, as it does for gettext.
   GCC and Clang; empty elsewhere. */
#if defined(__GNUC__) || defined(__clang__)
#  define VELLIX_FORMAT_ARG(n) __attribute__((format_arg(n)))
#else
#  define VELLIX_FORMAT_ARG(n)
#endif

/* VELLIX_PRINTF_FORMAT(f, a) marks a printf-like function whose format is parameter f and whose
   arguments start at a (0 for a va_list), so that -Wformat checks calls as it checks printf's. */
#if defined(__MINGW32__)
#  define VELLIX_PRINTF_FORMAT(f, a) __attribute__((format(gnu_printf, f, a)))
#elif defined(__GNUC__) || defined(__clang__)
#  define VELLIX_PRINTF_FORMAT(f, a) __attribute__((format(printf, f, a)))
#else
#  define VELLIX_PRINTF_FORMAT(f, a)
#endif

#endif /* VELLIX_EXPORT_H */
