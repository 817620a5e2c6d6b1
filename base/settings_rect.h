// A window rectangle as settings.ini keeps it. Portable: no platform headers.
#pragma once

#include <cstdint>

// Screen pixels. All zero means "never known".
struct SettingsRect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;

  bool known() const { return left < right && top < bottom; }
  bool operator==(const SettingsRect&) const = default;
};
