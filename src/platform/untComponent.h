#pragma once
// Component states, window owners and showing a window without waiting.

class QObject;

// The component "being destroyed" state: set when a window was closed with the free action
// (its deletion is pending) or its destructor has started.
void SetComponentDestroying(QObject* component);
bool IsComponentDestroying(const QObject* component);

class QWidget;

// Form position modes; the object factory sets new windows to poDesigned.
enum TPosition {
    poDesigned = 0,
    poDefault,
    poDefaultPosOnly,
    poDefaultSizeOnly,
    poScreenCenter,
    poDesktopCenter,
    poMainFormCenter,
    poOwnerFormCenter
};

// The widget a window owned by `owner` hangs under: the owner itself when it is a widget,
// the main form when it is the application object.
QWidget* OwnerWidget(QObject* owner);

// Shows a window without waiting and brings it forward (inside its MDI area if it has one).
void ShowForm(QWidget* form);
