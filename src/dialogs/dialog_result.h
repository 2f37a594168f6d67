#pragma once

// What a dialog hands back to the command that opened it (the value of
// DoModal / QDialog::exec).
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;
