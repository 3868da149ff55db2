#pragma once
// Which database the host works on: the one used last, or the one a person picks in a dialog.

#include <QDialog>
#include <QString>
#include <memory>

class HostContext;
struct HostOptions;
class QCheckBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QSpinBox;

// The connection string the host loaded last (empty the first time), kept with QSettings.
QString LastConnection();
void RememberConnection(const QString& connectionString);

// A PostgreSQL connection string from its parts; a value with ';' or '"' is quoted.
QString PgConnectionString(const QString& host, int port, const QString& database,
                           const QString& user, const QString& password);

// The connection dialog's fields.
struct TConnectionFields {
    QRadioButton* rbSqlite = nullptr;
    QLineEdit* edFile = nullptr;
    QCheckBox* cbCreate = nullptr;
    QCheckBox* cbDemo = nullptr;
    QRadioButton* rbPg = nullptr;
    QLineEdit* edHost = nullptr;
    QSpinBox* spPort = nullptr;
    QLineEdit* edDatabase = nullptr;
    QLineEdit* edUser = nullptr;
    QLineEdit* edPassword = nullptr;
    QLabel* labError = nullptr;
};

// Asks for an SQLite file (an existing one, or a new one with the schema and, if wished, demo
// data) or a PostgreSQL server.
class ConnectionDialog : public QDialog, private TConnectionFields
{
    Q_OBJECT
public:
    explicit ConnectionDialog(const QString& initial, QWidget* parent = nullptr);

    QString ConnectionString() const;
    // A new SQLite file is to be made (it does not exist yet and the person agreed).
    bool CreatesFile() const;
    bool WithDemo() const;
    // Why the last try failed, shown in the dialog so it can be corrected.
    void ShowError(const QString& text);

    const TConnectionFields& Fields() const { return *this; }

private:
    void Browse();
    void UpdateEnabled();
};

// Makes a new SQLite file with the schema and demo data, or else what a start needs (code
// tables, parameters with this year, the top unit and the operator admin); false with the
// reason (and no half-made file left behind).
bool CreateSqliteFile(const QString& connectionString, bool demo, QString* error);

// Shows the dialog until a connection loads (then remembered) or the person cancels (null).
// Options other than the connection (year, operator, unit) are kept.
// `error`, when given, says at once why the connection it starts from failed.
std::unique_ptr<HostContext> AskForConnection(const HostOptions& options, const QString& initial,
                                              const QString& error, QWidget* parent);
