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

    // Sets what every window and setting relies on: the resources, the
    // organisation and application names (they place QSettings), the Fusion
    // style and the program's palette. Needs a QApplication.
    static void ConfigureApplication();

    // Tells the desktop that ".gwp" files open with this program.
    static void RegisterWithDesktop();
};
