// The Model's readers follow the open workspace's decimal separator; the date reader stays.
#include "StoreFixture.h"

#include "platform/foundation/Locale.h"

class ModelReaders : public StoreTest {};

TEST_F(ModelReaders, FollowTheSeparatorOfTheOpenWorkspace) {
    foundation::setCurrentLocale("en_US");
    auto model = mainModel();
    const std::string comma = path("comma.ov"), point = path("point.ov"), none = path("none.ov");
    model->openStore(comma);
    model->setMetadataValue(",", "decimalSeparator");
    model->openStore(point);
    model->setMetadataValue(".", "decimalSeparator");
    model->openStore(none);
    model->saveContext();

    model->openStore(comma);
    foundation::DateReader* detector = &model->detectDate();
    EXPECT_EQ(model->decimalNumberForString("3,5"), 3.5);
    EXPECT_EQ(model->decimalNumberForString("3.5"), std::nullopt);
    EXPECT_EQ(model->readDecimal().locale(), "fr_FR");

    model->openStore(point);
    EXPECT_EQ(model->decimalNumberForString("3,5"), std::nullopt);
    EXPECT_EQ(model->decimalNumberForString("3.5"), 3.5);
    EXPECT_EQ(&model->detectDate(), detector);

    // Storing a new separator (as an import does) takes effect once the readers are dropped.
    model->setMetadataValue(",", "decimalSeparator");
    EXPECT_EQ(model->decimalNumberForString("3,5"), std::nullopt);
    model->setReadDecimal(nullptr);
    model->setReadPercent(nullptr);
    model->setReadCurrency(nullptr);
    EXPECT_EQ(model->decimalNumberForString("3,5"), 3.5);

    // No separator: the current locale (rule 4).
    foundation::setCurrentLocale("de_DE");
    model->openStore(none);
    EXPECT_EQ(model->readDecimal().locale(), "de_DE");
    EXPECT_EQ(model->decimalNumberForString("3,5"), 3.5);

    // A background Model builds its own readers from the same workspace ("," since the change
    // above, which in de_DE is the current locale's own: rule 1).
    model->openStore(point);
    auto worker = backgroundModel(*model);
    EXPECT_EQ(worker->decimalNumberForString("1.234,5"), 1234.5);
    EXPECT_EQ(worker->readDecimal().locale(), "de_DE");
    EXPECT_EQ(Model::stringFromNumber(12345.0), "1,234E4");
}
