#pragma once

// Window and control classes the frame tests register in place of the product's windows.
#include "platform/untComponent.h"

#include <QCloseEvent>
#include <QDialog>
#include <QWidget>
#include <stdexcept>

class TTestForm : public QDialog
{
    Q_OBJECT
    Q_PROPERTY(int ShowModalFlag MEMBER ShowModalFlag)
    Q_PROPERTY(int Position MEMBER Position)
public:
    Q_INVOKABLE explicit TTestForm(QObject* owner) : QDialog(OwnerWidget(owner))
    {
        setAttribute(Qt::WA_DeleteOnClose);
    }
    ~TTestForm() override { SetComponentDestroying(this); }
    int ShowModalFlag = 0;
    int Position = poScreenCenter;

protected:
    void closeEvent(QCloseEvent* e) override
    {
        SetComponentDestroying(this);
        QDialog::closeEvent(e);
    }
};

class TTestModalForm : public TTestForm
{
    Q_OBJECT
public:
    Q_INVOKABLE explicit TTestModalForm(QObject* owner) : TTestForm(owner) { ShowModalFlag = 1; }
};

class TTestControl : public QWidget
{
    Q_OBJECT
public:
    Q_INVOKABLE explicit TTestControl(QObject* owner) : QWidget(nullptr) { Q_UNUSED(owner); }
};

class TThrowingForm : public QDialog
{
    Q_OBJECT
public:
    Q_INVOKABLE explicit TThrowingForm(QObject* owner) : QDialog(OwnerWidget(owner))
    {
        throw std::runtime_error("broken form");
    }
};

// A QObject class without an owner constructor is not a component class.
class TPlainObject : public QObject
{
    Q_OBJECT
};

class TDupName : public QObject
{
    Q_OBJECT
public:
    Q_INVOKABLE explicit TDupName(QObject* owner) : QObject(owner) {}
};

class TDUPNAME : public QObject
{
    Q_OBJECT
public:
    Q_INVOKABLE explicit TDUPNAME(QObject* owner) : QObject(owner) {}
};
