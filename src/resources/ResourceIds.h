#pragma once

// The ids of the resources and of the menu and key commands.
#define IDA_ACCELERATORS 101
#define IDB_BANNER 107
#define IDB_BANNER_2X 108
#define IDI_PROGRAM 109
#define IDM_REFRESH 40001
#define IDM_FIND 40002
#define IDM_COPY 40003
#define IDM_COPY_ALL 40004
#define IDM_OPEN_FOLDER 40005
#define IDM_PROPERTIES 40006
