#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>

// The pixel memory that the jobs of a batch may hold together. A job
// reserves what its photo will need before decoding it, and waits while the
// others hold too much for that to fit; a reservation made while nothing is
// held always goes through, whatever its size, so that one job always
// proceeds. May be used from any thread.
class PixelBudget {
public:
    explicit PixelBudget(int64_t bytes);
    PixelBudget(const PixelBudget&) = delete;
    PixelBudget& operator=(const PixelBudget&) = delete;

    // Bytes of the budget, held until it is destroyed.
    class Reservation {
    public:
        Reservation() = default;
        Reservation(Reservation&& other) noexcept;
        Reservation& operator=(Reservation&& other) noexcept;
        ~Reservation();
        explicit operator bool() const { return m_budget != nullptr; }

    private:
        friend class PixelBudget;
        Reservation(PixelBudget* budget, int64_t bytes);
        PixelBudget* m_budget = nullptr;
        int64_t m_bytes = 0;
    };

    // Waits until bytes fit beside what is held, or nothing is held. An
    // empty reservation when stop was set meanwhile.
    Reservation reserve(int64_t bytes, const std::atomic<bool>& stop);

    int64_t bytes() const { return m_limit; }
    int64_t held() const;

    // Half the memory of the machine, or of the control group (container,
    // service) the process runs in when that has less.
    static int64_t machineShare();

private:
    void release(int64_t bytes);

    const int64_t m_limit;
    mutable std::mutex m_mutex;
    std::condition_variable m_released;
    int64_t m_held = 0;
};
