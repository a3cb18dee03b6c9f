#pragma once

#include <QByteArray>
#include <QString>

#include <map>

// A sample photo of tests/data/photos, by its path below that folder.
QString testPhoto(const QString& relativePath);

// The whole content of a file; empty when it cannot be read.
QByteArray readFile(const QString& path);
// Writes a file whole, making its folder when missing; false on failure.
bool writeFile(const QString& path, const QByteArray& bytes);
// Every file below root, hidden ones too, with its bytes, by relative path.
std::map<QString, QByteArray> filesBelow(const QString& root);
// A small JPEG of one colour, from Qt's own writer.
QByteArray smallJpeg(int width, int height);
