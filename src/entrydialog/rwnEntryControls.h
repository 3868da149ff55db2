#pragma once
// The entry dialog's controls, under the names its callers know.

class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class TElementEdit;
class TPBNumEdit;

struct TEntryControls {
    QLabel* Label4 = nullptr;
    QComboBox* cmbBType = nullptr;
    QFrame* plChild = nullptr;
    QLabel* Label2 = nullptr;
    QComboBox* cmbChild = nullptr;
    QLabel* labEid = nullptr;
    QLineEdit* edtEid = nullptr;
    QLabel* labmid = nullptr;
    QComboBox* cmbmid = nullptr;
    QLabel* labbkid = nullptr;
    QComboBox* cmbbkid = nullptr;
    QLabel* labipid = nullptr;
    QComboBox* cmbipid = nullptr;
    QLabel* Label3 = nullptr;
    QComboBox* cmbSecret = nullptr;
    QLabel* lblFileName = nullptr;
    QLineEdit* edtFileName = nullptr;
    QFrame* plBureaux = nullptr;
    QLabel* lblBurId = nullptr;
    QComboBox* cmbBurId = nullptr;
    QLabel* lblBid = nullptr;
    TElementEdit* edtbid = nullptr;
    QLabel* labiid = nullptr;
    TElementEdit* edtiid = nullptr;
    QLabel* labMoney = nullptr;
    TPBNumEdit* pbedtMoney = nullptr;
    QComboBox* cbUnit = nullptr;
    QLabel* Label20 = nullptr;
    QLineEdit* edtmemo = nullptr;
};
