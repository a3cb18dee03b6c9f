#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>

// What the fuzz targets share.
namespace fuzz {

// A file in memory holding the given bytes, for the functions that read a
// path: its path is /proc/self/fd/N. One file per slot (0 to 3), kept open
// for the whole run; each call replaces the slot's content.
QString memoryFile(int slot, const uint8_t* data, size_t size);

// Sets the process up as the programs do (ProcessSetup) and starts a
// QGuiApplication on the offscreen platform (fonts, painters and image
// plugins need one); once per process, from LLVMFuzzerInitialize.
void startApplication(int* argc, char*** argv);

// Stops the run with a message when a property does not hold, so that
// libFuzzer reports the input as a crash.
void require(bool condition, const char* what);

} // namespace fuzz
