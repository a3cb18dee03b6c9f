// quillon-cli: the photo engine from the command line, with the options the
// window stored in config.ini.
#include "files/mMain.h"
#include "platform/ExecutableInfo.h"
#include "platform/ProcessSetup.h"
#include "platform/RuntimeError.h"
#include "workflow/PhotoEngine.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>

#include <cstdio>

namespace {

const char* const usageText = "Usage:\n"
                              "  quillon-cli batch FOLDER [--target DIR] [--filter TYPE] [--no-date] [--config FILE]\n"
                              "      Stamps, scales and saves every JPEG of FOLDER's sub-folders (or of FOLDER\n"
                              "      itself when it has none) into DIR/Images and DIR/Miniatures, with the\n"
                              "      stored options; --filter applies filter TYPE 1 to 8 (Blur, Blur More,\n"
                              "      Soften, Soften More, Sharpen, Sharpen More, Unsharp, Emboss) to each photo.\n"
                              "      Exits 0 when every photo was written, 1 when some failed.\n"
                              "  quillon-cli exif PHOTO [--config FILE]\n"
                              "      Prints the photo's EXIF tags.\n"
                              "  quillon-cli date PHOTO [--format FMT] [--config FILE]\n"
                              "      Prints the photo's date as the stamp shows it.\n"
                              "Options are read from config.ini beside the program unless --config names\n"
                              "another file; a missing file means every default. Nothing is written to it.\n";

void print(const QString& text, FILE* stream = stdout)
{
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
}

int usage(const QString& problem)
{
    print(QStringLiteral("quillon-cli: %1\n").arg(problem), stderr);
    std::fputs(usageText, stderr);
    return 2;
}

struct Arguments {
    QString command;
    QString path;
    QString target;
    QString format;
    bool formatGiven = false;
    QString config;
    int filter = 0;
    bool noDate = false;
};

// Nothing, with a message already printed, when the arguments do not fit.
std::optional<Arguments> parse(const QStringList& args, QString& problem)
{
    Arguments result;
    if (args.size() < 2) {
        problem = QStringLiteral("a command and its argument are needed");
        return std::nullopt;
    }
    result.command = args[0];
    if (result.command != QLatin1String("batch") && result.command != QLatin1String("exif")
        && result.command != QLatin1String("date")) {
        problem = QStringLiteral("unknown command \"%1\"").arg(result.command);
        return std::nullopt;
    }
    result.path = args[1];
    for (qsizetype i = 2; i < args.size(); ++i) {
        const QString& option = args[i];
        auto value = [&]() -> std::optional<QString> {
            if (i + 1 >= args.size()) return std::nullopt;
            return args[++i];
        };
        const bool isBatch = result.command == QLatin1String("batch");
        std::optional<QString> given;
        if (option == QLatin1String("--config") && (given = value())) {
            result.config = *given;
        } else if (isBatch && option == QLatin1String("--target") && (given = value())) {
            result.target = *given;
        } else if (isBatch && option == QLatin1String("--filter") && (given = value())) {
            bool ok = false;
            result.filter = given->toInt(&ok);
            if (!ok || result.filter < 1 || result.filter > 8) {
                problem = QStringLiteral("--filter takes a filter type from 1 to 8");
                return std::nullopt;
            }
        } else if (isBatch && option == QLatin1String("--no-date")) {
            result.noDate = true;
        } else if (result.command == QLatin1String("date") && option == QLatin1String("--format")
            && (given = value())) {
            result.format = *given;
            result.formatGiven = true;
        } else {
            problem = QStringLiteral("unexpected argument \"%1\"").arg(option);
            return std::nullopt;
        }
    }
    return result;
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

int runBatch(const Arguments& args, SettingsRecord& settings, const QString& configPath)
{
    if (!QFileInfo(args.path).isDir()) return usage(QStringLiteral("\"%1\" is not a folder").arg(args.path));
    ConsoleHost host;
    PhotoEngine engine(settings, &host);
    if (!args.target.isEmpty()) settings.TargetFolder = QFileInfo(args.target).absoluteFilePath();
    settings.BatchFilter = args.filter != 0;
    if (args.filter != 0) settings.CurrentFilter = args.filter;
    engine.Controls.ShowDate = !args.noDate;
    // The stamp where the window left it, over the preview at the viewport's
    // top-left corner.
    engine.Controls.Image1.Left = 0;
    engine.Controls.Image1.Top = 0;
    engine.Controls.Label1.Top = mMain::ReadIniSingle(configPath, QStringLiteral("LABEL"), QStringLiteral("top"), 0);
    engine.Controls.Label1.Left = mMain::ReadIniSingle(configPath, QStringLiteral("LABEL"), QStringLiteral("left"), 0);
    engine.ApplyDateStyle();

    const BatchReport report = engine.BatchTransform(QFileInfo(args.path).absoluteFilePath());
    print(report.summaryText() + QLatin1Char('\n'));
    return report.succeeded() ? 0 : 1;
}

} // namespace

// Qt's complaint about a missing runtime folder means nothing to a tool
// that never opens a window; everything else is shown.
void quietMessages(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR"))) return;
    print(qFormatLogMessage(type, context, message) + QLatin1Char('\n'), stderr);
}

int main(int argc, char* argv[])
{
    ProcessSetup::init();
    qInstallMessageHandler(quietMessages);
    // Fonts for the stamp need a GUI application, but no screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    QString problem;
    const std::optional<Arguments> args = parse(app.arguments().mid(1), problem);
    if (!args) return usage(problem);

    const QString configPath = args->config.isEmpty() ? mMain::DefaultIniPath() : args->config;
    SettingsRecord& settings = mMain::settings();
    mMain::LoadSettingsRecord(configPath, settings);

    try {
        if (args->command == QLatin1String("batch")) return runBatch(*args, settings, configPath);

        if (!QFileInfo(args->path).isFile()) {
            print(QStringLiteral("quillon-cli: \"%1\" is not a file\n").arg(args->path), stderr);
            return 1;
        }
        PhotoEngine engine(settings);
        engine.SetPhotoPaths(QFileInfo(args->path).absoluteFilePath(), ExecutableInfo::folder());
        engine.ReadExif();
        if (args->command == QLatin1String("exif")) {
            print(engine.ExifText);
        } else {
            if (args->formatGiven) settings.DateFormat = args->format;
            print(engine.ComputeDateText() + QLatin1Char('\n'));
        }
        return 0;
    } catch (const RuntimeError& error) {
        print(QStringLiteral("quillon-cli: %1\n").arg(error.fullText()), stderr);
        return 1;
    }
}
