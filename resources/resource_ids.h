#pragma once
// Resource ids shared by the C++ sources and vandrel.rc (windres reads only the #defines).

#define IDI_VANDREL 1
