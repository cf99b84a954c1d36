// Resource identifiers shared by velmora.rc and the window code.
#pragma once

#define IDI_VELMORA 1
