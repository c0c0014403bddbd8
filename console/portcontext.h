#pragma once

// The port context lives with the session, below the console.
#include "session/portcontext.h"
