#include "SaverState.h"

SSaverState SaverState;
SSaverSettings SaverSettings;
SGameStatistics GameStatistics;

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

void SSaverSettings::Reset() {
    SwitchToBlankScreenAfter = 30;
    SwitchToBlankScreen = true;
    BlankBackground = true;
    ShowStatistics = true;
    AnimationMode = 0;
    GameMode = 5;
    CustomGameWidth = 30;
    CustomGameHeight = 16;
    CustomGameMines = 99;
}

void SGameStatistics::Reset() {
    for (int i = 0; i < 3; ++i) {
        WonThisRun[i] = 0;
        LostThisRun[i] = 0;
        StoredWon[i] = 0;
        StoredLost[i] = 0;
    }
}
