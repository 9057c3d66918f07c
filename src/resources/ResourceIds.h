#pragma once

#define IDA_ACCELERATORS 101
#define IDB_BANNER 107
#define IDI_PROGRAM 109
#define IDM_REFRESH 40001
