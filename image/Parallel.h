// The library's own worker threads (internal): operations whose rows are independent hand
// bands of rows to them. Standard library threads only, so that the library stays free of
// dependencies.
//
// Rules for the work given to ForEachRowBand:
//  - A band reads and writes only its own rows of the result (it may read anything that no
//    band writes). Then the bytes are the same whatever the number of threads.
//  - Operations that draw random numbers must not use it for the drawing: the values come
//    from the C generator (rand) in the order of a single pass over the image, and that order
//    is part of the result. Draw first in that order (or run inline), then spread the rest.
//  - Nothing in the library throws from a band; should a band throw, the first exception is
//    passed on to the caller after every band has ended.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <type_traits>

namespace velora::detail {

// Below this many bytes of work an operation runs on the calling thread: waking the
// workers would cost more than it saves.
inline constexpr std::size_t kMinParallelBytes = std::size_t(64) << 10;

// A reference to the work of the bands: the caller's function object, called in place. Unlike
// std::function it never allocates, so that handing work to the bands cannot fail.
class BandWork {
public:
    template <class F, class = std::enable_if_t<!std::is_same_v<std::decay_t<F>, BandWork>>>
    BandWork(const F& work) noexcept  // NOLINT: converts from any callable, as std::function does
        : m_object(std::addressof(work)),
          m_call([](const void* object, std::int32_t first, std::int32_t last) {
              (*static_cast<const F*>(object))(first, last);
          }) {}
    void operator()(std::int32_t first, std::int32_t last) const { m_call(m_object, first, last); }

private:
    const void* m_object;
    void (*m_call)(const void*, std::int32_t, std::int32_t);
};

// Splits rows 0..rows-1 into contiguous bands [first, last) and runs work on each, on the
// pool's workers and the calling thread, returning when every band has ended. The split
// depends only on rows, bytesPerRow and the thread count. Small images, a thread count of 1,
// calls made from inside a band, and a call made while another thread is using the pool run
// work(0, rows) inline. Safe to call from several threads at once. Nothing happens for rows <= 0.
void ForEachRowBand(std::int32_t rows, std::size_t bytesPerRow, BandWork work);

// The number of threads the operations use: the setting, or the hardware's for 0.
unsigned EffectiveThreadCount();

}  // namespace velora::detail
