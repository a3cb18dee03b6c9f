#include "ui/StandardDialogs.h"

#include "platform/BgrColor.h"
#include "platform/ExecutableInfo.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QMessageBox>

#include <cmath>

namespace {

// "description|pattern|description|pattern|" as Qt's "description (pattern)"
// entries. A description that already ends with its pattern in brackets, as
// "All Files (*.*)" does, is kept as it is.
QStringList qtFilters(const QString& filterText)
{
    const QStringList parts = filterText.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString& description = parts[i];
        QString pattern = parts[i + 1];
        if (description.isEmpty() && pattern.isEmpty()) continue;
        pattern.replace(QLatin1Char(';'), QLatin1Char(' '));
        const QString bracketed = QStringLiteral("(%1)").arg(pattern);
        filters << (description.endsWith(bracketed) ? description : description + QLatin1Char(' ') + bracketed);
    }
    return filters;
}

// Blanks at both ends and zero characters are no part of a chosen name.
QString cleanName(const QString& name)
{
    QString text = name.trimmed();
    text.remove(QChar(0));
    return text;
}

std::optional<QColor> qtColor()
{
    // Every call starts with a fresh table of custom colours: white.
    for (int i = 0; i < QColorDialog::customCount(); ++i)
        QColorDialog::setCustomColor(i, Qt::white);
    const QColor color = QColorDialog::getColor(Qt::black, nullptr);
    if (!color.isValid()) return std::nullopt;
    return color;
}

std::optional<StandardDialogs::FileAnswer> qtFile(const StandardDialogs::FileRequest& request)
{
    QFileDialog dialog(nullptr, request.title, request.folder);
    dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    // No existence checks; the question before replacing a file is the
    // dialog's own.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmReplace);
    dialog.setNameFilters(request.filters);
    if (!request.filters.isEmpty())
        dialog.selectNameFilter(request.filters.value(std::max(request.filterIndex, 1) - 1, request.filters.first()));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    const auto index = request.filters.indexOf(dialog.selectedNameFilter());
    return StandardDialogs::FileAnswer { dialog.selectedFiles().first(), index < 0 ? 1 : static_cast<int>(index) + 1 };
}

QString qtFolder(const QString& title)
{
    return QFileDialog::getExistingDirectory(nullptr, title, QString(), QFileDialog::ShowDirsOnly);
}

// The file dialog's own question, for a name it did not see.
bool qtReplace(const QString& path)
{
    const QFileInfo file(path);
    return QMessageBox::warning(nullptr, QString(),
               QFileDialog::tr("%1 already exists.\nDo you want to replace it?").arg(file.fileName()),
               QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
        == QMessageBox::Yes;
}

std::optional<QFont> qtFont(const QFont& initial)
{
    bool accepted = false;
    const QFont font = QFontDialog::getFont(&accepted, initial, nullptr);
    if (!accepted) return std::nullopt;
    return font;
}

// Sizes travel through the dialog in whole tenths of a point, halves to even.
int tenthsOfPoint(double points)
{
    return static_cast<int>(std::nearbyint(points * 10.0));
}

} // namespace

QString StandardDialogs::allFilesFilter()
{
    return tr("All Files (*.*)") + QStringLiteral("|*.*|");
}

StandardDialogs::StandardDialogs()
    : pickers { qtColor, qtFile, qtFolder, qtFont, qtReplace }
{
}

StandardDialogs& StandardDialogs::shared()
{
    static StandardDialogs instance;
    return instance;
}

int32_t StandardDialogs::chooseColor()
{
    const std::optional<QColor> color = pickers.color();
    if (!color) return -1;
    return static_cast<int32_t>(BgrColor::fromQColor(*color));
}

QString StandardDialogs::openFileName(const QString& filter, const QString& caption, const QString& iniPath)
{
    return showFile(false, filter.isEmpty() ? allFilesFilter() : filter, caption, iniPath);
}

QString StandardDialogs::saveFileName(const QString& filter, const QString& caption, const QString& iniPath)
{
    const QString filterText = filter == QStringLiteral("*.*") ? allFilesFilter() : filter;
    const QString chosen = showFile(true, filterText, caption, iniPath);
    if (chosen.isEmpty()) return chosen;
    QString result = chosen;

    // The pattern of the chosen pair gives the extension: what follows the
    // first dot after the pattern's first character, or the whole pattern.
    const QStringList parts = filterText.split(QLatin1Char('|'));
    const qsizetype patternAt = 2 * qsizetype(m_filterIndex) - 1;
    // Without a filter there is no pattern, and nothing to append.
    if (patternAt < 0 || patternAt >= parts.size()) return result;
    const QString& pattern = parts[patternAt];
    const qsizetype dot = pattern.indexOf(QLatin1Char('.'), 1);
    const QString extension = dot < 0 ? pattern : pattern.mid(dot + 1);
    if (extension != QStringLiteral("*") && !result.endsWith(extension, Qt::CaseSensitive))
        result += QLatin1Char('.') + extension;
    // The dialog asked about the name it gave; a name made longer here is
    // asked about again.
    if (result != chosen && QFileInfo::exists(result) && !pickers.replace(result)) return QString();
    return result;
}

QString StandardDialogs::showFile(bool save, const QString& filterText, const QString& caption, const QString& iniPath)
{
    FileRequest request;
    request.save = save;
    request.confirmReplace = save;
    request.title = caption;
    request.folder = iniPath.isEmpty() ? ExecutableInfo::folder() + QLatin1Char('/') : iniPath;
    request.filters = qtFilters(filterText);
    request.filterIndex = m_filterIndex;
    const std::optional<FileAnswer> answer = pickers.file(request);
    if (!answer) return QString();
    m_filterIndex = answer->filterIndex;
    return cleanName(answer->path);
}

QString StandardDialogs::chooseFolder(const QString& caption)
{
    return cleanName(pickers.folder(caption));
}

bool StandardDialogs::chooseFont(QFont& chosenFont)
{
    // What the dialog starts from: the name cut to 31 characters, the size in
    // whole tenths of a point, weight and the three flags.
    QFont initial(chosenFont.family().left(31));
    initial.setPointSizeF(std::max(1, tenthsOfPoint(chosenFont.pointSizeF())) / 10.0);
    initial.setWeight(chosenFont.weight());
    initial.setItalic(chosenFont.italic());
    initial.setUnderline(chosenFont.underline());
    initial.setStrikeOut(chosenFont.strikeOut());

    const std::optional<QFont> chosen = pickers.font(initial);
    if (!chosen) return false;
    chosenFont.setItalic(chosen->italic());
    chosenFont.setStrikeOut(chosen->strikeOut());
    chosenFont.setUnderline(chosen->underline());
    chosenFont.setWeight(chosen->weight());
    const double points = chosen->pointSizeF() > 0 ? chosen->pointSizeF() : chosen->pixelSize() * 72.0 / 96.0;
    chosenFont.setPointSizeF(std::max(1, tenthsOfPoint(points)) / 10.0);
    chosenFont.setFamily(chosen->family());
    return true;
}
