// Work split into parts done at once, one thread per core: for output made of independent pieces
// (a template's entries) that are joined in order afterwards.
#ifndef VELLIX_PARALLEL_PARTS_H
#define VELLIX_PARALLEL_PARTS_H

#include <cstddef>
#include <functional>

namespace vellix {

// How many parts `items` items make: one per core, but none smaller than `least` items.
std::size_t part_count(std::size_t items, std::size_t least);

// Calls work(part) for every part in [0, parts), part 0 on the calling thread and the others on
// threads of their own, and returns when all are done. An exception from any part is rethrown
// (the first one) once every part ended.
void run_parts(std::size_t parts, const std::function<void(std::size_t part)> &work);

}  // namespace vellix

#endif
