// The worker pool: one helper thread per core beyond the first, made on first use and kept for
// the life of the process (they are never joined: the process ends them). A run numbers its
// pieces of work; every taking part thread claims the next number until none is left.
#include "app/worker_pool.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

constexpr int32_t kMostThreads = 64;

struct WorkerPool {
    std::mutex lock;                  // guards everything below but next
    std::condition_variable wake;     // a new run has started
    std::condition_variable settled;  // a helper has left the run
    uint64_t run = 0;                 // number of the current run
    bool joining = false;             // helpers may still join the current run
    int32_t helperLimit = 0;          // helpers with a lower index take part in it
    int32_t helpersInside = 0;        // helpers working on the current run
    PoolWork work = nullptr;          // the current run's work ...
    void* context = nullptr;          // ... its context ...
    int32_t count = 0;                // ... and its number of pieces
    std::atomic<int32_t> next{0};     // the next unclaimed piece
    int32_t helpers = 0;              // helper threads made
};

void claimUntilDone(WorkerPool& pool, PoolWork work, void* context, int32_t count) {
    for (int32_t index = pool.next.fetch_add(1); index < count; index = pool.next.fetch_add(1)) {
        work(context, index);
    }
}

void helperLoop(WorkerPool* pool, int32_t helperIndex) {
    uint64_t seen = 0;
    std::unique_lock<std::mutex> held(pool->lock);
    for (;;) {
        pool->wake.wait(held, [&] { return pool->run != seen; });
        seen = pool->run;
        // A helper that wakes after the caller has finished its share has nothing left to claim
        // and must not touch the run's context, which may be gone by then.
        if (!pool->joining || helperIndex >= pool->helperLimit) {
            continue;
        }
        ++pool->helpersInside;
        const PoolWork work = pool->work;
        void* context = pool->context;
        const int32_t count = pool->count;
        held.unlock();
        claimUntilDone(*pool, work, context, count);
        held.lock();
        if (--pool->helpersInside == 0) {
            pool->settled.notify_all();
        }
    }
}

int32_t coreCount() {
    const auto cores = static_cast<int32_t>(std::thread::hardware_concurrency());
    return std::clamp(cores, 1, kMostThreads);
}

// Made once; deliberately never destroyed, since its helpers live as long as the process.
WorkerPool& thePool() {
    static WorkerPool* pool = [] {
        auto* made = new WorkerPool;
        for (int32_t i = 0; i + 1 < coreCount(); ++i) {
            std::thread(helperLoop, made, i).detach();
            ++made->helpers;
        }
        return made;
    }();
    return *pool;
}

}  // namespace

int32_t PoolThreadCount() { return coreCount(); }

void PoolRun(PoolWork work, void* context, int32_t count, int32_t threadLimit) {
    WorkerPool& pool = thePool();
    const int32_t threads = threadLimit > 0 ? std::min(threadLimit, pool.helpers + 1) : pool.helpers + 1;
    if (threads <= 1 || count <= 1) {
        for (int32_t index = 0; index < count; ++index) {
            work(context, index);
        }
        return;
    }
    {
        std::lock_guard<std::mutex> held(pool.lock);
        pool.work = work;
        pool.context = context;
        pool.count = count;
        pool.next.store(0);
        pool.helperLimit = threads - 1;
        pool.joining = true;
        ++pool.run;
    }
    pool.wake.notify_all();
    claimUntilDone(pool, work, context, count);
    // Every piece is claimed; wait for the helpers still working on theirs.
    std::unique_lock<std::mutex> held(pool.lock);
    pool.joining = false;
    pool.settled.wait(held, [&] { return pool.helpersInside == 0; });
}
