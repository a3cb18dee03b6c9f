// quillon-cli: the photo engine from the command line, with the options the
// window stored in config.ini.
//
// What it prints is a contract (see the README): per-photo lines and the
// summary on standard output, errors and warnings on standard error; exit 0
// when everything was written, 1 when some photo failed, 2 for bad
// arguments.
#include "files/SettingsFile.h"
#include "imaging/PhotoEffect.h"
#include "platform/AppLocations.h"
#include "platform/BgrColor.h"
#include "platform/ClockShift.h"
#include "platform/ExecutableInfo.h"
#include "platform/ProcessSetup.h"
#include "platform/RuntimeError.h"
#include "platform/StampTemplate.h"
#include "platform/Twips.h"
#include "workflow/PhotoEngine.h"
#include "workflow/StampPreset.h"

#include <QColor>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QFont>
#include <QGuiApplication>
#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <optional>
#include <tuple>
#include <unistd.h>

namespace {

const QString ProgramName = QStringLiteral("quillon-cli");

enum ExitCode { Done = 0, SomeFailed = 1, BadArguments = 2 };

// More photos in flight than this would only share the cores and multiply
// the memory.
constexpr int MaxJobs = 64;

// The largest --margin: a stamp this far in from two edges still fits.
constexpr int MaxMarginPercent = 50;

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

// Stored values that were not understood and gave way to their defaults,
// one line each: "quillon-cli: config.ini: JPG=0 is outside 1 to 100; 80 is
// used".
void complainAboutSettings(const QString& configPath, const QStringList& notes)
{
    for (const QString& note : notes)
        complain(QFileInfo(configPath).fileName() + QStringLiteral(": ") + note);
}

// What a sub-command's run needs: its parsed arguments, its one path
// argument, and the settings it works with.
struct Invocation {
    const QCommandLineParser& parser;
    QString path;
    Settings& settings;
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
        QStringLiteral("Reads the options from FILE instead of the window's config.ini."), QStringLiteral("FILE"));
}

// The camera clock's correction, for the stamp and the outputs' dates.
QCommandLineOption shiftOption()
{
    return QCommandLineOption(QStringLiteral("shift"),
        QStringLiteral("Adds +HH:MM or -HH:MM to the EXIF dates, for a camera clock that was wrong (hours may "
                       "exceed 24)."),
        QStringLiteral("(+|-)HH:MM"));
}

// The date format of the stamp and of what date prints.
QCommandLineOption formatOption()
{
    return QCommandLineOption(QStringLiteral("format"),
        QStringLiteral("Uses format FMT instead of the stored one, for example \"DDDD DD MMMM YYYY\"."),
        QStringLiteral("FMT"));
}

