#include "SaverState.h"

SSaverState SaverState;

void SSaverState::Reset() {
    MoveGameRequested = false;
    BlankScreenActive = false;
    StopRequested = false;
    StatisticsChanged = false;
    OverlayLayoutPending = false;
    LevelChangeTime = 0xFFFFFFFFu;
    LevelChangeDue = false;
    CurrentLevel = 0;
    ExpectedCursorPos.Store(SScreenPoint{0, 0});
    PreviousCursorPos.Store(SScreenPoint{0, 0});
    StartTime = 0;
    SaverWindow = nullptr;
    GameRectLeft = 0;
    GameRectTop = 0;
    GameRectRight = 0;
    GameRectBottom = 0;
}
