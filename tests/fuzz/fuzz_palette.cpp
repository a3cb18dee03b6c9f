// Palette files of any bytes: the load succeeds or leaves the palette empty,
// the count fits the file, and every entry is found as its own closest
// colour (the first entry of that colour).
#include "FuzzSupport.h"

#include "imaging/cPalette.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    fuzz::startApplication(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    cPalette palette;
    const bool loaded = palette.LoadFromFile(fuzz::memoryFile(0, data, size));
    if (!loaded) {
        fuzz::require(palette.Count() == 0, "a failed load leaves the palette empty");
        return 0;
    }
    // The shortest entry is "0 0 0", and entries are separated by CR LF.
    fuzz::require(palette.Count() >= 0 && qint64(palette.Count()) * 7 <= qint64(size) + 2, "count fits the file");
    for (int32_t i = 1; i <= palette.Count() && i <= 256; ++i) {
        const int32_t found = palette.ClosestIndex(palette.Red(i), palette.Green(i), palette.Blue(i));
        fuzz::require(found >= 1 && found <= i, "an entry's colour finds an entry at or before it");
        fuzz::require(palette.Red(found) == palette.Red(i) && palette.Green(found) == palette.Green(i)
                && palette.Blue(found) == palette.Blue(i),
            "an entry's colour finds the same colour");
    }
    return 0;
}
