#include "torturehook.h"

#include "torture/torturerun.h"

void stopTortureTestFromView()
{
    // Joins the writers before it returns; they never touch widgets, so this
    // is safe while the window's panes are being torn down.
    torture::TortureRun::instance().stop();
}