// What the stamp prints, for the batch and for what date prints.
QCommandLineOption templateOption()
{
    return QCommandLineOption(QStringLiteral("template"),
        QStringLiteral("Prints TEXT instead of the stored template: the photo's fields in braces ({date}, "
                       "{date:FMT}, {camera}, {lens}, {exposure}, {aperture}, {iso}, {focal}, {file}, {folder}, "
                       "{size}), a fallback after | ({lens|no lens}), text in [ ] printed only when its fields are "
                       "([ISO {iso}]), \\n between two lines."),
        QStringLiteral("TEXT"));
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

// "Usage: quillon-cli batch FOLDER [--target DIR] ...", wrapped to fit 79
// columns under the first option.
QString synopsis(const Command& command)
{
    QString line = QStringLiteral("Usage: %1 %2 %3").arg(ProgramName, command.name, command.argument);
    const qsizetype indent = line.indexOf(command.argument);
    QString text;
    for (const QCommandLineOption& option : optionsOf(command)) {
        if (option.names() == helpOption().names()) continue;
        const QString item = QStringLiteral("[%1]").arg(optionText(option));
        if (line.size() + 1 + item.size() > 79) {
            text += line + QLatin1Char('\n');
            line = QString(indent, QLatin1Char(' ')) + item;
        } else {
            line += QLatin1Char(' ') + item;
        }
    }
    return text + line + QLatin1Char('\n');
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

const char* const settingsNote = "The options are read from the window's config.ini, or from the file that\n"
                                 "--config names; a file that does not exist means every default. Nothing is\n"
                                 "written to it. The window keeps config.ini beside the program, or, when it is\n"
                                 "installed or may not write there, in ~/.config/quillon ($XDG_CONFIG_HOME).\n";

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
    return QStringLiteral("unknown option %1")
        .arg(BatchReport::quoted((name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name));
}

// A parser that reads "-name" as "--name" rather than as single letters,
// so that an unknown option is named as it was typed.
void prepare(QCommandLineParser& parser)
{
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
}

// "0:42" or "1:05:09".
QString durationText(double seconds)
{
    const auto whole = static_cast<long long>(std::ceil(seconds));
    const long long h = whole / 3600, m = whole / 60 % 60, sec = whole % 60;
    const QString tail = QStringLiteral("%1").arg(sec, 2, 10, QLatin1Char('0'));
    return h > 0 ? QStringLiteral("%1:%2:%3").arg(h).arg(m, 2, 10, QLatin1Char('0')).arg(tail)
                 : QStringLiteral("%1:%2").arg(m).arg(tail);
}

// Set by the first Ctrl-C (or SIGTERM) during a batch; a second one ends
// the program at once, as usual.
volatile std::sig_atomic_t interrupted = 0;

void interrupt(int)
{
    interrupted = 1;
}

// For as long as it lives, an interruption asks the batch to stop: no photo
// starts any more, and those under way are given up or finish whole.
class InterruptStops {
public:
    InterruptStops()
    {
        struct sigaction action { };
        action.sa_handler = interrupt;
        action.sa_flags = SA_RESETHAND;
        sigemptyset(&action.sa_mask);
        for (int signal : { SIGINT, SIGTERM })
            ::sigaction(signal, &action, nullptr);
    }
    ~InterruptStops()
    {
        for (int signal : { SIGINT, SIGTERM })
            std::signal(signal, SIG_DFL);
    }
    InterruptStops(const InterruptStops&) = delete;
    InterruptStops& operator=(const InterruptStops&) = delete;
};

// What the batch shows as it goes: a line per photo on standard output, in
// batch order; or, on a terminal, one line on standard error that is
// rewritten as photos get done: "[n/N] 3.2 photos/s, 0:42 left". It stops
// the batch when the user interrupts it.
class ConsoleListener : public BatchListener {
public:
    ConsoleListener(bool lines, bool progressLine, bool warnings)
        : m_lines(lines)
        , m_progressLine(progressLine)
        , m_warnings(warnings)
    {
    }

    bool started(const BatchPlan& plan) override
    {
        if (const int left = plan.photosLeftInFolder(); left > 0 && m_warnings)
            complain(QStringLiteral("%1 in %2 itself %3 not treated because it has sub-folders; use --recursive")
                         .arg(left == 1 ? QStringLiteral("1 photo") : QStringLiteral("%1 photos").arg(left),
                             BatchReport::shownName(plan.folder()),
                             left == 1 ? QStringLiteral("is") : QStringLiteral("are")));
        m_total = static_cast<int>(plan.photos().size());
        m_toTreat = plan.count(BatchPlan::Action::Treat);
        m_start = std::chrono::steady_clock::now();
        if (m_progressLine) showProgress(0, 0);
        return interrupted == 0;
    }

    bool photoDone(const BatchPlan::photo& photo, const BatchOutcome& outcome, int done, int total) override
    {
        const bool skipped = outcome.kind == BatchOutcome::Kind::Skipped;
        if (m_lines) {
            print(QStringLiteral("[%1/%2] %3%4\n")
                      .arg(done)
                      .arg(total)
                      .arg(BatchReport::shownName(photo.path), skipped ? QStringLiteral(" (skipped)") : QString()));
            std::fflush(stdout);
        }
        if (photo.action == BatchPlan::Action::Treat) ++m_worked;
        if (m_progressLine) showProgress(done, m_worked);
        return interrupted == 0;
    }

    bool waiting() override { return interrupted == 0; }

    // Takes the progress line away, before the failures and the summary.
    void finish() const
    {
        if (m_progressLine) print(QStringLiteral("\r\033[K"), stderr);
    }

private:
    void showProgress(int done, int worked) const
    {
        QString text = QStringLiteral("[%1/%2]").arg(done).arg(m_total);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
        if (worked > 0 && seconds > 0) {
            const double rate = worked / seconds;
            text += QStringLiteral(" %1 photos/s, %2 left")
                        .arg(rate, 0, 'f', 1)
                        .arg(durationText(std::max(0, m_toTreat - worked) / rate));
        }
        print(QStringLiteral("\r") + text + QStringLiteral("\033[K"), stderr);
    }

    bool m_lines;
    bool m_progressLine;
    bool m_warnings;
    int m_total = 0;
    int m_toTreat = 0; // photos to treat: not the skipped or refused ones
    int m_worked = 0;
    std::chrono::steady_clock::time_point m_start;
};

// "K/N" with 1 <= K <= N.
std::optional<std::pair<int, int>> parseShard(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char('/'));
    if (parts.size() != 2) return std::nullopt;
    bool kOk = false, nOk = false;
    const int k = parts[0].toInt(&kOk);
    const int n = parts[1].toInt(&nOk);
    if (!kOk || !nOk || k < 1 || k > n) return std::nullopt;
    return std::pair { k, n };
}

// A number as options write it: digits with "." as the decimal point.
std::optional<double> decimalValue(const QString& text)
{
    static const QRegularExpression pattern(QStringLiteral(R"(^\d+(\.\d+)?$)"));
    if (!pattern.match(text).hasMatch()) return std::nullopt;
    return QLocale::c().toDouble(text);
}

// --shift, where the command has it: the camera clock's correction. The
// problem in words when its value does not read.
std::optional<QString> readShift(const QCommandLineParser& parser, Settings& settings)
{
    if (!parser.isSet(QStringLiteral("shift"))) return std::nullopt;
    const auto minutes = ClockShift::fromText(parser.value(QStringLiteral("shift")));
    if (!minutes) return QStringLiteral("--shift takes +HH:MM or -HH:MM, hours up to %1").arg(ClockShift::MaxHours);
    settings.shiftMinutes = *minutes;
    return std::nullopt;
}

// The date of a photo without one of its own, where the command has
// --fallback-date: none, name, file, or name,file (the name, then the
// file's time).
QCommandLineOption fallbackDateOption()
{
    return QCommandLineOption(QStringLiteral("fallback-date"),
        QStringLiteral("For a photo whose EXIF and XMP hold no date: none (no stamp), name (the date its file "
                       "name says, such as IMG_20190712_153045.jpg), file (its modification time), or name,file "
                       "(the name, else the file's time)."),
        QStringLiteral("none|name|file|name,file"));
}

std::optional<QString> readFallbackDate(const QCommandLineParser& parser, Settings& settings)
{
    if (!parser.isSet(QStringLiteral("fallback-date"))) return std::nullopt;
    static const QStringList choices { QStringLiteral("none"), QStringLiteral("name"), QStringLiteral("file"),
        QStringLiteral("name,file") };
    const qsizetype choice = choices.indexOf(parser.value(QStringLiteral("fallback-date")));
    if (choice < 0) return QStringLiteral("--fallback-date takes none, name, file or name,file");
    settings.nameDateFallback = choice == 1 || choice == 3;
    settings.fileDateFallback = choice >= 2;
    return std::nullopt;
}

// --format, where the command has it: the stamp's date format.
void readFormat(const QCommandLineParser& parser, Settings& settings)
{
    if (parser.isSet(QStringLiteral("format"))) settings.dateFormat = parser.value(QStringLiteral("format"));
}

// --template, where the command has it; the problem in words when the
// text is no template.
std::optional<QString> readTemplate(const QCommandLineParser& parser, Settings& settings)
{
    if (!parser.isSet(QStringLiteral("template"))) return std::nullopt;
    const QString text = parser.value(QStringLiteral("template"));
    QString problem;
    if (!StampTemplate::parse(text, &problem)) return QStringLiteral("--template: %1").arg(problem);
    settings.stampTemplate = text;
    return std::nullopt;
}

// A whole number as options write it (digits, a sign before them when
// wanted), from low to high.
std::optional<int> integerValue(const QString& text, int low, int high)
{
    static const QRegularExpression pattern(QStringLiteral(R"(^[-+]?\d{1,9}$)"));
    if (!pattern.match(text).hasMatch()) return std::nullopt;
    const int value = text.toInt();
    if (value < low || value > high) return std::nullopt;
    return value;
}

// A colour as options write it, #RRGGBB or a name such as "orange", as
// config.ini keeps it (0x00BBGGRR).
std::optional<int32_t> colourValue(const QString& text)
{
    static const QRegularExpression pattern(QStringLiteral("^(#[0-9A-Fa-f]{6}|[A-Za-z]+)$"));
    if (!pattern.match(text).hasMatch()) return std::nullopt;
    // "transparent" is a name too, but a stamp has no see-through colour.
    const QColor colour = QColor::fromString(text);
    if (!colour.isValid() || colour.alpha() != 255) return std::nullopt;
    return static_cast<int32_t>(BgrColor::fromQColor(colour));
}

// The options for the outputs' scale, quality and thumbnail over the stored
// ones; the problem in words when a value does not read.
std::optional<QString> readOutputOptions(const QCommandLineParser& parser, Settings& settings)
{
    if (parser.isSet(QStringLiteral("scale"))) {
        const auto scale = decimalValue(parser.value(QStringLiteral("scale")));
        if (!scale || *scale <= 0 || *scale > 1)
            return QStringLiteral("--scale takes a scale above 0 and at most 1, such as 0.5");
        settings.previewScale = *scale;
    }
    if (parser.isSet(QStringLiteral("quality"))) {
        const auto quality = integerValue(
            parser.value(QStringLiteral("quality")), SettingsFile::MinJpegQuality, SettingsFile::MaxJpegQuality);
        if (!quality)
            return QStringLiteral("--quality takes a JPEG quality from %1 to %2")
                .arg(SettingsFile::MinJpegQuality)
                .arg(SettingsFile::MaxJpegQuality);
        settings.jpegQuality = *quality;
    }
    // One thumbnail rule: a height, a width or none.
    const QStringList rules { QStringLiteral("thumbnail-height"), QStringLiteral("thumbnail-width") };
    int given = parser.isSet(QStringLiteral("no-thumbnail")) ? 1 : 0;
    for (const QString& rule : rules)
        given += parser.isSet(rule) ? 1 : 0;
    if (given > 1) return QStringLiteral("--thumbnail-height, --thumbnail-width and --no-thumbnail exclude each other");
    if (parser.isSet(QStringLiteral("no-thumbnail"))) settings.thumbShow = false;
    for (const QString& rule : rules) {
        if (!parser.isSet(rule)) continue;
        const auto size
            = integerValue(parser.value(rule), SettingsFile::MinThumbnailSize, SettingsFile::MaxThumbnailSize);
        if (!size)
            return QStringLiteral("--%1 takes a number of pixels from %2 to %3")
                .arg(rule)
                .arg(SettingsFile::MinThumbnailSize)
                .arg(SettingsFile::MaxThumbnailSize);
        // The rule not given is 0, as when the window's option is chosen.
        const bool byHeight = rule == rules[0];
        settings.thumbShow = true;
        settings.thumbHeight = byHeight ? *size : 0;
        settings.thumbWidth = byHeight ? 0 : *size;
    }
    return std::nullopt;
}

// The options for the stamp's look (the date style dialog's: format, font,
// colours, offset) over the stored ones; the problem in words when a value
// does not read.
std::optional<QString> readStyleOptions(const QCommandLineParser& parser, Settings& settings)
{
    readFormat(parser, settings);
    if (const auto problem = readTemplate(parser, settings)) return problem;
    if (parser.isSet(QStringLiteral("font"))) {
        const QString font = parser.value(QStringLiteral("font")).trimmed();
        if (font.isEmpty()) return QStringLiteral("--font takes the name of a font");
        settings.dateFont = font;
    }
    if (parser.isSet(QStringLiteral("font-size"))) {
        const auto size = integerValue(
            parser.value(QStringLiteral("font-size")), SettingsFile::MinDateSize, SettingsFile::MaxDateSize);
        if (!size)
            return QStringLiteral("--font-size takes a size in points from %1 to %2")
                .arg(SettingsFile::MinDateSize)
                .arg(SettingsFile::MaxDateSize);
        settings.dateSize = *size;
    }
    if (parser.isSet(QStringLiteral("bold"))) settings.dateStyle.weight = QFont::Bold;
    settings.dateStyle.italic |= parser.isSet(QStringLiteral("italic"));
    settings.dateStyle.underline |= parser.isSet(QStringLiteral("underline"));
    settings.dateStyle.strikeOut |= parser.isSet(QStringLiteral("strikeout"));
    // The text is printed in the second colour over the first, its shadow.
    for (const auto& [name, colour] : { std::pair { QStringLiteral("colour"), &settings.dateColor2 },
             std::pair { QStringLiteral("shadow-colour"), &settings.dateColor1 } }) {
        if (!parser.isSet(name)) continue;
        const auto value = colourValue(parser.value(name));
        if (!value) return QStringLiteral("--%1 takes #RRGGBB or the name of a colour, such as orange").arg(name);
        *colour = *value;
    }
    if (parser.isSet(QStringLiteral("offset"))) {
        // The shadow's offset from the text; config.ini keeps the text's
        // offset from the shadow, in twips.
        constexpr int limit = SettingsFile::MaxDiffTwips / Twips::PerPixel;
        const QStringList xy = parser.value(QStringLiteral("offset")).split(QLatin1Char(','));
        const auto x = integerValue(xy.value(0), -limit, limit);
        const auto y = integerValue(xy.value(1), -limit, limit);
        if (xy.size() != 2 || !x || !y)
            return QStringLiteral("--offset takes X,Y in pixels, each from -%1 to %1, such as 2,2").arg(limit);
        settings.diffLeft = -*x * Twips::PerPixel;
        settings.diffTop = -*y * Twips::PerPixel;
    }
    return std::nullopt;
}

// The options for how the stamp is drawn and where (the look, the caption
// strip, auto-contrast) over the stored ones.
std::optional<QString> readLookOptions(const QCommandLineParser& parser, Settings& settings)
{
    if (parser.isSet(QStringLiteral("look"))) {
        const auto look = StampLooks::named(parser.value(QStringLiteral("look")));
        if (!look) return QStringLiteral("--look takes one of %1").arg(StampLooks::names().join(QStringLiteral(", ")));
        settings.stampLook = *look;
    }
    if (parser.isSet(QStringLiteral("strip")) && parser.isSet(QStringLiteral("no-strip")))
        return QStringLiteral("--strip and --no-strip exclude each other");
    if (parser.isSet(QStringLiteral("strip"))) settings.strip.show = true;
    if (parser.isSet(QStringLiteral("no-strip"))) settings.strip.show = false;
    if (parser.isSet(QStringLiteral("strip-height"))) {
        const auto percent = decimalValue(parser.value(QStringLiteral("strip-height")));
        if (!percent || *percent < CaptionStrip::MinHeightPercent || *percent > CaptionStrip::MaxHeightPercent)
            return QStringLiteral("--strip-height takes a percentage from %1 to %2")
                .arg(CaptionStrip::MinHeightPercent)
                .arg(CaptionStrip::MaxHeightPercent);
        settings.strip.show = !parser.isSet(QStringLiteral("no-strip"));
        settings.strip.heightPercent = *percent;
    }
    if (parser.isSet(QStringLiteral("strip-colour"))) {
        const auto colour = colourValue(parser.value(QStringLiteral("strip-colour")));
        if (!colour) return QStringLiteral("--strip-colour takes #RRGGBB or the name of a colour, such as white");
        settings.strip.color = *colour;
    }
    if (parser.isSet(QStringLiteral("auto-contrast"))) settings.autoContrast = true;
    return std::nullopt;
}

// The batch's options over the stored values; the problem in words when a
// value does not read.
std::optional<QString> readStampOptions(const QCommandLineParser& parser, Settings& settings)
{
    // A preset first, so that every other option changes what it set.
    if (parser.isSet(QStringLiteral("preset"))) {
        const auto preset = StampPreset::named(parser.value(QStringLiteral("preset")));
        if (!preset)
            return QStringLiteral("--preset takes one of %1").arg(StampPreset::names().join(QStringLiteral(", ")));
        if (const QString note = StampPreset::of(*preset).applyTo(settings); !note.isEmpty()) complain(note);
    }
    if (const auto problem = readOutputOptions(parser, settings)) return problem;
    if (const auto problem = readStyleOptions(parser, settings)) return problem;
    if (parser.isSet(QStringLiteral("stamp-height"))) {
        const auto percent = decimalValue(parser.value(QStringLiteral("stamp-height")));
        if (!percent || *percent < SettingsFile::MinStampHeightPercent
            || *percent > SettingsFile::MaxStampHeightPercent)
            return QStringLiteral("--stamp-height takes a percentage from 0.5 to 25");
        settings.stampHeightPercent = *percent;
    }
    if (parser.isSet(QStringLiteral("anchor"))) {
        const auto place = StampAnchoring::placeNamed(parser.value(QStringLiteral("anchor")));
        if (!place)
            return QStringLiteral("--anchor takes one of %1")
                .arg(StampAnchoring::placeNames().join(QStringLiteral(", ")));
        // At the place itself: a stored drag's offsets belong to the stored place.
        settings.anchoring = StampAnchoring { *place, settings.anchoring.marginPercent, 0, 0 };
    }
    if (parser.isSet(QStringLiteral("margin"))) {
        const auto percent = decimalValue(parser.value(QStringLiteral("margin")));
        if (!percent || *percent > MaxMarginPercent)
            return QStringLiteral("--margin takes a percentage from 0 to %1").arg(MaxMarginPercent);
        settings.anchoring.marginPercent = *percent;
    }
    if (const auto problem = readShift(parser, settings)) return problem;
    if (const auto problem = readLookOptions(parser, settings)) return problem;
    return readFallbackDate(parser, settings);
}

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
    std::vector<PhotoEffect> effects;
    for (const QString& list : call.parser.values(QStringLiteral("effect")))
        for (const QString& name : list.split(QLatin1Char(','))) {
            const std::optional<PhotoEffect> effect = PhotoEffects::named(name.trimmed());
            if (!effect)
                return badArguments(
                    QStringLiteral("%1 is no effect: --effect takes %2, or several joined by commas")
                        .arg(BatchReport::quoted(name), PhotoEffects::names().join(QStringLiteral(", "))),
                    &batch);
            effects.push_back(*effect);
        }
    BatchOptions options;
    if (call.parser.isSet(QStringLiteral("jobs"))) {
        bool ok = false;
        options.jobs = call.parser.value(QStringLiteral("jobs")).toInt(&ok);
        if (!ok || options.jobs < 1 || options.jobs > MaxJobs)
            return badArguments(QStringLiteral("--jobs takes a number of photos from 1 to %1").arg(MaxJobs), &batch);
    }
    if (call.parser.isSet(QStringLiteral("shard"))) {
        const auto shard = parseShard(call.parser.value(QStringLiteral("shard")));
        if (!shard) return badArguments(QStringLiteral("--shard takes K/N with 1 <= K <= N, such as 2/3"), &batch);
        std::tie(options.shard, options.shardCount) = *shard;
    }
    options.recursive = call.parser.isSet(QStringLiteral("recursive"));
    options.skipExisting = call.parser.isSet(QStringLiteral("skip-existing"));
    options.overwrite = call.parser.isSet(QStringLiteral("overwrite"));
    options.overwriteHint = QStringLiteral("use --overwrite to replace it");
    const bool verbose = call.parser.isSet(QStringLiteral("verbose"));
    const bool quiet = call.parser.isSet(QStringLiteral("quiet"));
    if (verbose && quiet) return badArguments(QStringLiteral("--verbose and --quiet exclude each other"), &batch);
    // Stamp only: what would change pixels beyond the stamp cannot come with it.
    const bool lossless = call.parser.isSet(QStringLiteral("lossless"));
    for (const QString& option : { QStringLiteral("scale"), QStringLiteral("filter"), QStringLiteral("effect"),
             QStringLiteral("strip"), QStringLiteral("strip-height") }) {
        if (lossless && call.parser.isSet(option))
            return badArguments(
                QStringLiteral("--lossless keeps every pixel but the stamp's: it cannot be given with --%1")
                    .arg(option),
                &batch);
    }
    if (!QFileInfo(call.path).isDir())
        return badArguments(QStringLiteral("%1 is not a folder").arg(BatchReport::quoted(call.path)), &batch);

    Settings& settings = call.settings;
    if (const auto problem = readStampOptions(call.parser, settings)) return badArguments(*problem, &batch);
    const QString target = call.parser.value(QStringLiteral("target"));
    if (!target.isEmpty()) settings.targetFolder = QFileInfo(target).absoluteFilePath();
    settings.batchFilter = filter != 0;
    if (filter != 0) settings.currentFilter = filter;
    settings.effects = effects;
    // The window's stored choice does not reach the command line: its
    // outputs are what its options say.
    settings.losslessStamp = lossless;
    if (lossless && settings.previewScale != 1)
        complain(QStringLiteral("--lossless: the stored scale %1 is set aside, the outputs keep the photos' size")
                     .arg(settings.previewScale));
    if (lossless && settings.strip.show) {
        if (call.parser.isSet(QStringLiteral("preset")))
            return badArguments(
                QStringLiteral("--lossless keeps every pixel but the stamp's: it cannot be given with --preset %1")
                    .arg(call.parser.value(QStringLiteral("preset"))),
                &batch);
        complain(
            QStringLiteral("--lossless: the stored caption strip is set aside, the outputs keep the photos' size"));
    }

    PhotoEngine engine(settings);
    engine.setShowDate(!call.parser.isSet(QStringLiteral("no-date")));
    // The stamp where the window left it.
    QStringList notes;
    engine.setStampPosition(SettingsFile::readStampPosition(call.configPath, &notes));
    complainAboutSettings(call.configPath, notes);
    engine.applyDateStyle();

    // On a terminal, one line of progress instead of a line per photo.
    const bool terminal = ::isatty(STDOUT_FILENO) != 0 && ::isatty(STDERR_FILENO) != 0;
    ConsoleListener listener(!quiet && (verbose || !terminal), !quiet && !verbose && terminal, !quiet);
    const InterruptStops interruptStops;
    const BatchReport report = engine.batchTransform(QFileInfo(call.path).absoluteFilePath(), options, &listener);
    listener.finish();
    // An output folder that cannot be written: one line, and no photo done.
    if (!report.blocked.isEmpty()) {
        complain(report.blocked);
        return SomeFailed;
    }
    for (const QString& line : quiet ? report.failureLines() : report.problemLines())
        complain(line);
    print(report.countText() + QLatin1Char('\n'));
    return report.succeeded() ? Done : SomeFailed;
}

