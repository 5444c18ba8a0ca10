#include "process_setup.h"

#ifndef _WIN32
#include <csignal>
#endif

namespace vellix {

void fail_writes_past_the_size_limit() {
#if !defined(_WIN32) && defined(SIGXFSZ)
    std::signal(SIGXFSZ, SIG_IGN);
#endif
}

}  // namespace vellix
