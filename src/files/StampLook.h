#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// How the stamp's text is drawn. In every look the second colour is the
// text and the first what sets it off from the photo:
//   Shadow   the first colour printed first, the second over it, the stamp
//            offset further (the stamp as it has always been);
//   Outline  the text in the second colour ringed by the first, readable on
//            any photo;
//   Glow     the text in the second colour over a faint halo of the first,
//            as a lit display's digits.
// Outline and Glow draw the upper text only; the offset places it.
enum class StampLook { Shadow, Outline, Glow };

namespace StampLooks {
// "shadow", "outline", "glow": what config.ini and --look keep.
QString nameOf(StampLook look);
// The look of one of those names, in any case; nothing for another text.
std::optional<StampLook> named(const QString& name);
QStringList names();
} // namespace StampLooks
