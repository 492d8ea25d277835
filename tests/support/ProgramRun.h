#pragma once

#include <QStringList>

class Sandbox;

// Runs the real DuskmereSetup offscreen in the sandbox's working directory, driven by the
// autopilot (steps as the autopilot reads them), and collects what it logged. The program is
// the build's own, or the one DUSKMERE_PROGRAM names (a folder as it ships, on Windows).
struct ProgramRun
{
    QStringList steps;
    QStringList arguments;
    QStringList stepsOfNewCopy; // for the copy that Reset starts

    struct Result
    {
        bool finished = false;
        bool crashed = false;
        int exitCode = -1;
        QStringList log;
        QStringList records(const char *kind) const; // the log's lines of one kind, kind cut off
    };
    Result run(const Sandbox &sandbox) const;

    static bool available();
    // One of the standard folders (Platform::documentsFolder, ...) as the program run here finds
    // it: on Windows the autopilot moves them where the sandbox has them, elsewhere the program
    // takes them from the environment that the sandbox set.
    static QString folder(QString (*standardFolder)());
};
