// The autocomplete field on the headless host's virtual clock: the fetch cycle, the drop-down's size,
// place and style, the two-font cells, selection, and the keyboard-accessory flag that stays off.
#include "controls/MLPAutoCompleteTextField.h"
#include "platform/foundation/Log.h"
#include "platform/host/HeadlessHost.h"
#include "platform/ui/Driver.h"
#include "platform/ui/ViewController.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>

namespace {

using namespace ui;

// Answers the synchronous form with a fixed list and records what it was asked.
struct ListSource : MLPAutoCompleteTextFieldDataSource {
    std::mutex mutex;
    std::vector<std::string> list;
    std::vector<std::string> asked;
    bool
    autoCompleteTextFieldPossibleCompletionsForString(MLPAutoCompleteTextField&, const std::string& string,
                                                      std::optional<AutoCompleteSuggestions>& out) override {
        std::lock_guard lock(mutex);
        asked.push_back(string);
        out = AutoCompleteSuggestions(list.begin(), list.end());
        return true;
    }
    void set(std::vector<std::string> l) {
        std::lock_guard lock(mutex);
        list = std::move(l);
    }
    std::vector<std::string> questions() {
        std::lock_guard lock(mutex);
        return asked;
    }
};

struct Listener : MLPAutoCompleteTextFieldDelegate {
    std::optional<bool> styleAnswer;
    int willShow = 0;
    std::vector<std::pair<std::string, int>> selected;
    std::optional<bool> autoCompleteTextFieldShouldStyleAutoCompleteTableView(MLPAutoCompleteTextField&,
                                                                              TableView&,
                                                                              TextBorderStyle) override {
        return styleAnswer;
    }
    bool autoCompleteTextFieldWillShowAutoCompleteTableView(MLPAutoCompleteTextField&, TableView&) override {
        ++willShow;
        return true;
    }
    bool autoCompleteTextFieldDidSelectAutoCompleteString(MLPAutoCompleteTextField& field,
                                                          const std::string& string,
                                                          const MLPAutoCompletionObject*,
                                                          IndexPath ip) override {
        selected.emplace_back(string, ip.row);
        // Told before editing ends.
        EXPECT_TRUE(field.isFirstResponder());
        return true;
    }
};

class AutoCompleteField : public ::testing::Test {
  protected:
    host::HeadlessHost host;
    Driver driver{host.window(), host};
    std::shared_ptr<ViewController> root = std::make_shared<ViewController>();
    std::shared_ptr<ListSource> source = std::make_shared<ListSource>();
    std::shared_ptr<MLPAutoCompleteTextField> field;
    std::shared_ptr<Button> other;

    void SetUp() override {
        host.window().setRootViewController(root);
        root->view().setFrame(host.window().bounds());
        field = View::make<MLPAutoCompleteTextField>(Rect{100, 100, 200, 30});
        field->setIdentifier("field");
        field->setAutoCompleteDataSource(source);
        root->view().addSubview(field);
        // Something in front of the field, to show that the field comes to the front when its list opens.
        other = std::make_shared<Button>(Rect{600, 100, 80, 30});
        root->view().addSubview(other);
    }

