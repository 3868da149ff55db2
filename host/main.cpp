// The desktop host: builds the working context from the database, loads the plug-in and
// opens its window on request.
#include "host/HostConnection.h"
#include "host/HostContext.h"
#include "host/HostWindow.h"
#include "platform/untApplication.h"
#include "platform/untMessageBox.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QTimer>
#include <QTranslator>
#include <cstdio>

namespace
{
bool Offscreen()
{
    return QGuiApplication::platformName() == QLatin1String("offscreen");
}

void Fail(const QString& text)
{
    std::fprintf(stderr, "vesperwald: %s\n", qPrintable(text));
}
} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vesperwald"));
    QApplication::setOrganizationName(QStringLiteral("Vesperwald"));
    // Qt's own texts (message-box buttons, edit menus) in Chinese.
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                     QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTexts);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Vesperwald 7.1 desktop host"));
    parser.addHelpOption();
    parser.addOptions({
        {"connection",
         "ADO-style connection string of the database (default: the one used last; the "
         "first start asks for one).",
         "string"},
        {"year", "Data year (default: the database's CurrentYear parameter).", "year"},
        {"user", "Operator code (default admin).", "code"},
        {"unit", "Budgeting unit code (default: the operator's unit).", "code"},
        {"open", "Window class to open at start, e.g. TbfrmQuindle.", "class"},
        {"screenshot", "Save the main window to FILE once start-up is complete, then quit.",
         "file"},
        {"plugin", "Path of libbQuindle.so (default: beside the executable).", "path"},
        {"trigger", "After --open, run the window's action of that name, e.g. tbtnAdd.", "action"},
    });
    parser.process(app);

    TApplication hostApp;
    TScreen hostScreen;
    Application = &hostApp;
    Screen = &hostScreen;
    const bool screenshot = parser.isSet("screenshot");
    if (screenshot)
        hostApp.SetMessageResponder([](const MessageRecord& m) {
            Fail(m.Caption + ": " + m.Text);
            return int(mrOk);
        });

    QString error;
    HostOptions options;
    if (parser.isSet("year") && !ParseDataYear(parser.value("year"), &options.Year, &error)) {
        // Refused, never replaced by a default year.
        Fail(error);
        if (!screenshot)
            ShowMessage(error, CaptionRefuse(), MsgIcon::Error);
        return 2;
    }
    options.User = parser.value("user");
    options.Unit = parser.value("unit");

    // The connection given, else the one used last; the first start (or a failed last one)
    // asks for one once the main window is up.
    const bool given = parser.isSet("connection");
    const QString initial = given ? parser.value("connection") : LastConnection();
    std::unique_ptr<HostContext> context;
    if (given && initial.isEmpty()) {
        error = QStringLiteral("没有指定数据库连接（--connection）。");
    } else if (!initial.isEmpty() && !(screenshot && !given)) {
        options.Connection = initial;
        context = std::make_unique<HostContext>();
        if (context->Load(options, &error))
            RememberConnection(initial);
        else
            context.reset();
    }
    const bool haveContext = context != nullptr;

    const QString plugin =
        parser.isSet("plugin")
            ? parser.value("plugin")
            : QDir(QCoreApplication::applicationDirPath()).filePath("libbQuindle.so");
    HostWindow window(nullptr, plugin);
    window.SetOptions(options);
    if (context)
        window.AdoptContext(std::move(context));
    hostApp.SetMainForm(&window);
    hostApp.SetMdiArea(window.MdiArea());
    if (Offscreen()) {
        window.resize(1280, 800);
        hostScreen.SetSize(1280, 800);
    } else {
        window.resize(1200, 760);
    }
    window.show();

    std::unique_ptr<ConnectionDialog> firstStart;
    if (!haveContext && given) {
        ShowMessage(error, CaptionInfo(), MsgIcon::Error);
        if (screenshot)
            return 1;
    } else if (!haveContext && screenshot) {
        // What a person sees at the first start, without waiting for an answer.
        firstStart = std::make_unique<ConnectionDialog>(QString(), &window);
        firstStart->show();
    } else if (!haveContext) {
        QTimer::singleShot(0, &window, [&window, initial, error] {
            Guarded(&window, [&] { window.Reconnect(initial, error); });
        });
    }
    if (parser.isSet("open") && haveContext) {
        if (!window.OpenPlugInWindow(parser.value("open"), &error)) {
            ShowMessage(error, CaptionInfo(), MsgIcon::Error);
            if (screenshot)
                return 1;
        }
    }
    if (screenshot) {
        // Taken once start-up is done; a dialog opened by --trigger is in the picture too.
        const QString file = parser.value("screenshot");
        QTimer::singleShot(600, &window, [&window, file] {
            const bool saved = window.GrabWithDialogs().save(file);
            if (!saved)
                Fail(QStringLiteral("无法保存截图 %1").arg(file));
            QApplication::exit(saved ? 0 : 1);
        });
    }
    if (parser.isSet("trigger")) {
        const QString action = parser.value("trigger");
        QTimer::singleShot(100, &window, [&window, action] {
            if (!window.TriggerChildAction(action))
                Fail(QStringLiteral("没有名为%1的操作").arg(action));
        });
    }
    const int rc = app.exec();
    Application = nullptr;
    Screen = nullptr;
    return rc;
}
