// The application: the start-up order and the event loop.
#pragma once

class CArtApp {
public:
    // Starts the editor and runs it until its last window closes; returns the
    // process exit code. argc must outlive the call (QApplication keeps it).
    // Arguments are accepted and not used yet.
    int Run(int& argc, char** argv);

    // Sets what every window and setting relies on: the organisation and
    // application names (they place QSettings) and the Fusion style. Needs a
    // QApplication to exist for the style.
    static void ConfigureApplication();
};
