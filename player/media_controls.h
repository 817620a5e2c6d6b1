// The play state as the system media controls' playback status.
#pragma once

#include "player/play_state.h"
#include "smtc/media_state.h"

smtc::Status mediaStatus(PlayState state);
