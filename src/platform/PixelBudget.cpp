#include "platform/PixelBudget.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>

#include <algorithm>
#include <chrono>
#include <unistd.h>
#include <utility>

namespace {

// A number of bytes in a control group's file; 0 for "max", a missing file
// or anything else.
int64_t limitIn(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return 0;
    bool ok = false;
    const int64_t bytes = file.readAll().trimmed().toLongLong(&ok);
    return ok && bytes > 0 ? bytes : 0;
}

// The memory limit of the process's control group and of those above it,
// version 2 ("0::/path") or the version 1 memory controller
// ("N:memory:/path"); 0 when none is set. A container sees its own group
// as the root.
int64_t containerLimit()
{
    QFile groups(QStringLiteral("/proc/self/cgroup"));
    if (!groups.open(QIODevice::ReadOnly)) return 0;
    int64_t lowest = 0;
    for (const QByteArray& line : groups.readAll().split('\n')) {
        const QList<QByteArray> fields = line.split(':');
        if (fields.size() < 3) continue;
        QString root, file;
        if (fields[0] == "0" && fields[1].isEmpty()) {
            root = QStringLiteral("/sys/fs/cgroup");
            file = QStringLiteral("memory.max");
        } else if (fields[1].split(',').contains("memory")) {
            root = QStringLiteral("/sys/fs/cgroup/memory");
            file = QStringLiteral("memory.limit_in_bytes");
        } else {
            continue;
        }
        QString group = QString::fromUtf8(fields.mid(2).join(':'));
        for (;;) {
            const int64_t bytes = limitIn(root + group + QLatin1Char('/') + file);
            // Version 1 writes "no limit" as a huge number.
            if (bytes > 0 && bytes < (int64_t(1) << 60)) lowest = lowest > 0 ? std::min(lowest, bytes) : bytes;
            if (group.isEmpty() || group == QLatin1String("/")) break;
            group.truncate(std::max<qsizetype>(group.lastIndexOf(QLatin1Char('/')), 0));
        }
    }
    return lowest;
}

} // namespace

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
    if (const int64_t limit = containerLimit(); limit > 0) memory = memory > 0 ? std::min(memory, limit) : limit;
    return std::max<int64_t>(memory, 0) / 2;
}
