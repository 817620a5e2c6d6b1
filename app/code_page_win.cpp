#include <windows.h>

#include "app/settings.h"

bool codePageExists(uint32_t codePage) { return IsValidCodePage(codePage) != FALSE; }
