#pragma once

#include <QString>

// Where the running program lives: AppLocations decides from its folder where
// config.ini and the outputs go, and its base name prefixes the sources of
// run-time errors.
class ExecutableInfo {
public:
    static QString filePath();
    static QString folder(); // without a trailing separator
    static QString baseName(); // file name without extension
    static QString version(); // "major.minor.revision"
};
