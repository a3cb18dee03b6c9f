#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// Where an anchored date stamp sits on a picture: at one of nine places, a
// margin away from the edges that place touches and, when the stamp was
// dragged off the place's line, an offset from it; margin and offsets are
// in % of the picture's shorter side, so that the same anchoring lands in
// the same place on a portrait, a landscape and a small picture. The place
// None leaves the stamp where the window's labels put it.
struct StampAnchoring {
    enum class Place { None, TopLeft, Top, TopRight, Left, Centre, Right, BottomLeft, Bottom, BottomRight };

    Place place = Place::None;
    double marginPercent = 0;
    double offsetXPercent = 0; // rightwards
    double offsetYPercent = 0; // downwards

    bool operator==(const StampAnchoring&) const = default;

    // "top-left", "top", "top-right", "left", "centre", "right",
    // "bottom-left", "bottom", "bottom-right"; "none" for None.
    static QString nameOf(Place place);
    // The place of one of those names, in any case; nothing for another text.
    static std::optional<Place> placeNamed(const QString& name);
    // The nine names, from top-left to bottom-right by rows.
    static QStringList placeNames();

    // Along one axis, a place lies at the start (left, top), the centre or
    // the end (right, bottom) of the picture.
    enum class Side { Start, Centre, End };
    static Side horizontalSide(Place place);
    static Side verticalSide(Place place);
    // The place at those sides (never None).
    static Place placeAt(Side horizontal, Side vertical);
};
