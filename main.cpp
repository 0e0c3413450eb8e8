// Glyphwright: everything from start-up to exit lives in CArtApp.
#include "shell/art_app.h"

int main(int argc, char** argv)
{
    CArtApp app;
    return app.Run(argc, argv);
}
