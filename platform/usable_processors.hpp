// How many processors this process may run on.
#pragma once

namespace qb {

// The processors in the calling thread's CPU affinity mask (a taskset, a
// container's cpuset or a batch scheduler may leave fewer than the machine
// has), or the machine's hardware threads when the mask cannot be read;
// at least 1.
int usable_processor_count();

}  // namespace qb
