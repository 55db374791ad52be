// The fixed text of the instructions window.
#pragma once

#include "engine/text.h"

// 64 lines in cp936, every one ended by CR LF.
Text HelpText();
