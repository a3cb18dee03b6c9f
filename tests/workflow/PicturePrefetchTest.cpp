#include "workflow/PicturePrefetch.h"

#include "platform/PictureLoader.h"
#include "platform/RuntimeError.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(PicturePrefetchTest, GivesTheLoadersPictureOrItsError)
{
    PicturePrefetch prefetch;
    const QString photo = testPhoto("cameras/Canon_40D.jpg");
    const QString missing = testPhoto("cameras/missing.jpg");
    EXPECT_EQ(prefetch.take(photo, nullptr), nullptr); // never started

    prefetch.start(photo);
    prefetch.start(missing);
    prefetch.start(testPhoto("large/jolla.jpg")); // never taken: dropped at the end

    QString warning = "stale";
    const auto picture = prefetch.take(photo, &warning);
    const auto loaded = PictureLoader::load(photo);
    ASSERT_TRUE(picture);
    EXPECT_TRUE(warning.isEmpty());
    ASSERT_EQ(picture->height(), loaded->height());
    EXPECT_EQ(
        0, std::memcmp(picture->bits(), loaded->bits(), static_cast<size_t>(loaded->stride()) * loaded->height()));
    EXPECT_EQ(prefetch.take(photo, nullptr), nullptr); // taken once

    EXPECT_THROW(prefetch.take(missing, nullptr), RuntimeError);
}
