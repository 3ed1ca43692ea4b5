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
