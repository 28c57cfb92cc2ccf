#include "app/composition.h"

#include "app/main_frame.h"

namespace tesmira {

void WireRooms(CMainFrame& frame) {
    (void)frame;
}

void StartRooms(CMainFrame& frame) {
    (void)frame;
}

void ShutdownRooms() {}

}  // namespace tesmira