    // Types, lets the quiet time pass and waits for the answer to reach the list.
    void typeAndSettle(const std::string& text) {
        driver.typeInto(field.get(), text);
        host.advance(0.2);
        settle();
    }
    void settle() {
        // The fetch and sort run on their queues; their answers come back through the main queue.
        for (int i = 0; i < 3; ++i) {
            field->autoCompleteFetchQueue().waitUntilAllOperationsAreFinished();
            field->autoCompleteSortQueue().waitUntilAllOperationsAreFinished();
            host.drain();
        }
    }
    bool listShown() const { return field->autoCompleteTableView().superview() == field->superview(); }
};

TEST_F(AutoCompleteField, ABurstOfTypingFetchesOnceForTheWholeText) {
    source->set({"abc"});
    driver.typeInto(field.get(), "a");
    host.advance(0.03);
    driver.type("b");
    host.advance(0.03);
    driver.type("c");
    host.advance(0.05);
    settle();
    EXPECT_TRUE(source->questions().empty());
    host.advance(0.1);
    settle();
    EXPECT_EQ(source->questions(), (std::vector<std::string>{"abc"}));
    EXPECT_TRUE(field->autoCompleteFetchQueueName().starts_with("Fetch Queue "));
    EXPECT_TRUE(field->autoCompleteSortQueueName().starts_with("Autocomplete Queue "));
}

TEST_F(AutoCompleteField, TheDropDownIsSizedByItsRowsAndSitsJustBelowTheField) {
    field->setBorderStyle(TextBorderStyle::Line);
    struct Case {
        int suggestions;
        double height;
    };
    // Below the maximum of 3 rows n x 40; from it 2.5 rows.
    for (Case c : {Case{5, 100}, Case{2, 80}, Case{3, 100}, Case{1, 40}}) {
        SCOPED_TRACE(c.suggestions);
        std::vector<std::string> list;
        for (int i = 0; i < c.suggestions; ++i)
            list.push_back("x" + std::to_string(i));
        source->set(list);
        typeAndSettle("x");
        ASSERT_TRUE(listShown());
        EXPECT_EQ(field->autoCompleteTableView().frame(), (Rect{101, 130, 198, c.height}));
        const auto& subs = root->view().subviews();
        auto fieldAt = std::find(subs.begin(), subs.end(), field);
        ASSERT_NE(fieldAt, subs.end());
        EXPECT_EQ(fieldAt + 1, subs.end()); // brought to the front
        EXPECT_EQ(fieldAt[-1].get(), &field->autoCompleteTableView());
        driver.deleteBackward();
    }
}

TEST_F(AutoCompleteField, NoSuggestionsCloseTheListAndRestoreTheShadow) {
    field->layer().setShadowOffset({2, 2});
    source->set({"one", "two"});
    typeAndSettle("o");
    ASSERT_TRUE(listShown());
    EXPECT_DOUBLE_EQ(field->layer().shadowOpacity(), 0.35);
    EXPECT_EQ(field->layer().shadowOffset(), (Size{0, 1}));
    source->set({});
    typeAndSettle("x");
    EXPECT_FALSE(listShown());
    EXPECT_DOUBLE_EQ(field->layer().shadowOpacity(), 0);
    EXPECT_EQ(field->layer().shadowOffset(), (Size{2, 2}));
}

TEST_F(AutoCompleteField, TheTypedPartIsRegularAndTheRestBold) {
    source->set({"Alpha Beta", "Gamma"});
    typeAndSettle("al");
    TableViewCell* cell = field->autoCompleteTableView().cellForRowAtIndexPath({0, 0});
    ASSERT_NE(cell, nullptr);
    const auto& rich = cell->textLabel().attributedText();
    ASSERT_TRUE(rich);
    ASSERT_EQ(rich->items().size(), 2u);
    EXPECT_EQ(rich->items()[0].run.text, "Al");
    EXPECT_EQ(rich->items()[0].run.attributes.family, gfx::Font::system(13).name());
    EXPECT_EQ(rich->items()[1].run.text, "pha Beta");
    EXPECT_EQ(rich->items()[1].run.attributes.family, gfx::Font::boldSystem(13).name());
    EXPECT_EQ(rich->items()[1].run.attributes.size, 13);
    // Without the typed text inside, the whole suggestion keeps the bold base.
    gfx::RichText gamma = field->boldedString("Gamma", "al", Color::black());
    ASSERT_EQ(gamma.items().size(), 1u);
    EXPECT_EQ(gamma.items()[0].run.attributes.family, gfx::Font::boldSystem(13).name());
    field->setReverseAutoCompleteSuggestionsBoldEffect(true);
    gfx::RichText reversed = field->boldedString("Alpha Beta", "BET", Color::black());
    ASSERT_EQ(reversed.items().size(), 3u);
    EXPECT_EQ(reversed.items()[1].run.text, "Bet");
    EXPECT_EQ(reversed.items()[1].run.attributes.family, gfx::Font::boldSystem(13).name());
}

TEST_F(AutoCompleteField, EachBorderStyleStylesTheList) {
    const Color lightBlue{181 / 255.0, 204 / 255.0, 1, 1}, blue{23 / 255.0, 119 / 255.0, 206 / 255.0, 1};
    struct Case {
        TextBorderStyle style;
        double radius;
        Size offset;
        double topInset;
        Color border;
    };
    // A new field starts in the "none" style, so its border and cell text colour are what the styles that
    // leave them unchanged keep.
    const Case cases[] = {
        {TextBorderStyle::Line, 0, {0, 0}, 0, Color::black().withAlpha(0.5)},
        {TextBorderStyle::Bezel, 0, {0, 0}, 0, Color::black().withAlpha(0.5)},
        {TextBorderStyle::None, 8, {0, 7}, 0, lightBlue},
        {TextBorderStyle::RoundedRect, 8, {0, -18}, 18, lightBlue},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.style));
        auto f = View::make<MLPAutoCompleteTextField>(Rect{0, 0, 200, 30});
        f->setBorderStyle(c.style);
        EXPECT_EQ(f->autoCompleteTableCornerRadius(), c.radius);
        EXPECT_EQ(f->autoCompleteTableOriginOffset(), c.offset);
        EXPECT_EQ(f->autoCompleteContentInsets().top, c.topInset);
        EXPECT_EQ(f->autoCompleteTableView().contentInset().top, c.topInset);
        EXPECT_EQ(f->autoCompleteScrollIndicatorInsets().top, c.topInset);
        EXPECT_EQ(f->autoCompleteTableBorderWidth(), 1);
        EXPECT_EQ(f->autoCompleteTableBorderColor(), c.border);
        EXPECT_EQ(f->autoCompleteTableCellTextColor(), blue);
        // A field without a background colour gives the list none either.
        EXPECT_EQ(f->autoCompleteTableBackgroundColor(), std::nullopt);
    }
    // The clear colour gives a white list, any other colour its own; each change restyles.
    auto f = View::make<MLPAutoCompleteTextField>(Rect{0, 0, 200, 30});
    f->setBackgroundColor(Color::clear());
    EXPECT_EQ(f->autoCompleteTableBackgroundColor(), Color::white());
    f->setBackgroundColor(Color{1, 0.9, 0.8, 1});
    EXPECT_EQ(f->autoCompleteTableBackgroundColor(), (Color{1, 0.9, 0.8, 1}));
    // A delegate that declines keeps the list as it is.
    Listener listener;
    listener.styleAnswer = false;
    f->setAutoCompleteDelegate(&listener);
    f->setBorderStyle(TextBorderStyle::Line);
    EXPECT_EQ(f->autoCompleteTableCornerRadius(), 8);
    listener.styleAnswer = std::nullopt; // not implemented: styled as usual
    f->setBorderStyle(TextBorderStyle::Line);
    EXPECT_EQ(f->autoCompleteTableCornerRadius(), 0);
}

