#pragma once
#include <QIcon>
#include <QPixmap>

// The program icon: a grey monitor whose blue screen is crossed by a yellow stroke, in the
// standard 16-colour palette, at 32x32 (window and About picture) and 16x16 (tray).
QPixmap ProgramIconImage(int size);
QIcon ProgramIcon();
