#pragma once
// Creates registered classes by their meta-object.

#include "platform/untException.h"

class QObject;
struct QMetaObject;

class TObjectFactionError : public Exception
{
public:
    using Exception::Exception;
};

class TObjectFactory
{
public:
    // Creates an instance of a component class (a QObject class with an invokable
    // constructor taking its owner). Windows get the as-designed position mode; controls
    // get a widget owner as parent. On any failure no object remains and
    // TObjectFactionError is raised.
    static QObject* CreateObj(QObject* owner, const QMetaObject* cls);
};
