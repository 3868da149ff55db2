#pragma once
// The drawn icons of buttons and menus.

#include <QIcon>

// Plain drawn icons of the windows' buttons and menus. Each kind is painted once, on its first
// use (on the GUI thread, with the application up), and shared by every button and node after
// it; it is kept for the life of the process.
QIcon IconAdd();
QIcon IconModify();
QIcon IconDelete();
QIcon IconExit();
QIcon IconExport();
QIcon IconPrint();
QIcon IconImport();
QIcon IconOpen();
QIcon IconOk();
QIcon IconClose();
QIcon IconUnit();
QIcon IconHide();
