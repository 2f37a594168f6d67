#pragma once

// The program's version as the About box and the help documents show it:
// the project version of the top CMakeLists.txt, filled in by the build.
extern const char kProgramVersion[];
