// Moved to core (the bottom layer); kept so that io/ callers build.
#pragma once

#include "core/status.h"
