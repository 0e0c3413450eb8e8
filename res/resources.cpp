#include "res/resources.h"

#include <QtCore/qglobal.h>

#include <mutex>

// Q_INIT_RESOURCE declares a function of the global namespace, so it may not
// be used inside a namespace; a local wrapper keeps the call in one place.
static void InitGwResourcesOnce()
{
    Q_INIT_RESOURCE(gw_resources);
}

void GwInitResources()
{
    static std::once_flag s_once;
    std::call_once(s_once, InitGwResourcesOnce);
}
