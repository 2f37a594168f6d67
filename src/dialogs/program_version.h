#pragma once

// The program's version as the About box shows it; kept equal to the
// project version in the top CMakeLists.txt.
inline constexpr char kProgramVersion[] = "1.0.0";
