#include "plugin/untObjectFactory.h"

#include "platform/untComponent.h"

#include <QDialog>
#include <QMetaMethod>
#include <QMetaObject>
#include <QWidget>

namespace
{
bool IsComponentClass(const QMetaObject* cls)
{
    if (!cls || !cls->inherits(&QObject::staticMetaObject))
        return false;
    for (int i = 0; i < cls->constructorCount(); ++i) {
        const QMetaMethod ctor = cls->constructor(i);
        if (ctor.parameterCount() == 1 && ctor.parameterTypes().at(0) == "QObject*")
            return true;
    }
    return false;
}
} // namespace

QObject* TObjectFactory::CreateObj(QObject* owner, const QMetaObject* cls)
{
    QObject* obj = nullptr;
    try {
        if (!IsComponentClass(cls))
            throw TObjectFactionError(QStringLiteral("只能创建从TComponent继承过来的类的实例！"));
        obj = cls->newInstance(Q_ARG(QObject*, owner));
        if (!obj)
            throw TObjectFactionError(QStringLiteral("创建对象失败！"));
        // Windows run their creation handler once the whole object exists.
        if (cls->indexOfMethod("AfterConstruction()") >= 0)
            QMetaObject::invokeMethod(obj, "AfterConstruction", Qt::DirectConnection);
        if (cls->inherits(&QDialog::staticMetaObject)) {
            obj->setProperty("Position", static_cast<int>(poDesigned));
        } else if (owner && owner->isWidgetType() && cls->inherits(&QWidget::staticMetaObject)) {
            static_cast<QWidget*>(obj)->setParent(static_cast<QWidget*>(owner));
        }
    } catch (...) {
        delete obj;
        throw TObjectFactionError(QStringLiteral("创建对象失败！"));
    }
    return obj;
}
