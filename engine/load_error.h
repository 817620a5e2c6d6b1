// Error codes of a load result; the player turns them into status texts.
#pragma once

#include <cstdint>

enum LoadError : uint8_t {
  kLoadOk = 0,
  kLoadCantOpen = 1,
  kLoadCantRead = 2,
  kLoadEmpty = 3,
  kLoadNotPlayable = 4,
  kLoadOutOfMemory = 5,
  kLoadNeedsFeaturePack = 6,
  kLoadNetworkError = 7,  // the text is in the result's message
  kLoadNoCd = 8,
  kLoadProtected = 9,
};
