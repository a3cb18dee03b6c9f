#pragma once

#include <QString>

// Where the shared test photos live (../shared/testdata/photos).
QString testPhoto(const QString& relativePath);
