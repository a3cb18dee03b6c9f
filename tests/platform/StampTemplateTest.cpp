#include "platform/StampTemplate.h"

#include "platform/ExifRecord.h"

#include <gtest/gtest.h>

namespace {

struct Expansion {
    const char* templateText;
    const char* expected;
};

ExifRecord recordOf(std::initializer_list<std::pair<const char*, const char*>> tags)
{
    ExifRecord record;
    for (const auto& [name, value] : tags)
        record.insert(QLatin1String(name), QString::fromUtf8(value));
    return record;
}

QString expanded(const char* templateText, const ExifRecord& record, const QString& date = QString())
{
    const auto parsed = StampTemplate::parse(QString::fromUtf8(templateText));
    EXPECT_TRUE(parsed.has_value()) << templateText;
    if (!parsed) return {};
    return parsed->expand({ record, QStringLiteral("/photos/Holidays 2008/IMG_0001.JPG"), QSize(4000, 3000), date,
        date.isEmpty() ? QString() : QStringLiteral("2008:05:30 15:56:01") });
}

} // namespace

TEST(StampTemplateTest, FieldsReadAsAPhotographerWritesThem)
{
    // The camera's values as read from the sample photos are StampTextTest's;
    // here what no sample holds, the path, the date's formats and escapes.
    const ExifRecord record = recordOf({ { "LensModel", "28-300mm f/3.5-5.6" } });
    const Expansion cases[] = {
        { "{lens}", "28-300mm f/3.5-5.6" },
        { "{file} in {folder}", "IMG_0001.JPG in Holidays 2008" },
        { "{date} / {date:YYYY-MM-DD hh:nn:ss}", "30/05/2008 15:56 / 2008-05-30 15:56:01" },
        { "{DATE:\\h\\h}", "hh" }, // the date format's own escapes reach it
        { "\\{camera\\} \\\\ a|b", "{camera} \\ a|b" },
    };
    for (const Expansion& test : cases)
        EXPECT_EQ(expanded(test.templateText, record, QStringLiteral("30/05/2008 15:56")), test.expected)
            << test.templateText;

    const std::pair<const char*, const char*> exposures[] = { { "4/300", "1/75" }, { "148/8160", "1/55" },
        { "1/4", "1/4" }, { "1/2", "0.5" }, { "3/10", "0.3" }, { "2/1", "2\"" }, { "15/10", "1.5\"" }, { "0/1", "" },
        { "1/0", "" }, { "1/4294967295", "" }, { "1e300", "" } };
    for (const auto& [stored, shown] : exposures)
        EXPECT_EQ(expanded("{exposure}", recordOf({ { "ExposureTime", stored } })), shown) << stored;
    // The sample photos hold the usual makes and models; these are the odd
    // ones: a make that only begins like the model, one of the two missing.
    const char* cameras[][3]
        = { { "NIKONIA", "NIKON D1", "NIKONIA NIKON D1" }, { "", "E950", "E950" }, { "SONY", "", "SONY" } };
    for (const auto& [make, model, shown] : cameras)
        EXPECT_EQ(expanded("{camera}", recordOf({ { "Make", make }, { "Model", model } })), shown);
}

TEST(StampTemplateTest, MissingFieldsTakeTheirFallbackOrDropTheirLine)
{
    const ExifRecord record = recordOf({ { "Model", "E950" }, { "FNumber", "55/10" } });
    const Expansion cases[] = {
        { "{camera} {lens}", "E950 " }, // one field is enough to keep the line
        { "{date}\\n{camera} · ISO {iso}\\nISO {iso}\\n{lens|}f/{aperture}", "E950 · ISO \nf/5.5" },
        { "{date:DD MMMM|undated}", "undated" },
        { "\\n\\nText\\n", "Text" }, // empty lines go, the user's own text stays
        { "{iso}\\n{exposure}", "" },
        // A section goes as a whole when one of its fields is missing.
        { "{camera}[ · {exposure}][ · f/{aperture}][ · ISO {iso}]", "E950 · f/5.5" },
        { "{lens}[ · {camera}]", " · E950" }, // a missing field before a section leaves it whole
        { "[ISO {iso}]\\n[({lens|no lens})]\\n[text]", "(no lens)\ntext" },
        { "\\[{camera}\\] a]b", "[E950] a]b" },
        { "a}b", "a}b" }, // a stray closing brace is text
        { "two\r\nlines", "two\nlines" },
    };
    for (const Expansion& test : cases)
        EXPECT_EQ(expanded(test.templateText, record), QString::fromUtf8(test.expected)) << test.templateText;
}

TEST(StampTemplateTest, TheDefaultIsTheDateAloneAndBadTemplatesAreNamed)
{
    const ExifRecord camera = recordOf({ { "Model", "E950" } });
    for (const QString& text : { QString(), StampTemplate::defaultText() }) {
        const auto parsed = StampTemplate::parse(text);
        ASSERT_TRUE(parsed.has_value());
        // Byte for byte the date, blanks and all, and nothing without one.
        const QString date = QStringLiteral(" 25/12/2005 ");
        EXPECT_EQ(parsed->expand({ camera, QString(), QSize(), date, QString() }), date);
        EXPECT_EQ(parsed->expand({ camera, QString(), QSize(), QString(), QString() }), QString());
    }

    const std::pair<const char*, const char*> bad[] = {
        { "{camera", "the field at \"{camera\" is not closed" },
        { "{lens|a\nb}", "the field at \"{lens|a\nb}\" is not closed" },
        { "{date:{iso}}", "the field at \"{date:{iso}}\" is not closed" },
        { "{model}", "{model} is no field" },
        { "{iso:000}", "{iso} takes no format" },
        { "x [ISO {iso}", "the section at \"[ISO {iso}\" is not closed" },
        { "[ISO\\n{iso}]", "the section at \"[ISO\\n{iso}]\" is not closed" },
        { "[a [b]]", "the section at \"[b]]\" holds another" },
    };
    for (const auto& [text, problem] : bad) {
        QString why;
        EXPECT_FALSE(StampTemplate::parse(QString::fromUtf8(text), &why).has_value()) << text;
        EXPECT_EQ(why, QString::fromUtf8(problem)) << text;
    }
}

TEST(StampTemplateTest, TheEditorShowsLineBreaksThatTheStoredTextEscapes)
{
    const std::pair<const char*, const char*> forms[]
        = { { "{date}\\n{camera}", "{date}\n{camera}" }, { "a\\\\nb", "a\\\\nb" }, { "\\{x\\}\\", "\\{x\\}\\" } };
    for (const auto& [stored, edited] : forms) {
        EXPECT_EQ(StampTemplate::editedText(QString::fromUtf8(stored)), QString::fromUtf8(edited)) << stored;
        EXPECT_EQ(StampTemplate::storedText(QString::fromUtf8(edited)), QString::fromUtf8(stored)) << stored;
    }
    // What a help page lists is written as a template has it.
    for (const StampTemplate::SyntaxInfo& info : StampTemplate::syntax())
        EXPECT_TRUE(StampTemplate::parse(info.example).has_value()) << info.example.toStdString();
    for (const StampTemplate::FieldInfo& info : StampTemplate::fields())
        EXPECT_TRUE(StampTemplate::parse(QLatin1Char('{') + info.name + QLatin1Char('}')).has_value());
}
