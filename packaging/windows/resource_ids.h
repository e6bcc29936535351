// Resource identifiers shared by the resource scripts and the Windows programs.
#pragma once

#define R7K_IDI_APP 1
#define R7K_IDB_LOGO 101
#define R7K_IDB_LOGO_2X 102
