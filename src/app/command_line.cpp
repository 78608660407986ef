#include "app/command_line.h"

#include <QCommandLineParser>

#include "app/qt_text.h"
#include "base/file_facts.h"

#ifndef VN340_VERSION
#error "the build passes the program's version as VN340_VERSION"
#endif

namespace vn340 {
namespace {

// Options the window system takes from the command line itself; declared so that they are not
// refused as unknown, hidden from the help, and left in argv for QApplication to consume.
constexpr char kWindowSystemOptionsWithValue[] =
    "platform platformpluginpath platformtheme plugin qwindowgeometry geometry qwindowtitle "
    "title qwindowicon display name session style stylesheet";
constexpr char kWindowSystemFlags[] = "reverse widgetcount nograb dograb";

QCommandLineOption hiddenOption(const QString& name, const QString& valueName) {
    QCommandLineOption option(name, QString(), valueName);
    option.setFlags(QCommandLineOption::HiddenFromHelp);
    return option;
}

QString usageHint() {
    return QStringLiteral("Try '%1 --help' for the options.\n").arg(QLatin1String(kProgramName));
}

}  // namespace

QString programVersion() {
    return QStringLiteral(VN340_VERSION);
}

QStringList argumentsOf(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    return arguments;
}

CommandLineRequest parseCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    // Qt's own options are written with one dash ("-style fusion"); so may ours be.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(
        QStringLiteral("Reads, edits and stores the settings of the Tarvel RC vn340 tail-rotor "
                       "gyro\nthrough the Vexa-Plug programming adapter."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show these options and end."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Show the program's version and end."));
    const QCommandLineOption demo(
        QStringLiteral("demo"),
        QStringLiteral("Try the program without a gyro: a simulated gyro answers behind a "
                       "simulated USB adapter, and your preferences stay untouched."));
    parser.addOptions({help, version, demo});
    parser.addPositionalArgument(
        QStringLiteral("FILE"),
        QStringLiteral("A settings file (*.tsf) to load, as \"Load from file\" would; when the "
                       "program is already running, its window loads it."),
        QStringLiteral("[FILE]"));
    for (const QString& name : QString::fromLatin1(kWindowSystemOptionsWithValue).split(u' ')) {
        parser.addOption(hiddenOption(name, QStringLiteral("value")));
    }
    for (const QString& name : QString::fromLatin1(kWindowSystemFlags).split(u' ')) {
        parser.addOption(hiddenOption(name, QString()));
    }

    CommandLineRequest request;
    const QString name = QLatin1String(kProgramName);
    if (!parser.parse(arguments)) {
        request.exitStatus = kUsageExitStatus;
        request.error = name + QStringLiteral(": ") + parser.errorText() + u'\n' + usageHint();
        return request;
    }
    if (parser.isSet(help)) {
        request.exitStatus = 0;
        request.output = parser.helpText().replace(QStringLiteral("<executable_name>"), name);
        return request;
    }
    if (parser.isSet(version)) {
        request.exitStatus = 0;
        request.output = name + u' ' + programVersion() + u'\n';
        return request;
    }
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1) {
        request.exitStatus = kUsageExitStatus;
        request.error =
            QStringLiteral("%1: unexpected argument '%2'.\n").arg(name, files.at(1)) + usageHint();
        return request;
    }
    request.options.demo = parser.isSet(demo);
    if (!files.isEmpty()) {
        request.options.file = fromStd(absolutePath(files.constFirst().toStdString()));
    }
    return request;
}

}  // namespace vn340
