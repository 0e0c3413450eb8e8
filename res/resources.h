// The images of the res level (toolbar and menu icons, cursors, the
// application icon) are compiled into gw_res. A static library's resources
// are registered only when asked: the program calls this once at start-up,
// before any window is built. The lookups of command_table.h call it too,
// so tests that use only them need not.
#pragma once

void GwInitResources();
