#include "tortureparams.h"

#include <mutex>

namespace torture {

namespace {
std::mutex g_paramsMutex;
TortureParams g_params;
} // namespace

TortureParams tortureParams()
{
    std::lock_guard lock(g_paramsMutex);
    return g_params;
}

void setTortureParams(const TortureParams& params)
{
    std::lock_guard lock(g_paramsMutex);
    g_params = params;
}

} // namespace torture
