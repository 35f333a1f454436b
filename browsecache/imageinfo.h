// The entity entry for the module's image-info entities (class 0xA005).
#pragma once

#include "host/hostapi.h"

int ImageInfoCallback(int message, HostEntity* entity, int selector, const char** text);
