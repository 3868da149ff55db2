#pragma once
// The drawn icons of buttons and menus.

#include <QIcon>

// Plain drawn icons of the windows' buttons and menus.
QIcon IconAdd();
QIcon IconModify();
QIcon IconDelete();
QIcon IconExit();
QIcon IconExport();
QIcon IconImport();
QIcon IconOpen();
QIcon IconOk();
QIcon IconClose();
QIcon IconUnit();
QIcon IconHide();
