// Where the rooms are put together: the Workstation (workstation.h) owns every long-lived object;
// its WireRooms, StartRooms and ShutdownRooms, defined in composition.cpp, attach each room's
// behaviour to the frame's panes, menu commands (command_registry.h) and the panel's timers and
// keys, so that main.cpp and the frame stay free of room logic.
#pragma once

#include "app/workstation.h"
