// Resource identifiers shared by the program's resource script and the window
// system; plain macros so that the resource compiler reads them too.
#pragma once

// The program's icon (32 x 32 and 16 x 16 images).
#define IDI_KAVRENO 1
