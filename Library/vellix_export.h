/* VELLIX_API marks what the vellix library exports. A shared build (VELLIX_SHARED) exports exactly
   the declarations so marked; a static build needs nothing. */
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

#endif /* VELLIX_EXPORT_H */
