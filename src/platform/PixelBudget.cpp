#include "platform/PixelBudget.h"

#include <QByteArray>
#include <QFile>

#include <algorithm>
#include <chrono>
#include <unistd.h>
#include <utility>

PixelBudget::PixelBudget(int64_t bytes)
    : m_limit(bytes)
{
}

PixelBudget::Reservation::Reservation(PixelBudget* budget, int64_t bytes)
    : m_budget(budget)
    , m_bytes(bytes)
{
}

PixelBudget::Reservation::Reservation(Reservation&& other) noexcept
    : m_budget(std::exchange(other.m_budget, nullptr))
    , m_bytes(other.m_bytes)
{
}

PixelBudget::Reservation& PixelBudget::Reservation::operator=(Reservation&& other) noexcept
{
    if (this != &other) {
        if (m_budget) m_budget->release(m_bytes);
        m_budget = std::exchange(other.m_budget, nullptr);
        m_bytes = other.m_bytes;
    }
    return *this;
}

PixelBudget::Reservation::~Reservation()
{
    if (m_budget) m_budget->release(m_bytes);
}

PixelBudget::Reservation PixelBudget::reserve(int64_t bytes, const std::atomic<bool>& stop)
{
    // A stop is no event of this budget: look at it a few times a second.
    constexpr std::chrono::milliseconds StopInterval(50);
    std::unique_lock lock(m_mutex);
    while (!(m_held == 0 || m_held + bytes <= m_limit)) {
        if (stop) return {};
        m_released.wait_for(lock, StopInterval);
    }
    if (stop) return {};
    m_held += bytes;
    return Reservation(this, bytes);
}

void PixelBudget::release(int64_t bytes)
{
    {
        const std::lock_guard lock(m_mutex);
        m_held -= bytes;
    }
    m_released.notify_all();
}

int64_t PixelBudget::held() const
{
    const std::lock_guard lock(m_mutex);
    return m_held;
}

int64_t PixelBudget::machineShare()
{
    int64_t memory = int64_t(::sysconf(_SC_PHYS_PAGES)) * int64_t(::sysconf(_SC_PAGESIZE));
    // A container's limit (control group v2), "max" when there is none.
    QFile limit(QStringLiteral("/sys/fs/cgroup/memory.max"));
    if (limit.open(QIODevice::ReadOnly)) {
        bool ok = false;
        const int64_t bytes = limit.readAll().trimmed().toLongLong(&ok);
        if (ok && bytes > 0) memory = memory > 0 ? std::min(memory, bytes) : bytes;
    }
    return std::max<int64_t>(memory, 0) / 2;
}
