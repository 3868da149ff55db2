#pragma once
// The registry of window classes, found by name.

#include <QString>

struct QMetaObject;

// Registers the class and each ancestor up to QObject, stopping at the first one already
// registered. A different class of the same name raises EFilerError.
void RegisterPlugInClass(const QMetaObject* cls);
// The registered class of that name (without regard to case), or null.
const QMetaObject* FindPlugInClass(const QString& name);
