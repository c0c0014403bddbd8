#include "uiservices.h"

// Out of line, so that the interface's type information lives in one object file.
UiServices::~UiServices() = default;
