#include "workflow/PhotoFolder.h"

#include "support/TestSupport.h"
#include "workflow/BatchReport.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

TEST(PhotoFolderTest, ARootFoldersOutputsGoStraightBelowImages)
{
    EXPECT_EQ(PhotoFolder::folderName("/", "/"), "");
}

TEST(PhotoFolderTest, NamesSortTheSameWayOnEveryMachine)
{
    // Letters of either case together; names that differ only in case by
    // their code points (capitals first), so no two names are ever equal.
    const QStringList ordered
        = { "1.jpg", "A.JPG", "a.jpg", "a.jpg ", "B.jpg", "b.jpg", "b1.jpg", "Ä.jpg", "ä.jpg", "É.jpg", "é.jpg" };
    for (qsizetype i = 0; i + 1 < ordered.size(); ++i) {
        EXPECT_TRUE(PhotoFolder::comesBefore(ordered[i], ordered[i + 1])) << i;
        EXPECT_FALSE(PhotoFolder::comesBefore(ordered[i + 1], ordered[i])) << i;
    }
    EXPECT_FALSE(PhotoFolder::comesBefore("a.jpg", "a.jpg"));

    // Whatever order the folder gives them in.
    QTemporaryDir dir;
    for (const char* name : { "b.jpg", "B.jpg", "A.JPG", "a.jpeg", "c.txt", "C.Jpg" })
        ASSERT_TRUE(writeFile(dir.filePath(QString::fromUtf8(name)), "x"));
    ASSERT_TRUE(
        QDir().mkpath(dir.filePath("Sub")) && QDir().mkpath(dir.filePath("sub")) && QDir().mkpath(dir.filePath("a")));
    EXPECT_EQ(PhotoFolder::photoNames(dir.path()), QStringList({ "a.jpeg", "A.JPG", "B.jpg", "b.jpg", "C.Jpg" }));
    EXPECT_EQ(PhotoFolder::subFolders(dir.path()),
        QStringList({ dir.filePath("a"), dir.filePath("Sub"), dir.filePath("sub") }));
}

TEST(PhotoFolderTest, NamesThatAreNotUtf8ArePassedOverAndNoPhotoIsListedTwice)
{
    // As text, each of these would name another file or none: "a\xff.jpg"
    // decodes like the valid "a\uFFFD.jpg".
    QTemporaryDir dir;
    const QByteArray folder = QFile::encodeName(dir.path()) + '/';
    // Names that Qt cannot name again, it cannot remove either.
    const auto removeAll = qScopeGuard([&] { std::filesystem::remove_all(folder.toStdString()); });
    const auto make = [&](const QByteArray& name, bool asFolder) {
        const QByteArray path = folder + name;
        const int made = asFolder ? ::mkdir(path.constData(), 0755) : ::close(::creat(path.constData(), 0644));
        ASSERT_EQ(made, 0) << name.toHex().toStdString();
    };
    make("a\xff.jpg", false);
    make("a\xef\xbf\xbd.jpg", false); // U+FFFD itself, valid
    make("b\xfe", true);
    make("d\xc3\xa9.jpg", false); // é, valid
    make("e\xc0\xaf.jpg", false); // "/" in too long a form
    make("f\xed\xa0\x80.jpg", false); // a surrogate's code
    make("g\xf4\x90\x80\x80.jpg", false); // beyond U+10FFFF
    make("h\xe2\x82.jpg", false); // a sequence cut short

    const PhotoFolder::Contents contents = PhotoFolder::read(dir.path());
    EXPECT_EQ(contents.photos, QStringList({ QString::fromUtf8("a\uFFFD.jpg"), QString::fromUtf8("d\u00e9.jpg") }));
    EXPECT_EQ(contents.folders, QStringList());
    QStringList passedOver;
    for (const PhotoFolder::PassedOver& entry : contents.passedOver) {
        passedOver << BatchReport::shownName(QDir(dir.path()).relativeFilePath(entry.path));
        EXPECT_EQ(entry.reason, "the name is not valid UTF-8");
    }
    EXPECT_EQ(passedOver,
        QStringList({ R"("a\xff.jpg")", R"("b\xfe")", R"("e\xc0\xaf.jpg")", R"("f\xed\xa0\x80.jpg")",
            R"("g\xf4\x90\x80\x80.jpg")", R"("h\xe2\x82.jpg")" }));
}

