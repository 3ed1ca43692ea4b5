// Resource and command ids of the stand-in game, shared by Velkor.rc and the code.
#pragma once

#define IDM_GAME_MENU 100
#define IDD_CUSTOM 200
#define IDI_GAME 300
#define IDB_SQUARES 410

// Menu commands; other programs send these as WM_COMMAND.
#define IDM_NEW 510
#define IDM_EXIT 512
#define IDM_BEGINNER 521
#define IDM_INTERMEDIATE 522
#define IDM_EXPERT 523
#define IDM_CUSTOM 524
#define IDM_MARKS 529

// Custom field dialog items.
#define IDC_HEIGHT 141
#define IDC_WIDTH 142
#define IDC_MINES 143