// The photo's EXIF record, read through an engine of its own; nothing (and
// a complaint) when the path names no file.
std::optional<QString> readPhoto(const Invocation& call, PhotoEngine& engine)
{
    if (!QFileInfo(call.path).isFile()) {
        complain(QStringLiteral("%1 is not a file").arg(BatchReport::quoted(call.path)));
        return std::nullopt;
    }
    engine.setPhotoPaths(QFileInfo(call.path).absoluteFilePath(), AppLocations::current().outputRoot());
    engine.readExif();
    return engine.photo().exifText();
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
    if (const auto problem = readShift(call.parser, call.settings))
        return badArguments(*problem, findCommand(QStringLiteral("date")));
    if (const auto problem = readFallbackDate(call.parser, call.settings))
        return badArguments(*problem, findCommand(QStringLiteral("date")));
    readFormat(call.parser, call.settings);
    if (const auto problem = readTemplate(call.parser, call.settings))
        return badArguments(*problem, findCommand(QStringLiteral("date")));
    PhotoEngine engine(call.settings);
    if (!readPhoto(call, engine)) return SomeFailed;
    const StampPlacement::Date date
        = engine.stampPlacement().dateFor(engine.photo().exifRecord(), engine.photo().photoPath());
    if (!date.invalidPhotoDate.isEmpty())
        complain(BatchReport::line(
            { engine.photo().photoPath(), PhotoState::invalidDateNote(date.invalidPhotoDate, true) }));
    if (const QString note = date.sourceNote(); !note.isEmpty())
        complain(BatchReport::line({ engine.photo().photoPath(), note }));
    // No text is a failure of the command, said on standard error (a date
    // that is no date has been named just above).
    const QString text = engine.stampPlacement().textFor(
        date, engine.photo().exifRecord(), engine.photo().photoPath(), engine.photo().photoSize());
    if (text.isEmpty()) {
        if (date.invalidPhotoDate.isEmpty())
            complain(BatchReport::line({ engine.photo().photoPath(), QStringLiteral("no date in the photo") }));
        return SomeFailed;
    }
    print(text + QLatin1Char('\n'));
    return Done;
}

