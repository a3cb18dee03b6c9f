// quillon-cli: the photo engine from the command line, with the options the
// window stored in config.ini.
//
// What it prints is a contract (see the README): per-photo lines and the
// summary on standard output, errors and warnings on standard error; exit 0
// when everything was written, 1 when some photo failed, 2 for bad
// arguments.
#include "files/mMain.h"
#include "platform/ExecutableInfo.h"
#include "platform/ProcessSetup.h"
#include "platform/RuntimeError.h"
#include "workflow/PhotoEngine.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>

#include <algorithm>
#include <cstdio>
#include <optional>

namespace {

const QString ProgramName = QStringLiteral("quillon-cli");

enum ExitCode { Done = 0, SomeFailed = 1, BadArguments = 2 };

void print(const QString& text, FILE* stream = stdout)
{
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
}

// An error or a warning: one line on standard error.
void complain(const QString& text)
{
    print(ProgramName + QStringLiteral(": ") + text + QLatin1Char('\n'), stderr);
}

// What a sub-command's run needs: its parsed arguments, its one path
// argument, and the settings it works with.
struct Invocation {
    const QCommandLineParser& parser;
    QString path;
    SettingsRecord& settings;
    QString configPath;
};

struct Command {
    QString name;
    QString argument; // the one positional argument, "FOLDER" or "PHOTO"
    QString summary; // one line, for the list of commands
    QString details; // the paragraph of its own help
    QList<QCommandLineOption> options; // besides --config and --help
    int (*run)(const Invocation&);
};

// Options every command takes.
QCommandLineOption configOption()
{
    return QCommandLineOption(QStringLiteral("config"),
        QStringLiteral("Reads the options from FILE instead of config.ini beside the program."),
        QStringLiteral("FILE"));
}

QCommandLineOption helpOption()
{
    return QCommandLineOption({ QStringLiteral("h"), QStringLiteral("help") }, QStringLiteral("Shows this help."));
}

const QList<Command>& commands();

const Command* findCommand(const QString& name)
{
    for (const Command& command : commands())
        if (command.name == name) return &command;
    return nullptr;
}

QList<QCommandLineOption> optionsOf(const Command& command)
{
    return command.options + QList<QCommandLineOption> { configOption(), helpOption() };
}

// "--target DIR" or "-h, --help".
QString optionText(const QCommandLineOption& option)
{
    QStringList names;
    for (const QString& name : option.names())
        names << (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
    QString text = names.join(QStringLiteral(", "));
    if (!option.valueName().isEmpty()) text += QLatin1Char(' ') + option.valueName();
    return text;
}

// "Usage: quillon-cli batch FOLDER [--target DIR] ..."
QString synopsis(const Command& command)
{
    QString text = QStringLiteral("Usage: %1 %2 %3").arg(ProgramName, command.name, command.argument);
    for (const QCommandLineOption& option : optionsOf(command))
        if (option.names() != helpOption().names()) text += QStringLiteral(" [%1]").arg(optionText(option));
    return text + QLatin1Char('\n');
}

// Rows of two columns, the first padded to the widest, the second wrapped
// at blanks to fit 79 columns.
QString table(const QList<QPair<QString, QString>>& rows)
{
    qsizetype width = 0;
    for (const auto& row : rows)
        width = std::max(width, row.first.size());
    const qsizetype indent = 2 + width + 2;
    const qsizetype room = std::max<qsizetype>(79 - indent, 20);
    QString text;
    for (const auto& row : rows) {
        QString line = QStringLiteral("  %1  ").arg(row.first.leftJustified(width));
        qsizetype used = 0;
        for (const QString& word : row.second.split(QLatin1Char(' '))) {
            if (used > 0 && used + 1 + word.size() > room) {
                text += line + QLatin1Char('\n');
                line = QString(indent, QLatin1Char(' '));
                used = 0;
            }
            if (used > 0) {
                line += QLatin1Char(' ');
                ++used;
            }
            line += word;
            used += word.size();
        }
        text += line + QLatin1Char('\n');
    }
    return text;
}

const char* const settingsNote = "The options are read from config.ini beside the program, or from the file\n"
                                 "that --config names; a file that does not exist means every default.\n"
                                 "Nothing is written to it.\n";

QString programHelp()
{
    QList<QPair<QString, QString>> rows;
    for (const Command& command : commands())
        rows.append({ command.name + QLatin1Char(' ') + command.argument, command.summary });
    QString text = QStringLiteral("Usage: %1 COMMAND ARGUMENT [OPTIONS]\n"
                                  "       %1 help COMMAND\n"
                                  "       %1 --version\n\nCommands:\n")
                       .arg(ProgramName);
    text += table(rows);
    text += QStringLiteral("\nOptions:\n");
    text += table({ { QStringLiteral("-h, --help"), QStringLiteral("Shows this help.") },
        { QStringLiteral("--version"), QStringLiteral("Prints the version.") } });
    text += QLatin1Char('\n') + QLatin1String(settingsNote);
    text += QStringLiteral("\nPer-photo lines and summaries go to standard output, errors and warnings to\n"
                           "standard error. Exit status: 0 when everything was written, 1 when some photo\n"
                           "failed, 2 for bad arguments.\n");
    return text;
}

QString commandHelp(const Command& command)
{
    QList<QPair<QString, QString>> rows;
    for (const QCommandLineOption& option : optionsOf(command))
        rows.append({ optionText(option), option.description() });
    return synopsis(command) + QLatin1Char('\n') + command.details + QStringLiteral("\nOptions:\n") + table(rows)
        + QLatin1Char('\n') + QLatin1String(settingsNote);
}

// The arguments do not fit: the problem, the usage in short and where to
// find more, on standard error.
int badArguments(const QString& problem, const Command* command = nullptr)
{
    complain(problem);
    if (command) {
        print(synopsis(*command), stderr);
        print(QStringLiteral("Run '%1 %2 --help' for more.\n").arg(ProgramName, command->name), stderr);
    } else {
        print(QStringLiteral("Usage: %1 COMMAND ARGUMENT [OPTIONS]\n").arg(ProgramName), stderr);
        print(QStringLiteral("Run '%1 --help' for the commands.\n").arg(ProgramName), stderr);
    }
    return BadArguments;
}

// What the parser could not take, in the words of this program: an unknown
// option named as it is written.
QString parseProblem(const QCommandLineParser& parser)
{
    const QStringList unknown = parser.unknownOptionNames();
    if (unknown.isEmpty()) return parser.errorText();
    const QString& name = unknown.constFirst();
    return QStringLiteral("unknown option \"%1%2\"")
        .arg(name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--"), name);
}

// A parser that reads "-name" as "--name" rather than as single letters,
// so that an unknown option is named as it was typed.
void prepare(QCommandLineParser& parser)
{
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
}

// Prints a line as each photo starts.
class ConsoleHost : public PhotoEngineHost {
public:
    bool BatchStep(int done, int total, const QString& path) override
    {
        if (!path.isEmpty())
            print(QStringLiteral("[%1/%2] %3\n").arg(done + 1).arg(total).arg(QDir::toNativeSeparators(path)));
        return true;
    }
};

int runBatch(const Invocation& call)
{
    const Command& batch = *findCommand(QStringLiteral("batch"));
    int filter = 0;
    if (call.parser.isSet(QStringLiteral("filter"))) {
        bool ok = false;
        filter = call.parser.value(QStringLiteral("filter")).toInt(&ok);
        if (!ok || filter < 1 || filter > 8)
            return badArguments(QStringLiteral("--filter takes a filter type from 1 to 8"), &batch);
    }
    if (!QFileInfo(call.path).isDir())
        return badArguments(QStringLiteral("\"%1\" is not a folder").arg(call.path), &batch);

    SettingsRecord& settings = call.settings;
    const QString target = call.parser.value(QStringLiteral("target"));
    if (!target.isEmpty()) settings.TargetFolder = QFileInfo(target).absoluteFilePath();
    settings.BatchFilter = filter != 0;
    if (filter != 0) settings.CurrentFilter = filter;

    ConsoleHost host;
    PhotoEngine engine(settings, &host);
    PhotoControls& controls = engine.Controls();
    controls.ShowDate = !call.parser.isSet(QStringLiteral("no-date"));
    // The stamp where the window left it, over the preview at the viewport's
    // top-left corner.
    controls.Image1.Left = 0;
    controls.Image1.Top = 0;
    controls.Label1.Top = mMain::ReadIniSingle(call.configPath, QStringLiteral("LABEL"), QStringLiteral("top"), 0);
    controls.Label1.Left = mMain::ReadIniSingle(call.configPath, QStringLiteral("LABEL"), QStringLiteral("left"), 0);
    engine.ApplyDateStyle();

    const BatchReport report = engine.BatchTransform(QFileInfo(call.path).absoluteFilePath());
    for (const QString& line : report.problemLines())
        complain(line);
    print(report.countText() + QLatin1Char('\n'));
    return report.succeeded() ? Done : SomeFailed;
}

// The photo's EXIF record, read through an engine of its own; nothing (and
// a complaint) when the path names no file.
std::optional<QString> readPhoto(const Invocation& call, PhotoEngine& engine)
{
    if (!QFileInfo(call.path).isFile()) {
        complain(QStringLiteral("\"%1\" is not a file").arg(call.path));
        return std::nullopt;
    }
    engine.SetPhotoPaths(QFileInfo(call.path).absoluteFilePath(), ExecutableInfo::folder());
    engine.ReadExif();
    return engine.Photo().ExifText();
}

int runExif(const Invocation& call)
{
    PhotoEngine engine(call.settings);
    const std::optional<QString> text = readPhoto(call, engine);
    if (!text) return SomeFailed;
    print(*text);
    return Done;
}

int runDate(const Invocation& call)
{
    if (call.parser.isSet(QStringLiteral("format")))
        call.settings.DateFormat = call.parser.value(QStringLiteral("format"));
    PhotoEngine engine(call.settings);
    if (!readPhoto(call, engine)) return SomeFailed;
    print(engine.ComputeDateText() + QLatin1Char('\n'));
    return Done;
}

// The sub-commands and their options. A new option is one more entry here,
// and one more read of it in the command's run.
const QList<Command>& commands()
{
    static const QList<Command> table {
        { QStringLiteral("batch"), QStringLiteral("FOLDER"),
            QStringLiteral("Stamps, scales and saves every JPEG of FOLDER's sub-folders."),
            QStringLiteral("Treats every JPEG of FOLDER's immediate sub-folders (of FOLDER itself when it has\n"
                           "none) as the window's batch does, with the stored scale, quality, thumbnail rule\n"
                           "and date style, the stamp at the stored position. Outputs go to\n"
                           "DIR/Images/<folder name>/, thumbnails to DIR/Miniatures/<folder name>/.\n"
                           "Prints a line as each photo starts, then the count of photos treated; each\n"
                           "failure goes to standard error with its reason, and the other photos are still\n"
                           "written.\n"),
            {
                QCommandLineOption(QStringLiteral("target"),
                    QStringLiteral("Writes below DIR instead of the stored batch target."), QStringLiteral("DIR")),
                QCommandLineOption(QStringLiteral("filter"),
                    QStringLiteral("Applies filter TYPE, 1 to 8, to each photo: Blur, Blur More, Soften, Soften More, "
                                   "Sharpen, Sharpen More, Unsharp, Emboss."),
                    QStringLiteral("TYPE")),
                QCommandLineOption(QStringLiteral("no-date"), QStringLiteral("Leaves the date stamp out.")),
            },
            &runBatch },
        { QStringLiteral("exif"), QStringLiteral("PHOTO"), QStringLiteral("Prints the photo's EXIF tags."),
            QStringLiteral("Prints the photo's EXIF tags, one \"name: value\" line each.\n"), {}, &runExif },
        { QStringLiteral("date"), QStringLiteral("PHOTO"),
            QStringLiteral("Prints the photo's date as the stamp shows it."),
            QStringLiteral("Prints when the photo was taken (DateTimeOriginal, else DateTimeDigitized, else\n"
                           "DateTime) as the stamp shows it, in the stored date format.\n"),
            {
                QCommandLineOption(QStringLiteral("format"),
                    QStringLiteral("Uses format FMT instead of the stored one, for example \"DDDD DD MMMM YYYY\"."),
                    QStringLiteral("FMT")),
            },
            &runDate },
    };
    return table;
}

int runCommand(const Command& command, const QString& program, const QStringList& arguments)
{
    QCommandLineParser parser;
    prepare(parser);
    parser.addOptions(optionsOf(command));
    if (!parser.parse(QStringList { program } + arguments)) return badArguments(parseProblem(parser), &command);
    if (parser.isSet(QStringLiteral("help"))) {
        print(commandHelp(command));
        return Done;
    }
    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty())
        return badArguments(QStringLiteral("%1 needs a %2").arg(command.name, command.argument), &command);
    if (positional.size() > 1)
        return badArguments(QStringLiteral("unexpected argument \"%1\"").arg(positional[1]), &command);

    const QString configPath
        = parser.isSet(QStringLiteral("config")) ? parser.value(QStringLiteral("config")) : mMain::DefaultIniPath();
    SettingsRecord settings;
    mMain::LoadSettingsRecord(configPath, settings);
    try {
        return command.run({ parser, positional[0], settings, configPath });
    } catch (const RuntimeError& error) {
        complain(error.fullText());
        return SomeFailed;
    }
}

// Qt's complaint about a missing runtime folder means nothing to a tool
// that never opens a window; everything else is shown.
void quietMessages(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR"))) return;
    print(qFormatLogMessage(type, context, message) + QLatin1Char('\n'), stderr);
}

} // namespace

int main(int argc, char* argv[])
{
    ProcessSetup::init();
    qInstallMessageHandler(quietMessages);
    // Fonts for the stamp need a GUI application, but no screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    // The program's own options, up to the command; what follows the command
    // is the command's to parse.
    QCommandLineParser parser;
    prepare(parser);
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    const QCommandLineOption version(QStringLiteral("version"));
    parser.addOptions({ helpOption(), version });
    const QStringList arguments = app.arguments();
    if (!parser.parse(arguments)) return badArguments(parseProblem(parser));
    if (parser.isSet(version)) {
        print(QStringLiteral("%1 %2\n").arg(ProgramName, ExecutableInfo::version()));
        return Done;
    }
    QStringList rest = parser.positionalArguments();
    const bool helpCommand = rest.value(0) == QLatin1String("help");
    if (helpCommand) rest.removeFirst();
    if (helpCommand || parser.isSet(QStringLiteral("help"))) {
        if (rest.isEmpty()) {
            print(programHelp());
            return Done;
        }
        const Command* command = findCommand(rest[0]);
        if (!command || rest.size() > 1)
            return badArguments(QStringLiteral("no help for \"%1\"").arg(rest.join(QLatin1Char(' '))));
        print(commandHelp(*command));
        return Done;
    }
    if (rest.isEmpty()) return badArguments(QStringLiteral("a command is needed"));
    const Command* command = findCommand(rest[0]);
    if (!command) return badArguments(QStringLiteral("unknown command \"%1\"").arg(rest[0]));
    return runCommand(*command, arguments.value(0), rest.mid(1));
}
