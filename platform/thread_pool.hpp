// Independent work spread over the machine's cores: one pool of worker
// threads, started on first use and kept for the whole run.
//
// Every loop body computes its own index's values with the same serial code
// whatever thread runs it, so results never depend on the number of threads;
// what the bodies show on the console comes out in index order.
#pragma once

#include <functional>
#include <string>

namespace qb {

// One per processor the process may run on (usable_processor_count()),
// counted once.
int hardware_threads();

// Calls body(i) once for every i in [0, count) on at most `threads` threads
// (0: hardware_threads()), the calling thread among them, and returns when
// every call has returned. A body writes only what belongs to its index.
//
// The console traffic of each body (texts and pauses) is recorded and
// replayed in index order once the loop is done; when bodies throw, the
// traffic up to and including the lowest index that threw is replayed and
// its exception rethrown, as a serial loop would have stopped there. A loop
// started inside a body, or while another loop runs, runs serially.
void parallel_for(int count, int threads, const std::function<void(int)>& body);

// Splits [0, count) into consecutive runs, a few per thread so that items of
// unequal cost even out, and calls body(first, last) for each run through
// parallel_for: for loops whose items share work storage within a run.
void parallel_for_runs(int count, int threads, const std::function<void(int, int)>& body);

// The records render(0) .. render(count - 1), rendered side by side and
// joined in index order: a table of many lines costs the time of a few.
std::string render_in_parallel(int count, int threads, const std::function<std::string(int)>& render);

}  // namespace qb
