#pragma once

// The settings that belong to the whole process rather than to one picture:
// the limit of Qt's image readers, the metadata library's set-up, the signal
// that a file-size limit raises. Made once, first thing in main(), before
// any thread runs, so that no thread changes them while another reads them.
class ProcessSetup {
public:
    static void init();
};
