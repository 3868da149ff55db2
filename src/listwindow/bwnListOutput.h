#pragma once
// The list as shown, written out: workbook or CSV, printed pages, PDF.

#include "listwindow/bwnListControls.h"

#include <QString>

class TfrmBsCld;
class TListRows;
class TListScope;
struct TPrintDocument;

// Each writes beside the window (a progress window can cancel); the status bar and, when the
// settings ask for it, a message tell how it ended.
class TListOutput
{
public:
    TListOutput(TfrmBsCld* window, const TListControls& ui, const TListScope& scope,
                const TListRows& rows);

    // 导出: asks for a file (workbook or CSV) and writes the list to it.
    void Export();
    // False when the writing cannot start.
    bool ExportList(const QString& path);
    QString SheetName() const;
    // The file the save dialogs propose: the list's name in the folder that took the last file.
    QString Proposal() const;
    // 打印…: the print preview of the list; its print button prints it on the window's work.
    void Print();
    // 导出PDF…: asks for a file and writes the list's printed pages to it.
    void Pdf();
    // False when the writing cannot start.
    bool ExportPdf(const QString& path);
    // The list as shown with its title, filters, operator and date, as printed.
    TPrintDocument Document() const;

private:
    bool Listed() const;

    TfrmBsCld* m_window;
    const TListControls& m_ui;
    const TListScope& m_scope;
    const TListRows& m_rows;
};
