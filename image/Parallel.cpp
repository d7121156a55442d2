// The worker pool behind ForEachRowBand: workers are started on first need and kept, waiting
// on a condition variable between jobs. One job runs at a time; its bands are claimed through
// an atomic counter by the workers and by the caller, which takes part instead of idling.
// Waking a thread from a condition variable takes a hundred microseconds or more on some
// machines, as long as a whole band of a small image: so for a short while after a job the
// workers watch for the next one, and the caller for the workers' end, before they sleep.
#include "Parallel.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

#include "CVelora.h"

namespace velora::detail {
namespace {

// More would only cost memory: the bands are never smaller than a few rows.
constexpr unsigned kMaxThreads = 64;

std::atomic<unsigned> g_threadSetting{0};

// True on a worker, and on a caller while it runs bands: nested calls run inline.
thread_local bool t_insideBand = false;

using Work = BandWork;

// How long a thread watches for a change before it sleeps: previews and scripts call the
// operations in quick succession, and a busy core for this long after a job costs nothing.
constexpr auto kWatch = std::chrono::microseconds(500);

// Whether done() became true within kWatch. Only while the pool's threads have a core each:
// a watching thread must not take a core from one that works.
template <class Done>
bool Watch(const Done& done) {
    static const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    if (EffectiveThreadCount() > cores) return done();
    const auto until = std::chrono::steady_clock::now() + kWatch;
    for (unsigned i = 1;; ++i) {
        if (done()) return true;
        if (i % 64 == 0 && std::chrono::steady_clock::now() > until) return false;
#if defined(__x86_64__) || defined(__i386__)
        __builtin_ia32_pause();
#endif
    }
}

class Pool {
public:
    ~Pool() {
        {
            std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_wake.notify_all();
        for (auto& worker : m_workers) worker.join();
    }

    // False when another thread is using the pool; the caller then runs inline.
    bool Run(const Work& work, std::int32_t rows, std::int32_t bands) {
        std::unique_lock dispatch(m_dispatch, std::try_to_lock);
        if (!dispatch.owns_lock()) return false;
        {
            std::lock_guard lock(m_mutex);
            // A thread that cannot be started is no error: the bands are claimed by those that run.
            try {
                while (m_workers.size() + 1 < std::size_t(bands))
                    m_workers.emplace_back([this, seen = m_generation] { WorkerLoop(seen); });
            } catch (...) {
            }
            m_work = &work;
            m_rows = rows;
            m_bands = bands;
            m_next.store(0, std::memory_order_relaxed);
            m_error = nullptr;
            ++m_generation;
            m_posted.store(m_generation, std::memory_order_release);
        }
        m_wake.notify_all();

        t_insideBand = true;
        RunBands(work, rows, bands);
        t_insideBand = false;

        std::exception_ptr error;
        {
            // Every band is claimed now; those taken by workers have ended once no worker is busy.
            Watch([this] { return m_running.load(std::memory_order_acquire) == 0; });
            std::unique_lock lock(m_mutex);
            m_idle.wait(lock, [this] { return m_busy == 0; });
            m_work = nullptr;
            m_bands = 0;
            error = m_error;
        }
        if (error) std::rethrow_exception(error);
        return true;
    }

private:
    void RunBands(const Work& work, std::int32_t rows, std::int32_t bands) {
        for (;;) {
            const std::int32_t band = m_next.fetch_add(1, std::memory_order_relaxed);
            if (band >= bands) return;
            const auto first = std::int32_t(std::int64_t(rows) * band / bands);
            const auto last = std::int32_t(std::int64_t(rows) * (band + 1) / bands);
            try {
                work(first, last);
            } catch (...) {
                std::lock_guard lock(m_mutex);
                if (!m_error) m_error = std::current_exception();
            }
        }
    }

    // seen is the generation before the job that started the worker, so that it joins that job.
    void WorkerLoop(std::uint64_t seen) {
        t_insideBand = true;
        std::unique_lock lock(m_mutex);
        for (;;) {
            if (!m_stop && m_generation == seen) {
                lock.unlock();
                Watch([&] { return m_posted.load(std::memory_order_acquire) != seen; });
                lock.lock();
            }
            m_wake.wait(lock, [&] { return m_stop || m_generation != seen; });
            if (m_stop) return;
            seen = m_generation;
            // Taking the job and counting oneself busy happen under the lock, so the caller
            // cannot retire the job while this worker still holds a pointer to it.
            const Work* work = m_work;
            const std::int32_t rows = m_rows, bands = m_bands;
            if (work == nullptr || bands == 0) continue;
            ++m_busy;
            m_running.fetch_add(1, std::memory_order_relaxed);
            lock.unlock();
            RunBands(*work, rows, bands);
            lock.lock();
            m_running.fetch_sub(1, std::memory_order_release);
            if (--m_busy == 0) m_idle.notify_one();
        }
    }

    std::mutex m_dispatch;  // held by the one caller whose job is running
    std::mutex m_mutex;     // guards everything below but m_next
    std::condition_variable m_wake, m_idle;
    std::vector<std::thread> m_workers;
    const Work* m_work = nullptr;
    std::int32_t m_rows = 0, m_bands = 0;
    std::atomic<std::int32_t> m_next{0};
    std::uint64_t m_generation = 0;
    unsigned m_busy = 0;
    // Copies of m_generation and m_busy that the watching threads read without the lock.
    std::atomic<std::uint64_t> m_posted{0};
    std::atomic<unsigned> m_running{0};
    bool m_stop = false;
    std::exception_ptr m_error;
};

Pool& ThePool() {
    static Pool pool;
    return pool;
}

}  // namespace

unsigned EffectiveThreadCount() {
    unsigned count = g_threadSetting.load(std::memory_order_relaxed);
    if (count == 0) count = std::max(1u, std::thread::hardware_concurrency());
    return std::min(count, kMaxThreads);
}

void ForEachRowBand(std::int32_t rows, std::size_t bytesPerRow, BandWork work) {
    if (rows <= 0) return;
    const std::size_t total = std::size_t(rows) * bytesPerRow;
    const unsigned threads = EffectiveThreadCount();
    // Each band gets at least half the inline limit, so that no thread wakes for a crumb.
    const std::size_t byBytes = std::max<std::size_t>(1, total / (kMinParallelBytes / 2));
    const auto bands = std::int32_t(std::min<std::size_t>({threads, std::size_t(rows), byBytes}));
    if (total < kMinParallelBytes || bands < 2 || t_insideBand || !ThePool().Run(work, rows, bands)) work(0, rows);
}

}  // namespace velora::detail

void CVelora::SetThreadCount(unsigned count) { velora::detail::g_threadSetting.store(count, std::memory_order_relaxed); }

unsigned CVelora::GetThreadCount() { return velora::detail::EffectiveThreadCount(); }
