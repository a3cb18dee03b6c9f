#include "workflow/PicturePrefetch.h"

#include "platform/PictureLoader.h"

void PicturePrefetch::start(const QString& path)
{
    if (m_pending.contains(path)) return;
    auto future = std::make_shared<std::future<Decoded>>(std::async(std::launch::async, [path] {
        Decoded decoded;
        decoded.picture = PictureLoader::load(path, 1, &decoded.warning);
        return decoded;
    }));
    m_pending.insert(path, std::move(future));
}

std::unique_ptr<PixelSurface> PicturePrefetch::take(const QString& path, QString* warning)
{
    const auto pending = m_pending.take(path);
    if (!pending) return nullptr;
    Decoded decoded = pending->get(); // raises the decode's error here
    if (warning) *warning = decoded.warning;
    return std::move(decoded.picture);
}

void PicturePrefetch::clear()
{
    for (const auto& pending : std::as_const(m_pending)) {
        try {
            pending->get();
        } catch (...) {
            // A photo that is no longer wanted: its error does not matter.
        }
    }
    m_pending.clear();
}
