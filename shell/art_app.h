// The application: the start-up order and the event loop.
#pragma once

#include <QString>

class CMainFrame;

class CArtApp {
public:
    // Starts the editor and runs it until its last window closes; returns the
    // process exit code. argc must outlive the call (QApplication keeps it).
    // A single argument names a drawing to open once the blank one is shown.
    int Run(int& argc, char** argv);

    // The options that answer and exit (--help, --version, --data-folders)
    // before any window: their exit code, 2 for an unknown option, or -1 to
    // go on and start the editor ("--" is dropped from argv then).
    static int AnswerOption(int& argc, char** argv);

    // The organisation and application names, which place QSettings and the
    // user's data folders.
    static void ConfigureNames();

    // Sets what every window and setting relies on: the resources, the
    // organisation and application names (they place QSettings), the Fusion
    // style and the program's palette. Needs a QApplication.
    static void ConfigureApplication();

    // Tells the desktop that ".gwp" files open with this program.
    static void RegisterWithDesktop();
};