TEST_F(AutoCompleteField, SelectingASuggestionSetsTheTextTellsTheDelegateAndEndsEditing) {
    Listener listener;
    field->setAutoCompleteDelegate(&listener);
    std::vector<std::string> ended;
    field->addTarget(EditingDidEnd, [&](Control& c) { ended.push_back(static_cast<TextField&>(c).text()); });
    source->set({"north", "south"});
    typeAndSettle("s");
    ASSERT_TRUE(listShown());
    EXPECT_EQ(listener.willShow, 1);
    // Sorted: "south" starts with the typed text.
    TableViewCell* cell = field->autoCompleteTableView().cellForRowAtIndexPath({0, 1});
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->textLabel().text(), "north");
    driver.tap(cell);
    EXPECT_EQ(field->text(), "north");
    EXPECT_EQ(listener.selected, (std::vector<std::pair<std::string, int>>{{"north", 1}}));
    EXPECT_FALSE(field->isFirstResponder());
    EXPECT_FALSE(listShown());
    EXPECT_EQ(ended, std::vector<std::string>{"north"});
}

TEST_F(AutoCompleteField, SuggestionsOnBeginEditingAndWithoutSorting) {
    field->setShowAutoCompleteTableWhenEditingBegins(true);
    field->setSortAutoCompleteSuggestionsByClosestMatch(false);
    source->set({"zz", "ab"});
    driver.tap(field.get());
    settle();
    ASSERT_TRUE(listShown());
    EXPECT_EQ(source->questions(), std::vector<std::string>{""});
    EXPECT_EQ(field->autoCompleteTableView().cellForRowAtIndexPath({0, 0})->textLabel().text(), "zz");
    // Hiding the list closes it; a tap elsewhere that ends editing closes it too.
    field->setAutoCompleteTableViewHidden(true);
    EXPECT_FALSE(listShown());
    field->setAutoCompleteTableViewHidden(false);
    EXPECT_TRUE(listShown());
    field->resignFirstResponder();
    EXPECT_FALSE(listShown());
}

TEST_F(AutoCompleteField, WithoutASourceTheOldSuggestionsStay) {
    source->set({"kept"});
    typeAndSettle("k");
    ASSERT_EQ(field->autoCompleteSuggestions().size(), 1u);
    source.reset();
    typeAndSettle("e");
    EXPECT_EQ(field->autoCompleteSuggestions().size(), 1u);
    EXPECT_TRUE(listShown());
}

TEST_F(AutoCompleteField, TheKeyboardAccessoryFlagStaysOffAndLogsOnce) {
    foundation::LogCapture log;
    field->setAutoCompleteTableAppearsAsKeyboardAccessory(true);
    EXPECT_FALSE(field->autoCompleteTableAppearsAsKeyboardAccessory());
    EXPECT_EQ(log.lines().size(), 1u);
    source->set({"drop"});
    typeAndSettle("d");
    EXPECT_TRUE(listShown());
}

} // namespace
