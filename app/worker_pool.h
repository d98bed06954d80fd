// Work spread over every core: the calling thread and helper threads made once for the process
// share a numbered list of independent pieces of work. Portable: standard threads only, and the
// helpers never call the platform, so window and drawing calls stay on the caller's thread.
#pragma once

#include <cstdint>

using PoolWork = void (*)(void* context, int32_t index);

// Calls work(context, index) once for every index in [0, count), each on whichever taking part
// thread claims it first, and returns when all have finished. At most threadLimit threads take
// part (the caller included); 0 means every core. The helpers are made on the first call.
void PoolRun(PoolWork work, void* context, int32_t count, int32_t threadLimit = 0);

// Threads that can take part in a run, the caller included: the processor's core count.
int32_t PoolThreadCount();