TEST(PhotoFolderTest, TextOfANameKeepsEveryByteThatDoesNotDecode)
{
    // Back to bytes: a lone surrogate U+DC80..U+DCFF is its byte, the rest
    // is UTF-8. Every name must come back as it was, and one that decodes
    // must give Qt's own text.
    const auto bytesOf = [](const QString& text) {
        QByteArray bytes;
        for (qsizetype i = 0; i < text.size(); ++i) {
            const QChar c = text[i];
            if (c.isLowSurrogate() && (i == 0 || !text[i - 1].isHighSurrogate())) {
                EXPECT_GE(c.unicode(), 0xdc80);
                bytes += static_cast<char>(c.unicode() - 0xdc00);
            } else if (!c.isHighSurrogate() || i + 1 == text.size()) {
                bytes += QString(c).toUtf8();
            } else {
                bytes += text.mid(i++, 2).toUtf8();
            }
        }
        return bytes;
    };
    // Every name of two bytes, alone and before a sequence cut short or a
    // whole one.
    for (int a = 1; a < 256; ++a)
        for (int b = 1; b < 256; ++b)
            for (const QByteArray& end : { QByteArray(), QByteArray("\xe2\x82"), QByteArray("\xf0\x9f\x98\x80") }) {
                const QByteArray name = QByteArray { static_cast<char>(a), static_cast<char>(b) } + end;
                bool valid = false;
                const QString text = PhotoFolder::textOf(name, &valid);
                ASSERT_EQ(bytesOf(text), name) << name.toHex().toStdString();
                ASSERT_EQ(valid, QFile::encodeName(QFile::decodeName(name)) == name) << name.toHex().toStdString();
                if (valid) {
                    ASSERT_EQ(text, QFile::decodeName(name)) << name.toHex().toStdString();
                }
            }
}

TEST(PhotoFolderTest, PhotosOfEveryKindAndTheirOutputNamesHoldWhateverTheOrder)
{
    for (const char* name : { "a.jpg", "b.JPEG", "c.heic", "d.HEIF", "e.hif", "f.Png", "g.webp", "h.tif", "i.TIFF" })
        EXPECT_TRUE(PhotoFolder::isPhotoName(name)) << name;
    for (const char* name : { "a.bmp", "b.gif", "c.heics", "d.jpg.txt", "e.avif", "jpg" })
        EXPECT_FALSE(PhotoFolder::isPhotoName(name)) << name;

    const struct {
        QStringList photos;
        QStringList outputs;
    } cases[] = {
        { { "IMG_0001.HEIC", "b.png", "c.JPG", "d.jpeg", "e.tiff" },
            { "IMG_0001.jpg", "b.jpg", "c.JPG", "d.jpeg", "e.jpg" } },
        // A same-stem pair: the JPEG keeps its name, the other its extension,
        // also when the names differ in case only.
        { { "IMG_0001.HEIC", "IMG_0001.JPG" }, { "IMG_0001.HEIC.jpg", "IMG_0001.JPG" } },
        { { "img_0001.jpg", "IMG_0001.HEIC" }, { "img_0001.jpg", "IMG_0001.HEIC.jpg" } },
        // Two that are no JPEG both keep theirs; a .jpeg takes no .jpg.
        { { "a.png", "A.webp", "a.jpeg" }, { "a.png.jpg", "A.webp.jpg", "a.jpeg" } },
    };
    for (const auto& c : cases) {
        // Every order of the folder's names gives each photo the same name.
        QStringList photos = c.photos, outputs = c.outputs;
        for (qsizetype turn = 0; turn < photos.size(); ++turn) {
            EXPECT_EQ(PhotoFolder::outputNames(photos), outputs) << photos.join(' ').toStdString();
            photos.move(0, photos.size() - 1);
            outputs.move(0, outputs.size() - 1);
        }
    }
}
