#include "where_verdicts.h"

#include <cstdio>

namespace vellix {

void print_open_verdict(PathKind kind) {
    if (kind == PathKind::missing) std::printf("  does not open\n");
    if (kind != PathKind::missing && kind != PathKind::regular) {
        std::printf("  does not open: it is %s, not a regular file\n", describe_path_kind(kind));
    }
}

void print_load_verdict(const CatalogReport &report, const char *after_refusal) {
    switch (report.verdict) {
    case LoadVerdict::loaded:
        std::printf("  opened: loaded %llu entries\n", static_cast<unsigned long long>(report.count));
        return;
    case LoadVerdict::bad_magic:
        std::printf("  opened: bad magic (%s)%s\n", report.problem.c_str(), after_refusal);
        return;
    case LoadVerdict::bad_version:
        std::printf("  opened: bad version (%s)%s\n", report.problem.c_str(), after_refusal);
        return;
    case LoadVerdict::damaged:
        std::printf("  opened: damaged (%s)%s\n", report.problem.c_str(), after_refusal);
        return;
    }
}

}  // namespace vellix