// The sub-commands and their options. A new option is one more entry here,
// and one more read of it in the command's run.
const QList<Command>& commands()
{
    static const QList<Command> table {
        { QStringLiteral("batch"), QStringLiteral("FOLDER"),
            QStringLiteral("Stamps, scales and saves every photo of FOLDER's sub-folders."),
            QStringLiteral("Treats every photo of FOLDER's immediate sub-folders (of FOLDER itself when it has\n"
                           "none) as the window's batch does, with the stored scale, quality, thumbnail rule\n"
                           "and date style, the stamp at the stored position; the options below replace the\n"
                           "stored values for the run. Photos are JPEG, HEIC/HEIF, PNG, WebP and TIFF files\n"
                           "(.jpg .jpeg .heic .heif .hif .png .webp .tif .tiff); every output is a JPEG,\n"
                           "named after a photo that is not one by its stem (IMG_0001.HEIC gives\n"
                           "IMG_0001.jpg; IMG_0001.HEIC.jpg when another photo of its folder would take\n"
                           "that name, in any case). Outputs go to DIR/Images/<folder name>/, thumbnails to\n"
                           "DIR/Miniatures/<folder name>/; with --recursive, FOLDER's own photos and those\n"
                           "of every folder below it are treated, each folder mirrored there by its path\n"
                           "relative to FOLDER (FOLDER's own photos under its name), and each folder only\n"
                           "once however many links lead to it. No output replaces a photo of the batch, and\n"
                           "only outputs of Quillon's (marked so in their XMP) are replaced unless\n"
                           "--overwrite is given.\n"
                           "Prints a line as each photo is done, in batch order (on a terminal, one line\n"
                           "of progress on standard error instead), then the count of photos treated; each\n"
                           "failure goes to standard error with its reason, and the other photos are still\n"
                           "written. A photo without a date, one dated from XMP, its file name or its\n"
                           "file's time, one whose stamp had to be moved inside it, and\n"
                           "whatever is passed over (a folder that cannot be read or was reached already, a\n"
                           "named pipe or a broken link among the photos, a name that is not UTF-8) is named\n"
                           "there too. Before the first photo every output folder is made and tried; one\n"
                           "that cannot be written stops the batch at once.\n"),
            {
                QCommandLineOption(QStringLiteral("target"),
                    QStringLiteral("Writes below DIR instead of the stored batch target."), QStringLiteral("DIR")),
                QCommandLineOption(QStringLiteral("filter"),
                    QStringLiteral("Applies filter TYPE, 1 to 8, to each photo: Blur, Blur More, Soften, Soften More, "
                                   "Sharpen, Sharpen More, Unsharp, Emboss."),
                    QStringLiteral("TYPE")),
                QCommandLineOption(QStringLiteral("effect"),
                    QStringLiteral("Gives each photo the looks NAME, after the filter and before the stamp, in the "
                                   "order given: grey, sepia (grey toned brown) or grain (film grain, the same "
                                   "on every run)."),
                    QStringLiteral("NAME[,NAME...]")),
                QCommandLineOption(QStringLiteral("scale"),
                    QStringLiteral("Scales each output to S times the photo's size, above 0 and at most 1 (the "
                                   "window's Size menu: 0.25, 0.375, 0.5, 0.625, 0.8, 1)."),
                    QStringLiteral("S")),
                QCommandLineOption(QStringLiteral("lossless"),
                    QStringLiteral(
                        "Stamps each JPEG photo without re-encoding it: only the 8x8 blocks under the "
                        "stamp change, the rest of the picture, its coding and its metadata stay as "
                        "they are, and it is not turned; the stored scale and strip are set aside. Other photos "
                        "are saved the usual way, with a note. Not with --scale, --filter, "
                        "--effect, --strip, --strip-height or the strip preset.")),
                QCommandLineOption(QStringLiteral("quality"),
                    QStringLiteral("Saves the outputs and thumbnails at JPEG quality Q, 1 to 100."),
                    QStringLiteral("Q")),
                QCommandLineOption(QStringLiteral("thumbnail-height"),
                    QStringLiteral("Writes thumbnails N pixels high (1 to 10000), as wide as the output's "
                                   "proportions make them."),
                    QStringLiteral("N")),
                QCommandLineOption(QStringLiteral("thumbnail-width"),
                    QStringLiteral("Writes thumbnails N pixels wide (1 to 10000), as high as the output's "
                                   "proportions make them."),
                    QStringLiteral("N")),
                QCommandLineOption(QStringLiteral("no-thumbnail"), QStringLiteral("Writes no thumbnails.")),
                QCommandLineOption(QStringLiteral("no-date"), QStringLiteral("Leaves the date stamp out.")),
                formatOption(),
                templateOption(),
                QCommandLineOption(QStringLiteral("font"),
                    QStringLiteral("Prints the stamp in font NAME (the nearest font installed when there is no "
                                   "such font)."),
                    QStringLiteral("NAME")),
                QCommandLineOption(QStringLiteral("font-size"),
                    QStringLiteral("Makes the stamp's font N points, 1 to 500, unless a stamp height "
                                   "(--stamp-height) sizes it."),
                    QStringLiteral("N")),
                QCommandLineOption(QStringLiteral("bold"), QStringLiteral("Prints the stamp in bold.")),
                QCommandLineOption(QStringLiteral("italic"), QStringLiteral("Prints the stamp in italics.")),
                QCommandLineOption(QStringLiteral("underline"), QStringLiteral("Underlines the stamp.")),
                QCommandLineOption(QStringLiteral("strikeout"), QStringLiteral("Strikes the stamp out.")),
                QCommandLineOption(QStringLiteral("colour"),
                    QStringLiteral("Prints the stamp's text in COLOUR: #RRGGBB or a name such as orange."),
                    QStringLiteral("COLOUR")),
                QCommandLineOption(QStringLiteral("shadow-colour"),
                    QStringLiteral("Prints the text's shadow, the copy under it, in COLOUR."),
                    QStringLiteral("COLOUR")),
                QCommandLineOption(QStringLiteral("offset"),
                    QStringLiteral("Puts the shadow X pixels right of the text and Y below it (negative: left, "
                                   "above), each -1000 to 1000; it grows with --stamp-height."),
                    QStringLiteral("X,Y")),
                QCommandLineOption(QStringLiteral("stamp-height"),
                    QStringLiteral("Makes the stamp's font PCT % (0.5 to 25) of each output's shorter side."),
                    QStringLiteral("PCT")),
                QCommandLineOption(QStringLiteral("anchor"),
                    QStringLiteral("Puts the stamp at PLACE of each output: top-left, top, top-right, left, centre, "
                                   "right, bottom-left, bottom or bottom-right."),
                    QStringLiteral("PLACE")),
                QCommandLineOption(QStringLiteral("margin"),
                    QStringLiteral("Keeps an anchored stamp PCT % of the shorter side from the edges."),
                    QStringLiteral("PCT")),
                QCommandLineOption(QStringLiteral("preset"),
                    QStringLiteral("Sets the stamp's format, font, colours, offset, look, height, place and strip to "
                                   "those of NAME before the other options change them: classic (the stamp of a new "
                                   "config.ini), film (orange seven-segment digits '98 7 12 with a glow, at the "
                                   "bottom right), outline (white with a dark outline) or strip (black on a white "
                                   "band below the photo)."),
                    QStringLiteral("NAME")),
                QCommandLineOption(QStringLiteral("look"),
                    QStringLiteral("Draws the stamp as NAME: shadow (the shadow colour under the text, offset), "
                                   "outline (the text ringed by the shadow colour) or glow (a faint halo of the "
                                   "shadow colour)."),
                    QStringLiteral("NAME")),
                QCommandLineOption(QStringLiteral("strip"),
                    QStringLiteral("Adds a band below each photo and prints the stamp on it, in the column of the "
                                   "anchor's side (left, centre or right); the photo's pixels stay as they are.")),
                QCommandLineOption(QStringLiteral("no-strip"), QStringLiteral("Adds no band below the photos.")),
                QCommandLineOption(QStringLiteral("strip-height"),
                    QStringLiteral("Makes the band PCT % (1 to 50) of each photo's shorter side; implies --strip."),
                    QStringLiteral("PCT")),
                QCommandLineOption(QStringLiteral("strip-colour"),
                    QStringLiteral("Fills the band with COLOUR: #RRGGBB or a name such as white."),
                    QStringLiteral("COLOUR")),
                QCommandLineOption(QStringLiteral("auto-contrast"),
                    QStringLiteral("Prints each stamp white with a black shadow, or near-black with a light one, "
                                   "whichever stands out more on the pixels under it.")),
                shiftOption(),
                fallbackDateOption(),
                QCommandLineOption(QStringLiteral("jobs"),
                    QStringLiteral("Treats N photos at once, 1 to 64; 1 treats one photo at a time. The default is "
                                   "one per core."),
                    QStringLiteral("N")),
                QCommandLineOption(QStringLiteral("recursive"),
                    QStringLiteral("Treats FOLDER's own photos and every folder below FOLDER that holds photos, "
                                   "not only the immediate sub-folders.")),
                QCommandLineOption(QStringLiteral("skip-existing"),
                    QStringLiteral("Leaves out each photo whose output exists and is not older than the photo, and "
                                   "whose thumbnail exists when thumbnails are on.")),
                QCommandLineOption(QStringLiteral("overwrite"),
                    QStringLiteral("Replaces files at the output paths that Quillon did not write; without it such a "
                                   "photo fails and nothing of it is written.")),
                QCommandLineOption(QStringLiteral("shard"),
                    QStringLiteral("Treats only the photos whose path below FOLDER falls in share K of N by its "
                                   "hash (see the README), so that N runs with K from 1 to N treat the batch once "
                                   "between them, and photos added or removed move no other."),
                    QStringLiteral("K/N")),
                QCommandLineOption(
                    QStringLiteral("verbose"), QStringLiteral("Prints a line per photo even on a terminal.")),
                QCommandLineOption(QStringLiteral("quiet"), QStringLiteral("Prints only failures and the summary.")),
            },
            &runBatch },
        { QStringLiteral("exif"), QStringLiteral("PHOTO"), QStringLiteral("Prints the photo's EXIF tags."),
            QStringLiteral("Prints the photo's EXIF tags, one \"name: value\" line each.\n"), {}, &runExif },
        { QStringLiteral("date"), QStringLiteral("PHOTO"),
            QStringLiteral("Prints the photo's date as the stamp shows it."),
            QStringLiteral("Prints when the photo was taken (DateTimeOriginal, else DateTimeDigitized, else\n"
                           "DateTime; else XMP's exif:DateTimeOriginal, photoshop:DateCreated or\n"
                           "xmp:CreateDate; else, as --fallback-date or the stored choice says, the file\n"
                           "name's date or the file's time) as the stamp shows it, in the stored date\n"
                           "format; a day without a time in the format's date part alone. A date that is\n"
                           "not EXIF's is named on standard error (\"date from the file name\"); a photo\n"
                           "without a date prints nothing, says so there and ends with status 1. With a\n"
                           "template (--template or the stored one) it prints the stamp's whole text, and\n"
                           "fails only when that is empty.\n"),
            {
                formatOption(),
                templateOption(),
                shiftOption(),
                fallbackDateOption(),
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
        return badArguments(QStringLiteral("unexpected argument %1").arg(BatchReport::quoted(positional[1])), &command);

    const QString configPath = parser.isSet(QStringLiteral("config")) ? parser.value(QStringLiteral("config"))
                                                                      : AppLocations::current().settingsToRead();
    Settings settings;
    QStringList notes;
    SettingsFile::load(configPath, settings, SettingsFile::defaultOutputRoot(), &notes);
    complainAboutSettings(configPath, notes);
    try {
        return command.run({ parser, positional[0], settings, configPath });
    } catch (const RuntimeError& error) {
        complain(error.userText());
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
    // As text, such an argument would name another file, or none.
    for (int i = 1; i < argc; ++i) {
        bool valid = true;
        const QString text = PhotoFolder::textOf(argv[i], &valid);
        if (!valid) return badArguments(QStringLiteral("%1 is not valid UTF-8").arg(BatchReport::quoted(text)));
    }
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
            return badArguments(QStringLiteral("no help for %1").arg(BatchReport::quoted(rest.join(QLatin1Char(' ')))));
        print(commandHelp(*command));
        return Done;
    }
    if (rest.isEmpty()) return badArguments(QStringLiteral("a command is needed"));
    const Command* command = findCommand(rest[0]);
    if (!command) return badArguments(QStringLiteral("unknown command %1").arg(BatchReport::quoted(rest[0])));
    return runCommand(*command, arguments.value(0), rest.mid(1));
}
