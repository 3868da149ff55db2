#pragma once
// The one file dialog of the system: it lists folders without ever opening a file.

#include <QFileDialog>
#include <QString>
#include <QStringList>

// Qt's own file dialog (never the desktop's) whose icons and types come from names and stat
// data only. A dialog that sniffs contents opens and closes every file it lists, an open SQLite
// database's -wal and -shm among them, and closing any descriptor of a file drops all of the
// process's locks on it: another process could then overwrite committed rows.
class TFileDialog : public QFileDialog
{
    Q_OBJECT
public:
    // `path` is the folder to start in, or a file in it to propose; `filters` as
    // QFileDialog::setNameFilter takes them ("Excel 工作簿 (*.xlsx);;CSV 文件 (*.csv)").
    TFileDialog(QWidget* parent, const QString& caption, const QString& path,
                const QString& filters);

    // Runs the dialog through the application's modal seam: the chosen file, or empty. A file
    // to save that exists already is chosen only when the operator agrees to replace it.
    QString Choose();

    // For saving: a name typed without a suffix takes the chosen filter's suffix (`suffixes`
    // pair with the filters in order; the first to begin with).
    void SetSaveSuffixes(const QStringList& suffixes);
};
