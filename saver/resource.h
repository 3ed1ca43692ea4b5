// Resource ids shared by the resource script and the program.
#pragma once

#define IDI_VELKOR 100

// String table.
#define IDS_APPNAME 1
#define IDS_BEGINNER 512
#define IDS_INTERMEDIATE 513
#define IDS_EXPERT 514
#define IDS_TOTAL 516
#define IDS_WON 517
#define IDS_LOST 518
#define IDS_RATE 519
#define IDS_RESET_QUESTION 528

// Configuration dialog.
#define IDC_ANIMATION_NONE 144
#define IDC_ANIMATION_FAST 145
#define IDC_ANIMATION_SLOW 146
#define IDC_LEVEL_BEGINNER 160
#define IDC_LEVEL_INTERMEDIATE 161
#define IDC_LEVEL_EXPERT 162
#define IDC_LEVEL_RANDOM 164
#define IDC_BLANK_BACKGROUND 128
#define IDC_SHOW_STATISTICS 129
#define IDC_SWITCH_TO_BLANK 192
#define IDC_BLANK_MINUTES 193
#define IDC_STATISTICS 64
#define IDC_ABOUT 65

// Statistics dialog.
#define IDC_STATS_TABS 48
#define IDC_STATS_RESET 64
#define IDC_STATS_TOTAL 128
#define IDC_STATS_WON 129
#define IDC_STATS_LOST 130
#define IDC_STATS_RATE 131

// About dialog.
#define IDC_ABOUT_TITLE 16
#define IDC_ABOUT_WEBSITE 48
#define IDC_ABOUT_MINES 49
#define IDC_ABOUT_ICON 50
#define IDC_ABOUT_VERSION 51
