// What both programs set up for their process before they start work.
#ifndef VELLIX_PROCESS_SETUP_H
#define VELLIX_PROCESS_SETUP_H

namespace vellix {

// A write past the file-size limit (`ulimit -f`) fails like any failed write, with a message and
// the temporary file removed, instead of killing the program with SIGXFSZ. Nothing on Windows.
void fail_writes_past_the_size_limit();

}  // namespace vellix

#endif
