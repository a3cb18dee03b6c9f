#pragma once

#include "platform/FileResult.h"

#include <QString>

#include <functional>

// Where this copy of the program keeps its config.ini and writes what it
// saves (the Images and Miniatures of a single save, and the batch target
// until the user chooses one).
//
// An installed copy (one whose executable has ../share/quillon beside it)
// keeps both in the user's own folders: the settings in
// <configuration folder>/quillon/config.ini, the outputs below
// <pictures folder>/Quillon. Any other copy keeps both beside its
// executable when it may write there, and falls back to the user's folders
// when it may not (a copy on a read-only medium, or in a folder of another
// user). A copy that keeps its settings in the user's folder takes a
// config.ini beside its executable, if there is one, as the user's first
// settings.
class AppLocations {
public:
    struct UserFolders {
        QString configuration; // $XDG_CONFIG_HOME, by default ~/.config
        QString pictures; // the user's Pictures folder
    };
    // Whether a file can be made in a folder.
    using WriteCheck = std::function<bool(const QString& folder)>;

    // The places of a copy whose executable lies in executableFolder.
    // canWrite is asked about that folder only, and only for a copy that is
    // not installed.
    static AppLocations decide(const QString& executableFolder, const UserFolders& user, const WriteCheck& canWrite);
    // The places of this process, decided at the first call from the running
    // executable, the system's user folders and canCreateFileIn.
    static const AppLocations& current();

    static UserFolders standardUserFolders();
    // Makes a file under a unique name in folder and removes it at once:
    // whether the folder takes new files, whatever its mode bits say.
    static bool canCreateFileIn(const QString& folder);

    const QString& settingsFile() const { return m_settingsFile; }
    // The folder that holds Images and Miniatures.
    const QString& outputRoot() const { return m_outputRoot; }

    // The file to read the settings from: settingsFile, or, while that does
    // not exist yet, the config.ini beside the executable that seeds it.
    QString settingsToRead() const;
    // Copies the seeding config.ini to settingsFile when settingsFile does
    // not exist yet, making its folder; done at once when there is nothing to
    // copy. Only the window does this: the command-line tool never writes
    // the settings, and reads the seed through settingsToRead instead.
    FileResult seedSettings() const;

private:
    QString m_settingsFile;
    QString m_outputRoot;
    QString m_seedFile; // empty when the settings are kept beside the executable
};
